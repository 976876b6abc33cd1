// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A straight line drawn between two end points given in its parent's coordinates.
// The scaler moves it by its end points, as a drawn line would be.

#include <QColor>
#include <QWidget>

class LineControl : public QWidget
{
    Q_OBJECT
public:
    explicit LineControl(QWidget* parent = nullptr);

    void setLine(double x1, double y1, double x2, double y2);
    double X1() const { return x1_; }
    double Y1() const { return y1_; }
    double X2() const { return x2_; }
    double Y2() const { return y2_; }
    void setX1(double v) { setLine(v, y1_, x2_, y2_); }
    void setY1(double v) { setLine(x1_, v, x2_, y2_); }
    void setX2(double v) { setLine(x1_, y1_, v, y2_); }
    void setY2(double v) { setLine(x1_, y1_, x2_, v); }

    void setPenWidth(int width);
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    int penWidth_ = 2;
    QColor color_ = Qt::black;
};
