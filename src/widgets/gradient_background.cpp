#include "widgets/gradient_background.h"

#include <QPaintEvent>
#include <QPainter>

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

void GradientBackground::paintEvent(QPaintEvent* event)
{
    // Top to bottom, so each row is one colour: rows of plain colour cost a fraction of a
    // gradient fill, which works pixel by pixel, over a full screen.
    QPainter painter(this);
    const QRect area = event->rect() & rect();
    const double h = std::max(1, height());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const double t = (y + 0.5) / h;
        const QColor colour = QColor::fromRgbF(float(top_.redF() + (bottom_.redF() - top_.redF()) * t),
                                               float(top_.greenF() + (bottom_.greenF() - top_.greenF()) * t),
                                               float(top_.blueF() + (bottom_.blueF() - top_.blueF()) * t));
        painter.fillRect(QRect(area.left(), y, area.width(), 1), colour);
    }
}
