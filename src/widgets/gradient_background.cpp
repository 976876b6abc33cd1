// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/gradient_background.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

GradientBackground::GradientBackground(QWidget* parent)
    : Clickable(parent, QAccessible::Pane), top_(0xbf, 0xe9, 0xff), bottom_(0xff, 0xf3, 0xc4)
{
    setObjectName(QStringLiteral("ARGradient1"));
    setAccessibleName(QStringLiteral("background"));
}

void GradientBackground::setColors(const QColor& top, const QColor& bottom)
{
    top_ = top;
    bottom_ = bottom;
    update();
}

namespace {

// A strip of the gradient, as wide as this and as high as the screen, drawn once for every
// screen that has the same height and colours (all of them): a screen then paints its
// background by copying it side by side, which costs a fraction of working out the colours.
constexpr int StripWidth = 64;

const QPixmap& strip(int height, const QColor& top, const QColor& bottom)
{
    static QPixmap kept;
    static QColor keptTop, keptBottom;
    if (kept.height() == height && keptTop == top && keptBottom == bottom)
        return kept;
    QImage image(StripWidth, height, QImage::Format_RGB32);
    const double h = std::max(1, height);
    for (int y = 0; y < height; ++y) {
        // Top to bottom, so each row is one colour.
        const double t = (y + 0.5) / h;
        const QColor colour = QColor::fromRgbF(float(top.redF() + (bottom.redF() - top.redF()) * t),
                                               float(top.greenF() + (bottom.greenF() - top.greenF()) * t),
                                               float(top.blueF() + (bottom.blueF() - top.blueF()) * t));
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), StripWidth, colour.rgb());
    }
    kept = QPixmap::fromImage(image);
    keptTop = top;
    keptBottom = bottom;
    return kept;
}

} // namespace

void GradientBackground::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect() & rect();
    if (area.isEmpty() || height() < 1)
        return;
    painter.drawTiledPixmap(area, strip(height(), top_, bottom_), QPoint(area.left() % StripWidth, area.top()));
}
