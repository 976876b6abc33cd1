// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/pictures.h"

#include "settings/modulo1.h"

#include <QFile>
#include <QFileInfo>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPluginLoader>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <vector>

Q_LOGGING_CATEGORY(lcPictures, "munchora.pictures", QtInfoMsg)

namespace {

// Qt's JPEG plugin itself. Asked for a JPEG by name, QImageReader still loads every image
// plugin there is (the SVG one with its whole library) before it picks this one.
QImageIOPlugin* jpegPlugin()
{
    static QPluginLoader loader(QStringLiteral("imageformats/qjpeg"));
    static QImageIOPlugin* plugin = qobject_cast<QImageIOPlugin*>(loader.instance());
    return plugin;
}

// The size a picture is decoded at: no side beyond maxSide.
QSize decodedSize(const QSize& size, int maxSide)
{
    if (size.isValid() && (size.width() > maxSide || size.height() > maxSide))
        return size.scaled(maxSide, maxSide, Qt::KeepAspectRatio);
    return QSize();
}

// Decodes a JPEG file through the plugin alone; false when that cannot be tried (no plugin,
// not a JPEG file), and the caller asks QImageReader instead.
bool readJpeg(const QString& path, int maxSide, QImage& image, QString& why)
{
    QImageIOPlugin* plugin = jpegPlugin();
    if (!plugin)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const std::unique_ptr<QImageIOHandler> handler(plugin->create(&file, QByteArrayLiteral("jpeg")));
    if (!handler || !handler->canRead())
        return false;
    const QSize scaled = decodedSize(handler->option(QImageIOHandler::Size).toSize(), maxSide);
    if (scaled.isValid())
        handler->setOption(QImageIOHandler::ScaledSize, scaled);
    if (!handler->read(&image) || image.isNull()) {
        image = QImage();
        why = QStringLiteral("the picture cannot be decoded");
    }
    return true;
}

} // namespace

PictureLoader& PictureLoader::instance()
{
    static PictureLoader loader;
    return loader;
}

QImage PictureLoader::picture(const QString& name, int shownAt)
{
    return decoded(name, shownAt, [&name] { return Modulo1::picturePath(name); });
}

QImage PictureLoader::pictureFile(const QString& path, int shownAt)
{
    // Kept under a name no word has (a word has no control character), so a file and a word
    // never share a decode.
    return decoded(QChar(u'\0') + path, shownAt, [&path] { return path; });
}

QImage PictureLoader::decoded(const QString& name, int shownAt, const std::function<QString()>& picturePath)
{
    int side = MaxSide;
    if (shownAt > 0) {
        // A power of two, which the files' 1024 pixels give straight from the JPEG's own
        // scaling, and no more than the screen needs: up to a third smaller than shown (the
        // 400-pixel pictures of old were shown at nearly twice their size on a full-HD screen).
        // Decoding twice the side would cost a small screen more for a difference nobody sees
        // there; a 4K whiteboard still gets the whole 1024.
        side = 32;
        while (side * 3 < shownAt * 2 && side < MaxSide)
            side *= 2;
    }
    const QPair<QString, int> key(name, side);
    ++asks_;
    const auto found = cache_.find(key);
    if (found != cache_.end()) {
        found->used = asks_;
        return found->image;
    }

    const QString path = picturePath();
    QImage image;
    ++decodes_;
    // Only a regular file is opened: a fifo or a device in a picture's place would block the
    // program for good.
    if (!QFileInfo(path).isFile()) {
        qCWarning(lcPictures) << "cannot show picture" << path << "- not a picture file";
    } else {
        QString why;
        if (!readJpeg(path, side, image, why)) {
            // A unit a teacher made may have PNG pictures; nothing but JPEG and PNG is read.
            QImageReader reader(path);
            reader.setDecideFormatFromContent(true);
            if (reader.format() == "png" || reader.format() == "jpeg") {
                // No control shows a picture larger than this: a huge file is decoded down to
                // it, so it costs megabytes, not gigabytes.
                const QSize scaled = decodedSize(reader.size(), side);
                if (scaled.isValid())
                    reader.setScaledSize(scaled);
                image = reader.read();
                why = reader.errorString();
            } else {
                why = QStringLiteral("neither a JPEG nor a PNG picture");
            }
        }
        if (image.isNull())
            qCWarning(lcPictures) << "cannot show picture" << path << "-" << why;
        else
            image = image.convertToFormat(QImage::Format_RGB32);
    }
    // A failed file is kept too, so it is reported once and not retried per question.
    cache_.insert(key, {image, asks_});
    trim();
    return image;
}

