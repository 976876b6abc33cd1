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
    int side = MaxSide;
    if (shownAt > 0) {
        side = 32;
        while (side < shownAt && side < MaxSide)
            side *= 2;
    }
    const QPair<QString, int> key(name, side);
    const auto found = cache_.constFind(key);
    if (found != cache_.constEnd())
        return found.value();

    const QString path = Modulo1::picturePath(name);
    QImage image;
    ++decodes_;
    // Only a regular file is opened: a fifo or a device in a picture's place would block the
    // program for good.
    if (!QFileInfo(path).isFile()) {
        qCWarning(lcPictures) << "cannot show picture" << path << "- not a picture file";
    } else {
        QString why;
        if (!readJpeg(path, side, image, why)) {
            QImageReader reader(path, "jpg");
            // No control shows a picture larger than this: a huge file is decoded down to it,
            // so it costs megabytes, not gigabytes.
            const QSize scaled = decodedSize(reader.size(), side);
            if (scaled.isValid())
                reader.setScaledSize(scaled);
            image = reader.read();
            why = reader.errorString();
        }
        if (image.isNull())
            qCWarning(lcPictures) << "cannot show picture" << path << "-" << why;
        else
            image = image.convertToFormat(QImage::Format_RGB32);
    }
    // A failed file is cached too, so it is reported once and not retried per question.
    cache_.insert(key, image);
    return image;
}

void PictureLoader::clearCache()
{
    cache_.clear();
}

PictureBox::PictureBox(QWidget* parent) : Clickable(parent, QAccessible::Graphic)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureBox::setWord(const QString& word)
{
    word_ = word;
    // Decoded for the size the box has now; painting at a larger size decodes it larger.
    decodedFor_ = qMax(width(), height());
    image_ = PictureLoader::instance().picture(word, decodedFor_);
    setAccessibleName(word);
    update();
}

void PictureBox::setImage(const QImage& image, const QString& accessibleName)
{
    word_.clear();
    decodedFor_ = 0;
    image_ = image;
    setAccessibleName(accessibleName);
    update();
}

const QPixmap& PictureBox::fitted(QSize box)
{
    if (!word_.isEmpty() && decodedFor_ > 0 && qMax(box.width(), box.height()) > decodedFor_) {
        decodedFor_ = qMax(box.width(), box.height());
        image_ = PictureLoader::instance().picture(word_, decodedFor_);
    }
    const QSize size = image_.size().scaled(box, Qt::KeepAspectRatio);
    if (scaled_.isNull() || scaledFrom_ != image_.cacheKey() || scaled_.size() != size) {
        scaled_ = QPixmap::fromImage(image_.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        scaledFrom_ = image_.cacheKey();
    }
    return scaled_;
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
    if (!image_.isNull()) {
        const QPixmap& picture = fitted(size());
        painter.drawPixmap((width() - picture.width()) / 2, (height() - picture.height()) / 2, picture);
        return;
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
