#include "app/pictures.h"

#include "app/modulo1.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

Q_LOGGING_CATEGORY(lcPictures, "munchora.pictures", QtInfoMsg)

PictureLoader& PictureLoader::instance()
{
    static PictureLoader loader;
    return loader;
}

QImage PictureLoader::picture(const QString& name)
{
    const auto found = cache_.constFind(name);
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
        QImageReader reader(path, "jpg");
        // No control shows a picture larger than this: a huge file is decoded down to it, so it
        // costs megabytes, not gigabytes.
        const QSize size = reader.size();
        if (size.isValid() && (size.width() > MaxSide || size.height() > MaxSide))
            reader.setScaledSize(size.scaled(MaxSide, MaxSide, Qt::KeepAspectRatio));
        image = reader.read();
        if (image.isNull())
            qCWarning(lcPictures) << "cannot show picture" << path << "-" << reader.errorString();
        else
            image = image.convertToFormat(QImage::Format_RGB32);
    }
    // A failed file is cached too, so it is reported once and not retried per question.
    cache_.insert(name, image);
    return image;
}

void PictureLoader::clearCache()
{
    cache_.clear();
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureBox::setWord(const QString& word)
{
    word_ = word;
    image_ = PictureLoader::instance().picture(word);
    scaled_ = QPixmap();
    setAccessibleName(word);
    update();
}

void PictureBox::setImage(const QImage& image, const QString& accessibleName)
{
    word_.clear();
    image_ = image;
    scaled_ = QPixmap();
    setAccessibleName(accessibleName);
    update();
}

bool PictureBox::isClickable() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&PictureBox::clicked));
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    scaled_ = QPixmap();
    QWidget::resizeEvent(event);
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
    if (!image_.isNull()) {
        if (scaled_.isNull() || scaled_.size() != image_.size().scaled(size(), Qt::KeepAspectRatio)) {
            scaled_ = QPixmap::fromImage(
                image_.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        }
        const QPoint topLeft((width() - scaled_.width()) / 2, (height() - scaled_.height()) / 2);
        painter.drawPixmap(topLeft, scaled_);
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

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    // A tap that slides a little is still a tap: only the release inside counts.
    if (event->button() == Qt::LeftButton && pressed_ && rect().contains(event->position().toPoint())) {
        pressed_ = false;
        emit clicked();
        return;
    }
    pressed_ = false;
}
