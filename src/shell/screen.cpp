// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/screen.h"

#include "layout/clsresize.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

Screen::Screen(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    resize(DesignWidth, DesignHeight);
}

Screen::~Screen() = default;

void Screen::Form_Load()
{
    scaler_ = std::make_unique<clsResize>();
    scaler_->setSourceForm(this);
    scaler_->SizeFormToScreen(75);
}

void Screen::Form_Activate()
{
    placeFullScreen();
}

QRect Screen::placeIn(QSize area)
{
    // The designs are 4:3. A school's 5:4 monitor squeezes them a little and a projector's 16:9
    // stretches them a third wider, as they always have; beyond that the words and pictures
    // would be drawn out of shape.
    const double narrowest = 5.0 / 4.0, widest = 16.0 / 9.0;
    QSize size = area;
    if (area.height() > 0 && double(area.width()) / area.height() < narrowest)
        size.setHeight(qRound(area.width() / narrowest));
    else if (area.height() > 0 && double(area.width()) / area.height() > widest)
        size.setWidth(qRound(area.height() * widest));
    return {QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size};
}

void Screen::placeFullScreen()
{
    placed_ = true;
    setGeometry(placeIn(clsResize::displaySize(this)));
}

void Screen::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (scaler_)
        scaler_->ResizeControls();
}

void Screen::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xfd, 0xf6, 0xe3));
}

void Screen::setEdgeColours(const QColor& top, const QColor& bottom)
{
    top_ = top;
    bottom_ = bottom;
    if (QWidget* window = parentWidget())
        window->update();
}
