// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A big, friendly command button with a small picture and its caption: a tile (picture above
// the caption) or a bar (picture left, caption right). Everything is drawn from the button's current size and font, so it scales with
// its screen. Its accessible name is its caption.

#include "widgets/button_pictures.h"

#include <QColor>
#include <QPixmap>
#include <QPushButton>

class PictureButton : public QPushButton
{
    Q_OBJECT
public:
    enum class Shape { Tile, Bar };

    PictureButton(const QString& caption, ButtonPicture picture, int variant, const QColor& colour, Shape shape,
                  QWidget* parent = nullptr);

    ButtonPicture picture() const { return picture_; }
    // The files a picture of a unit shows (none: the unit in play's words).
    void setUnitPictures(const QStringList& files);
    // Lines kept for the caption of a tile (0: a fixed share of the tile). A screen sets the
    // same number on a row of tiles so their pictures and captions line up.
    void setCaptionLines(int lines);
    int captionLines() const { return captionLines_; }
    // Whether the caption fits on one line of a tile at the current size, in the font at this
    // exact pixel size (the design's times the screen's scale, before it is rounded to whole
    // pixels), so the answer is the same at every scale of the same screen shape.
    bool captionFitsOneLine(double pixelSize) const;
    QSize sizeHint() const override { return {150, 170}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Parts
    {
        QRectF tile, panel, caption;
        double side, border, radius, pad;
    };
    Parts parts() const;
    // The picture at a size in logical pixels, made at the ratio of the device painted on.
    QPixmap pictureAt(const QSize& size, qreal ratio);

    ButtonPicture picture_;
    int variant_;
    Shape shape_;
    QColor colour_;
    QStringList unitPictures_;
    QPixmap cached_; // the picture at its current size and state, drawn once
    bool cachedEnabled_ = true;
    int captionLines_ = 0;
};
