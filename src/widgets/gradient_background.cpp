// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/gradient_background.h"

#include "shell/screen.h"
#include "widgets/pictures.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

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
    if (auto* screen = qobject_cast<Screen*>(parentWidget()))
        screen->setEdgeColours(top, bottom);
}

namespace {

// A strip of the gradient, as wide as this and as high as the screen in device pixels, drawn
// once for every screen that has the same height and colours (all of them): a screen then
// paints its background by copying it side by side, which costs a fraction of working out the
// colours.
constexpr int StripWidth = 64;

const QPixmap& strip(int height, qreal ratio, const QColor& top, const QColor& bottom)
{
    static QPixmap kept;
    static int keptHeight = 0;
    static QColor keptTop, keptBottom;
    if (!kept.isNull() && keptHeight == height && kept.devicePixelRatio() == ratio && keptTop == top
        && keptBottom == bottom)
        return kept;
    // Rounded up: a last row short of the bottom would leave a seam there.
    const int rows = std::max(1, int(std::ceil(height * ratio)));
    QImage image(StripWidth, rows, QImage::Format_RGB32);
    const double h = rows;
    for (int y = 0; y < rows; ++y) {
        // Top to bottom, so each row is one colour.
        const double t = (y + 0.5) / h;
        const QColor colour = QColor::fromRgbF(float(top.redF() + (bottom.redF() - top.redF()) * t),
                                               float(top.greenF() + (bottom.greenF() - top.greenF()) * t),
                                               float(top.blueF() + (bottom.blueF() - top.blueF()) * t));
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), StripWidth, colour.rgb());
    }
    kept = QPixmap::fromImage(std::move(image));
    kept.setDevicePixelRatio(ratio);
    keptHeight = height;
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
    // Every column is alike, so the strip lines up with the top alone.
    painter.drawTiledPixmap(area, strip(height(), deviceRatio(painter), top_, bottom_), QPoint(0, area.top()));
}
