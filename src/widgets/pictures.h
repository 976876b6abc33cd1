// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures of the words: JPEG files at program folder + /jpg/ + word + .jpg, decoded once
// and cached. A missing or broken file never ends the program: the control shows a card
// with the word written on it and a warning goes to the munchora.pictures category.

#include "shell/clickable.h"

#include <QHash>
#include <QImage>
#include <QLoggingCategory>
#include <QWidget>

Q_DECLARE_LOGGING_CATEGORY(lcPictures)

class PictureLoader
{
public:
    static PictureLoader& instance();
    // The largest side a picture is kept at: as large as any control shows it on a full-HD
    // whiteboard, and a huge file still costs only a few megabytes.
    static constexpr int MaxSide = 1024;

    // The decoded picture of a word (or of a file base name such as "smileys1");
    // a null image when the file is missing or cannot be decoded. shownAt, the largest side the
    // picture is shown at, lets it be decoded smaller (a quarter of the memory at half the
    // side): it comes at the next power of two from there, so a few sizes serve every control.
    QImage picture(const QString& name, int shownAt = 0);
    void clearCache();
    int decodeCount() const { return decodes_; }

private:
    QHash<QPair<QString, int>, QImage> cache_;
    int decodes_ = 0;
};

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
    bool hasPicture() const { return !image_.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    // The picture scaled to fit a box, its aspect kept; made once for each picture and size,
    // so a repaint, or the same word shown again, scales nothing.
    const QPixmap& fitted(QSize box);

private:
    // The side image_ was decoded for (0: as made, by setImage).
    int decodedFor_ = 0;
    QString word_;
    QImage image_;
    QPixmap scaled_;
    qint64 scaledFrom_ = 0; // the cache key of the image scaled_ was made from
};
