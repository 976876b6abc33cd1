// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures of the words: JPEG files at program folder + /jpg/ + word + .jpg, decoded once
// and cached. A missing or broken file never ends the program: the control shows a card
// with the word written on it and a warning goes to the munchora.pictures category.

#include "shell/clickable.h"

#include <QHash>
#include <QImage>
#include <QLoggingCategory>
#include <QPixmap>
#include <QWidget>

#include <functional>

class QPainter;

Q_DECLARE_LOGGING_CATEGORY(lcPictures)

class PictureLoader
{
public:
    static PictureLoader& instance();
    // The largest side a picture is kept at: as large as any control shows it on a full-HD
    // whiteboard, and a huge file still costs only a few megabytes.
    static constexpr int MaxSide = 1024;
    // Kept: what controls hold (free: dropping it would free nothing; a picture box holds its
    // decode only until it has its scaled copy), the files that failed (free too, so each is
    // reported once), and, up to this many bytes, the least recently used going first, the
    // decodes and scaled copies no control holds: the menu buttons' foods, the pictures of the
    // last screens and questions, ready for their words to come back at the same size. So
    // pictures take what the screens on show hold and 8 MiB at most besides: the
    // menu's foods and a screen's pictures, so going back and forth decodes nothing.
    static constexpr qsizetype KeptBytes = 8 * 1024 * 1024;

    // The decoded picture of a word (or of a file base name such as "smileys1");
    // a null image when the file is missing or cannot be decoded. shownAt, the largest side the
    // picture is shown at in device pixels, lets it be decoded smaller (a quarter of the memory
    // at half the side): it comes at a power of two near it (up to a third smaller), so a few
    // sizes serve every control.
    QImage picture(const QString& name, int shownAt = 0);
    // The same for a picture file by its path (a unit's that is not in play, say).
    QImage pictureFile(const QString& path, int shownAt = 0);
    // A control is done with a decode it had from here: image is emptied, and the decode goes
    // unless another control still holds it.
    void letGo(QImage& image);
    // The scaled copy of a word's picture at a box size (device pixels) and ratio, one for
    // every box that shows it so: a box showing a word shown already (an answer filled in above
    // its picture, the word of the last question) decodes nothing. Null when there is none.
    QPixmap copy(const QString& name, QSize box, qreal ratio);
    void keepCopy(const QString& name, QSize box, const QPixmap& copy);
    // Whether a scaled copy of a word is kept, at any size.
    bool hasCopy(const QString& name) const { return copies_.contains(name); }
    void clearCache();
    int decodeCount() const { return decodes_; }

private:
    struct Kept
    {
        QImage image;
        quint64 used; // when it was last asked for, in asks
    };
    struct Copy
    {
        QSize box;
        QPixmap pixmap;
        quint64 used;
    };
    // The decode kept under name at the side asked for, else the file picturePath() names, decoded.
    QImage decoded(const QString& name, int shownAt, const std::function<QString()>& picturePath);
    void trim();

    QHash<QPair<QString, int>, Kept> cache_;
    QMultiHash<QString, Copy> copies_;
    quint64 asks_ = 0;
    int decodes_ = 0;
};

// How many device pixels one unit of the painter's coordinates covers now: the pixel ratio of
// the device it paints on, times any scaling set. Pictures made for a painter are made at
// this ratio, so they are as sharp as its text. A widget's own ratio is not enough: rendered
// into an image of another ratio, its painter paints at the image's.
qreal deviceRatio(const QPainter& painter);

// An image control: shows a picture scaled to fit with its aspect ratio kept, or a card
// with the word when there is no picture. Its accessible name is the word; assistive tools
// see an image, pressable when something listens to its clicks (a score icon is only looked at).
class PictureBox : public Clickable
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Loads the picture of a word (its file base name) and names the control after it.
    void setWord(const QString& word);
    QString word() const { return word_; }
    // A picture made by the program (icons); the accessible name is given separately.
    void setImage(const QImage& image, const QString& accessibleName);
    bool hasPicture() const { return hasPicture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // The picture scaled to fit a box (in logical pixels), its aspect kept, at the device's
    // ratio; made once for each size and ratio, so a repaint scales nothing. Null when the
    // picture cannot be had.
    const QPixmap& fitted(QSize box, qreal ratio);

private:
    QString word_;
    bool hasPicture_ = false;
    // The decoded picture, until it is scaled (a picture made by the program is kept), and the
    // side in device pixels it was decoded for (0: as made).
    QImage image_;
    int decodedFor_ = 0;
    QPixmap scaled_;
    QSize scaledFor_; // the box in device pixels scaled_ was made for
};
