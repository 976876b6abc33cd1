#include "app/app_window.h"

#include "app/click_guard.h"
#include "app/screen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

AppWindow::AppWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Munchora"));
    setAccessibleName(QStringLiteral("Munchora"));
    ClickGuard::install();
}

AppWindow::~AppWindow() = default;

void AppWindow::showScreen(Screen* screen)
{
    QPointer<Screen> previous = current_;
    QPointer<Screen> previousOverlay = overlay_;
    current_ = screen;
    overlay_ = nullptr;
    screen->setParent(this);
    screen->setHost(this);
    screen->Form_Load();
    screen->show();
    screen->raise();
    QPointer<Screen> shown(screen);
    screen->Form_Activate(); // may wait for silence, and the screen may be left meanwhile
    if (previousOverlay)
        unload(previousOverlay);
    if (previous && previous != screen)
        unload(previous);
    if (!shown || current_ != shown)
        return;
    ClickGuard::arm();
}

void AppWindow::showOverlay(Screen* overlay)
{
    if (overlay_)
        unload(overlay_);
    overlay_ = overlay;
    // The screen beneath stays loaded but takes no input (keys, Tab) while it is covered.
    if (current_)
        current_->setEnabled(false);
    overlay->setParent(this);
    overlay->setHost(this);
    overlay->Form_Load();
    overlay->show();
    overlay->raise();
    overlay->Form_Activate();
    ClickGuard::arm();
}

void AppWindow::closeOverlay()
{
    if (!overlay_)
        return;
    unload(overlay_);
    overlay_ = nullptr;
    if (current_) {
        current_->setEnabled(true);
        current_->Form_Activate();
    }
    ClickGuard::arm();
}

void AppWindow::unload(Screen* screen)
{
    // The keyboard focus leaves with the screen and goes nowhere: hidden with the focus, the
    // screen would hand it to the next control of the new screen, which would then look chosen
    // before the child chose anything. Tab still leads to the first control.
    if (QWidget* focus = QApplication::focusWidget(); focus && screen->isAncestorOf(focus))
        focus->clearFocus();
    // Deferred, because a screen often unloads itself from one of its own handlers.
    screen->hide();
    screen->setEnabled(false);
    screen->deleteLater();
}

void AppWindow::endProgram()
{
    if (overlay_)
        unload(overlay_);
    if (current_)
        unload(current_);
    overlay_ = nullptr;
    current_ = nullptr;
    ending_ = true;
    emit programEnded();
    QCoreApplication::exit(0);
}

void AppWindow::closeEvent(QCloseEvent* event)
{
    if (ending_) {
        event->accept();
        return;
    }
    // Closing the window is the screen's own way out, with its question; nothing ends here.
    event->ignore();
    askTheScreenToClose();
}

void AppWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape is the keyboard's way out, as closing the window is.
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        askTheScreenToClose();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AppWindow::askTheScreenToClose()
{
    if (QApplication::activeModalWidget())
        return; // a box is asking already
    if (Screen* screen = overlay_ ? overlay_.data() : current_.data())
        screen->closeRequested();
}

void AppWindow::showFullScreenOnItsScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->geometry());
    showFullScreen();
}

void AppWindow::showWindowed()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect free = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize size = QSize(Screen::DesignWidth, Screen::DesignHeight).scaled(free.size() * 0.85, Qt::KeepAspectRatio);
    resize(size);
    move(free.center() - QPoint(size.width() / 2, size.height() / 2));
    showNormal();
}

void AppWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A screen that has been placed fills the window; follow a change of display size.
    for (Screen* screen : {current_.data(), overlay_.data()}) {
        if (screen && screen->pos() == QPoint(0, 0))
            screen->resize(size());
    }
}

void AppWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(0xbf, 0xe9, 0xff));
    gradient.setColorAt(1, QColor(0xff, 0xf3, 0xc4));
    painter.fillRect(rect(), gradient);
}
