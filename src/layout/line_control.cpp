// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout/line_control.h"

#include <QPainter>

#include <cmath>

LineControl::LineControl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineControl::setLine(double x1, double y1, double x2, double y2)
{
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    // The widget covers the line's bounding box plus the pen, so the ends are not clipped.
    const int margin = penWidth_;
    const int left = int(std::floor(std::min(x1, x2))) - margin;
    const int top = int(std::floor(std::min(y1, y2))) - margin;
    const int right = int(std::ceil(std::max(x1, x2))) + margin;
    const int bottom = int(std::ceil(std::max(y1, y2))) + margin;
    setGeometry(left, top, right - left, bottom - top);
    update();
}

void LineControl::setPenWidth(int width)
{
    penWidth_ = width;
    setLine(x1_, y1_, x2_, y2_);
}

void LineControl::setColor(const QColor& color)
{
    color_ = color;
    update();
}

void LineControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color_, penWidth_, Qt::SolidLine, Qt::RoundCap));
    const QPointF origin = pos();
    painter.drawLine(QPointF(x1_, y1_) - origin, QPointF(x2_, y2_) - origin);
}
