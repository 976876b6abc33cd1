// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The decorative background of most screens: a soft vertical gradient that fills the screen.
// On the splash a click on it leaves for the menu; elsewhere nothing listens to it.

#include "shell/clickable.h"

#include <QColor>

class GradientBackground : public Clickable
{
    Q_OBJECT
public:
    explicit GradientBackground(QWidget* parent = nullptr);
    void setColors(const QColor& top, const QColor& bottom);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor top_;
    QColor bottom_;
};
