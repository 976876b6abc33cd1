#pragma once

#include <QColor>
#include <QWidget>

// The decorative background of most screens: a soft vertical gradient that fills the screen.
class GradientBackground : public QWidget
{
    Q_OBJECT
public:
    explicit GradientBackground(QWidget* parent = nullptr);
    void setColors(const QColor& top, const QColor& bottom);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor top_;
    QColor bottom_;
};
