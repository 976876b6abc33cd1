// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/picture_button.h"

#include "widgets/pictures.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

PictureButton::PictureButton(const QString& caption, ButtonPicture picture, int variant, const QColor& colour,
                             Shape shape, QWidget* parent)
    : QPushButton(caption, parent), picture_(picture), variant_(variant), shape_(shape), colour_(colour)
{
    setAccessibleName(caption);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void PictureButton::setUnitPictures(const QStringList& files)
{
    unitPictures_ = files;
    cached_ = QPixmap();
    update();
}

QPixmap PictureButton::pictureAt(const QSize& size, qreal ratio)
{
    if (!cached_.isNull() && cached_.size() == size * ratio && cached_.devicePixelRatio() == ratio
        && cachedEnabled_ == isEnabled())
        return cached_;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    // A button whose screen is not there yet shows a faded picture.
    if (!isEnabled())
        painter.setOpacity(0.35);
    drawButtonPicture(painter, QRectF(QPointF(0, 0), QSizeF(size)), picture_, variant_, unitPictures_);
    painter.end();
    cached_ = pixmap;
    cachedEnabled_ = isEnabled();
    return cached_;
}

PictureButton::Parts PictureButton::parts() const
{
    Parts parts;
    parts.side = std::min(width(), height());
    parts.border = std::max(2.0, parts.side * 0.025);
    parts.radius = parts.side * 0.14;
    parts.pad = parts.side * 0.07;
    parts.tile = QRectF(rect()).adjusted(parts.border, parts.border, -parts.border, -parts.border - parts.side * 0.03);
    const double pad = parts.pad;
    const QRectF inner = parts.tile.adjusted(pad, pad, -pad, -pad);
    if (shape_ == Shape::Bar) {
        // A bar: the picture on the left, the caption beside it.
        parts.panel = QRectF(inner.left(), inner.top(), inner.height(), inner.height());
        parts.caption = QRectF(parts.panel.right() + pad, inner.top(), inner.right() - parts.panel.right() - pad,
                               inner.height());
        return parts;
    }
    double captionHeight = inner.height() * 0.37;
    if (captionLines_ > 0)
        captionHeight = std::min(inner.height() * 0.5, captionLines_ * QFontMetricsF(font()).lineSpacing() + pad * 0.3);
    parts.panel = QRectF(inner.left(), inner.top(), inner.width(), inner.height() - captionHeight - pad * 0.4);
    parts.caption = QRectF(inner.left(), inner.bottom() - captionHeight, inner.width(), captionHeight);
    return parts;
}

void PictureButton::setCaptionLines(int lines)
{
    if (lines == captionLines_)
        return;
    captionLines_ = lines;
    update();
}

bool PictureButton::captionFitsOneLine(double pixelSize) const
{
    const double pad = std::min(width(), height()) * 0.07;
    const double available = width() - 2 * std::max(2.0, std::min(width(), height()) * 0.025) - 2 * pad;
    // Measured large, where hinting and whole pixels no longer count, and scaled down.
    constexpr int Large = 200;
    QFont large = font();
    large.setPixelSize(Large);
    return QFontMetricsF(large).horizontalAdvance(text()) * pixelSize / Large <= available;
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Parts parts = this->parts();
    const double side = parts.side;
    const double border = parts.border;
    const double radius = parts.radius;
    const double pad = parts.pad;
    const bool enabled = isEnabled();
    const bool down = isDown();
    const bool hover = enabled && underMouse();
    const double press = down ? side * 0.025 : 0.0;
    const QRectF tile = parts.tile.translated(0, press);
    const QRectF panel = parts.panel.translated(0, press);
    const QRectF captionArea = parts.caption.translated(0, press);

    QColor fill = enabled ? colour_ : QColor(0xdd, 0xdd, 0xdd);
    if (hover)
        fill = fill.lighter(110);
    if (down)
        fill = fill.darker(112);
    const QColor edge = enabled ? colour_.darker(150) : QColor(0xb0, 0xb0, 0xb0);

    // Shadow, then the tile with a soft top light.
    if (!down) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, enabled ? 45 : 20));
        p.drawRoundedRect(tile.translated(0, side * 0.03), radius, radius);
    }
    QLinearGradient gradient(tile.topLeft(), tile.bottomLeft());
    gradient.setColorAt(0, fill.lighter(125));
    gradient.setColorAt(1, fill);
    p.setPen(QPen(edge, border));
    p.setBrush(gradient);
    p.drawRoundedRect(tile, radius, radius);

    p.setPen(Qt::NoPen);
    p.setBrush(enabled ? QColor(Qt::white) : QColor(0xf2, 0xf2, 0xf2));
    p.drawRoundedRect(panel, radius * 0.6, radius * 0.6);
    const QRectF pictureArea = panel.adjusted(pad * 0.4, pad * 0.4, -pad * 0.4, -pad * 0.4);
    const QRect target = pictureArea.toAlignedRect();
    if (target.width() > 1 && target.height() > 1)
        p.drawPixmap(target.topLeft(), pictureAt(target.size(), deviceRatio(p)));

    // The caption, as large as the font asks, smaller only when it would not fit.
    QFont font = this->font();
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    for (int guard = 0; guard < 40 && font.pixelSize() > 6; ++guard) {
        const QRectF needed = QFontMetricsF(font).boundingRect(captionArea, flags, text());
        if (needed.width() <= captionArea.width() && needed.height() <= captionArea.height())
            break;
        font.setPixelSize(font.pixelSize() - 1);
    }
    p.setFont(font);
    p.setPen(enabled ? QColor(0x1d, 0x1f, 0x3a) : QColor(0x8a, 0x8a, 0x8a));
    p.drawText(captionArea, flags, text());
    // The focus ring is the host window's (shell/keyboard_navigation.h).
}

void PictureButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QPushButton::changeEvent(event);
}

void PictureButton::enterEvent(QEnterEvent* event)
{
    update();
    QPushButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event)
{
    update();
    QPushButton::leaveEvent(event);
}
