#include "app/screen.h"

#include "layout/clsresize.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

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

QFont Screen::designFont(const QString& family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

GradientBackground::GradientBackground(QWidget* parent)
    : QWidget(parent), top_(0xbf, 0xe9, 0xff), bottom_(0xff, 0xf3, 0xc4)
{
    setObjectName(QStringLiteral("ARGradient1"));
}

void GradientBackground::setColors(const QColor& top, const QColor& bottom)
{
    top_ = top;
    bottom_ = bottom;
    update();
}

void GradientBackground::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, top_);
    gradient.setColorAt(1, bottom_);
    painter.fillRect(rect(), gradient);
}

void GradientBackground::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