void PictureLoader::letGo(QImage& image)
{
    const qint64 held = image.cacheKey();
    image = QImage();
    if (held == 0)
        return;
    for (auto kept = cache_.begin(); kept != cache_.end(); ++kept) {
        if (kept->image.cacheKey() == held) {
            if (kept->image.isDetached())
                cache_.erase(kept);
            return;
        }
    }
}

QPixmap PictureLoader::copy(const QString& name, QSize box, qreal ratio)
{
    const auto [first, last] = copies_.equal_range(name);
    for (auto kept = first; kept != last; ++kept) {
        if (kept->box == box && kept->pixmap.devicePixelRatio() == ratio) {
            kept->used = ++asks_;
            return kept->pixmap;
        }
    }
    return QPixmap();
}

void PictureLoader::keepCopy(const QString& name, QSize box, const QPixmap& copy)
{
    copies_.insert(name, {box, copy, ++asks_});
    trim();
}

void PictureLoader::trim()
{
    // What no control holds, decodes and copies alike: when it was last asked for, its bytes,
    // and which it is (a decode's key; a copy's word, and its picture's key).
    struct Unheld
    {
        quint64 used;
        qsizetype bytes;
        QPair<QString, int> key;
        qint64 copy;
    };
    std::vector<Unheld> unheld;
    qsizetype bytes = 0;
    for (auto kept = cache_.cbegin(); kept != cache_.cend(); ++kept)
        if (kept->image.isDetached())
            unheld.push_back({kept->used, kept->image.sizeInBytes(), kept.key(), 0});
    for (auto kept = copies_.cbegin(); kept != copies_.cend(); ++kept)
        if (kept->pixmap.isDetached())
            unheld.push_back({kept->used,
                              qsizetype(kept->pixmap.width()) * kept->pixmap.height() * kept->pixmap.depth() / 8,
                              {kept.key(), 0},
                              kept->pixmap.cacheKey()});
    for (const Unheld& one : unheld)
        bytes += one.bytes;
    std::sort(unheld.begin(), unheld.end(), [](const Unheld& a, const Unheld& b) { return a.used < b.used; });
    for (const Unheld& oldest : unheld) {
        if (bytes <= KeptBytes)
            break;
        bytes -= oldest.bytes;
        if (!oldest.copy) {
            cache_.remove(oldest.key);
            continue;
        }
        const auto [first, last] = copies_.equal_range(oldest.key.first);
        for (auto kept = first; kept != last; ++kept) {
            if (kept->pixmap.cacheKey() == oldest.copy) {
                copies_.erase(kept);
                break;
            }
        }
    }
}

void PictureLoader::clearCache()
{
    cache_.clear();
    copies_.clear();
}

qreal deviceRatio(const QPainter& painter)
{
    const QTransform t = painter.deviceTransform();
    // Below 1 (a shrunken rendering), pictures at the logical size still serve.
    return std::max(1.0, std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22())));
}

