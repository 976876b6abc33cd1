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

void Screen::placeFullScreen()
{
    setGeometry(QRect(QPoint(0, 0), clsResize::displaySize(this)));
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