PictureBox::PictureBox(QWidget* parent) : Clickable(parent, QAccessible::Graphic)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureBox::setWord(const QString& word)
{
    PictureLoader& loader = PictureLoader::instance();
    loader.letGo(image_);
    word_ = word;
    scaled_ = QPixmap();
    decodedFor_ = 0;
    // A word with a scaled copy kept (on show, or shown lately) is copied when painted. So is
    // one for a box not on show yet, its screen being built at a size it will not keep: it is
    // decoded when first painted, at the size and ratio it is painted at, and the boxes of a
    // screen are decoded one after another instead of all held at once. Another is decoded
    // now, for the size the box has (painting at a larger size decodes it larger).
    if (loader.hasCopy(word)) {
        hasPicture_ = true;
    } else if (!isVisible()) {
        hasPicture_ = QFileInfo(Modulo1::picturePath(word)).isFile();
        if (!hasPicture_)
            loader.picture(word); // reported, once
    } else {
        decodedFor_ = qCeil(qMax(width(), height()) * devicePixelRatioF());
        image_ = loader.picture(word, decodedFor_);
        hasPicture_ = !image_.isNull();
    }
    setAccessibleName(word);
    update();
}

void PictureBox::setImage(const QImage& image, const QString& accessibleName)
{
    if (!word_.isEmpty())
        PictureLoader::instance().letGo(image_);
    word_.clear();
    decodedFor_ = 0;
    image_ = image;
    hasPicture_ = !image_.isNull();
    scaled_ = QPixmap();
    setAccessibleName(accessibleName);
    update();
}

const QPixmap& PictureBox::fitted(QSize box, qreal ratio)
{
    const QSize device = (QSizeF(box) * ratio).toSize();
    if (device.isEmpty() || (!scaled_.isNull() && scaledFor_ == device && scaled_.devicePixelRatio() == ratio))
        return scaled_;
    scaledFor_ = device;
    PictureLoader& loader = PictureLoader::instance();
    if (!word_.isEmpty()) {
        scaled_ = loader.copy(word_, device, ratio);
        if (!scaled_.isNull()) {
            loader.letGo(image_);
            return scaled_;
        }
        const int side = qMax(device.width(), device.height());
        if (image_.isNull() || side > decodedFor_) {
            decodedFor_ = side;
            image_ = loader.picture(word_, side);
        }
    }
    scaled_ = QPixmap();
    if (image_.isNull()) // the file went wrong since
        return scaled_;
    scaled_ = QPixmap::fromImage(image_.scaled(image_.size().scaled(device, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio,
                                               Qt::SmoothTransformation));
    scaled_.setDevicePixelRatio(ratio);
    if (!word_.isEmpty()) {
        // Shared from now on; the file is decoded again only should the box change size.
        loader.keepCopy(word_, device, scaled_);
        loader.letGo(image_);
    }
    return scaled_;
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
    if (hasPicture_) {
        const qreal ratio = deviceRatio(painter);
        const QPixmap& picture = fitted(size(), ratio);
        if (!picture.isNull()) {
            // Centred on whole device pixels: copied as it is, not resampled half a pixel off.
            const QSize device = (QSizeF(size()) * ratio).toSize();
            painter.drawPixmap(QPointF((device.width() - picture.width()) / 2 / ratio,
                                       (device.height() - picture.height()) / 2 / ratio),
                               picture);
            return;
        }
    }
    if (word_.isEmpty())
        return;
    // The card that stands in for a missing picture: the word, large, on white.
    QPainterPath card;
    card.addRoundedRect(area, area.width() * 0.08, area.width() * 0.08);
    painter.fillPath(card, Qt::white);
    painter.setPen(QPen(QColor(0x8e, 0x7c, 0xc3), 3));
    painter.drawPath(card);
    QFont font(QStringLiteral("Comic Neue"));
    font.setBold(true);
    font.setPixelSize(qMax(8, int(area.height() / 5)));
    QFontMetrics metrics(font);
    while (font.pixelSize() > 8 && metrics.horizontalAdvance(word_) > area.width() * 0.9) {
        font.setPixelSize(font.pixelSize() - 1);
        metrics = QFontMetrics(font);
    }
    painter.setFont(font);
    painter.setPen(QColor(0x30, 0x30, 0x60));
    painter.drawText(area, Qt::AlignCenter, word_);
}
