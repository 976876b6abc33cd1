// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/app_window.h"

#include "layout/clsresize.h"
#include "shell/click_guard.h"
#include "shell/clickable.h"
#include "shell/dialogs.h"
#include "shell/keyboard_navigation.h"
#include "shell/screen.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QPainter>
#include <QScreen>

// Which screen is up, for whoever follows a lesson (or a test) from outside the program.
Q_LOGGING_CATEGORY(lcScreens, "munchora.screens", QtInfoMsg)

AppWindow::AppWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Munchora"));
    setAccessibleName(QStringLiteral("Munchora"));
    ClickGuard::install();
    ring_ = new FocusRing(this);
    // Keys reach the focused control first; the window sees them on their way (see eventFilter).
    qApp->installEventFilter(this);
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this] { updateRing(); });
}

AppWindow::~AppWindow()
{
    // The screens go with QWidget's destructor, moving the focus: nothing of AppWindow may answer.
    disconnect(focusWatch_);
    qApp->removeEventFilter(this);
}

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
    update(); // beyond a screen that does not fill the window, its colours go on
    QPointer<Screen> shown(screen);
    screen->Form_Activate(); // a screen may leave itself at once (a box answered synchronously)
    if (previousOverlay)
        unload(previousOverlay);
    if (previous && previous != screen)
        unload(previous);
    if (!shown || current_ != shown)
        return;
    settleFocus(shown);
    ClickGuard::arm();
    qCDebug(lcScreens).noquote() << shown->objectName() << "shown";
}

void AppWindow::showOverlay(Screen* overlay)
{
    if (overlay_)
        unload(overlay_);
    overlay_ = overlay;
    if (QWidget* focus = focusWidget(); current_ && focus && current_->isAncestorOf(focus))
        focusBeforeOverlay_ = focus;
    // The screen beneath stays loaded but takes no input (keys, Tab) while it is covered.
    if (current_)
        current_->setEnabled(false);
    overlay->setParent(this);
    overlay->setHost(this);
    overlay->Form_Load();
    overlay->show();
    overlay->raise();
    QPointer<Screen> shown(overlay);
    overlay->Form_Activate();
    if (shown && overlay_ == shown)
        settleFocus(shown);
    ClickGuard::arm();
}

namespace {
AppWindow::HomeScreens homeScreens;
} // namespace

void AppWindow::setHomeScreens(HomeScreens makers)
{
    homeScreens = std::move(makers);
}

void AppWindow::showMenu()
{
    if (homeScreens.menu)
        showScreen(homeScreens.menu());
}

void AppWindow::showVoiceSettings()
{
    if (homeScreens.voiceSettings)
        showOverlay(homeScreens.voiceSettings());
}

void AppWindow::closeOverlay()
{
    if (!overlay_)
        return;
    unload(overlay_);
    overlay_ = nullptr;
    if (current_) {
        QPointer<Screen> shown(current_);
        current_->setEnabled(true);
        current_->Form_Activate();
        if (shown && current_ == shown && !overlay_)
            settleFocus(shown, focusBeforeOverlay_);
        focusBeforeOverlay_ = nullptr;
    }
    ClickGuard::arm();
}

void AppWindow::unload(Screen* screen)
{
    // The keyboard focus leaves with the screen: hidden with the focus, the screen would hand
    // it on by Qt's own order. The new screen's focus is settled on its own (settleFocus).
    if (QWidget* focus = focusWidget(); focus && screen->isAncestorOf(focus))
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
    // The question is asked from the event loop, not from inside this close: while Qt is still
    // in one close it takes a second one, made meanwhile (a question or a wait for speech runs
    // the loop), as accepted, and the window would vanish.
    event->ignore();
    QMetaObject::invokeMethod(this, &AppWindow::askTheScreenToClose, Qt::QueuedConnection);
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
    if (Dialogs::current().asking())
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

void AppWindow::comeToFront()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void AppWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A screen that has been placed fills the window; follow a change of display size (a
    // whiteboard turned to portrait, say).
    for (Screen* screen : {current_.data(), overlay_.data()}) {
        if (screen && screen->isPlaced())
            screen->setGeometry(Screen::placeIn(size()));
    }
}

void AppWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Where a screen does not fill the window (a portrait whiteboard), the screens' own
    // gradient goes on beyond them in their top and bottom colours, so there is no seam.
    const QRect area = Screen::placeIn(size());
    const Screen* screen = current_ ? current_.data() : nullptr;
    QLinearGradient gradient(0, area.top(), 0, area.bottom() + 1);
    gradient.setColorAt(0, screen ? screen->topColour() : QColor(0xbf, 0xe9, 0xff));
    gradient.setColorAt(1, screen ? screen->bottomColour() : QColor(0xff, 0xf3, 0xc4));
    painter.fillRect(rect(), gradient);
}

void AppWindow::mouseReleaseEvent(QMouseEvent* event)
{
    // The press was on the window itself too, or the screen beneath would have this release.
    Screen* screen = activeScreen();
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && screen && rect().contains(at) && !screen->geometry().contains(at))
        screen->edgeClicked();
    QWidget::mouseReleaseEvent(event);
}

Screen* AppWindow::activeScreen() const
{
    Screen* screen = overlay_ ? overlay_.data() : current_.data();
    return screen && screen->parentWidget() == this ? screen : nullptr;
}

void AppWindow::settleFocus(Screen* screen, QWidget* preferred)
{
    QWidget* focus = focusWidget();
    if (focus && isKeyboardControl(focus, screen)) {
        updateRing();
        return; // the screen chose (the first thing to answer)
    }
    if (isKeyboardControl(preferred, screen)) {
        preferred->setFocus(Qt::OtherFocusReason);
    } else {
        const QList<QWidget*> controls = controlsInReadingOrder(screen);
        if (!controls.isEmpty())
            controls.first()->setFocus(Qt::OtherFocusReason);
    }
    updateRing();
}

bool AppWindow::focusNextPrevChild(bool next)
{
    Screen* root = activeScreen();
    if (!root)
        return false;
    QWidget* to = nextControl(root, focusWidget(), next);
    if (!to)
        return false;
    to->setFocus(Qt::OtherFocusReason);
    return true;
}

void AppWindow::updateRing()
{
    Screen* root = activeScreen();
    QWidget* focus = focusWidget();
    if (!keyboardInUse_ || !root || !focus || !root->isAncestorOf(focus) || !focus->isVisible()) {
        ring_->follow(nullptr, 1.0);
        return;
    }
    double scale = 1.0;
    if (const clsResize* scaler = root->scaler()) {
        const QRect unit = scaler->toWindow(QRectF(0, 0, 1000, 1000));
        if (unit.width() > 0 && unit.height() > 0)
            scale = std::min(unit.width(), unit.height()) / 1000.0;
    }
    ring_->follow(focus, scale);
}

bool AppWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (!watched->isWidgetType())
            break;
        auto* receiver = static_cast<QWidget*>(watched);
        if (receiver->window() != this || Dialogs::current().asking() || QApplication::activePopupWidget())
            break;
        if (handleKey(receiver, static_cast<QKeyEvent*>(event)))
            return true;
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::TouchBegin:
        if (keyboardInUse_ && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
            keyboardInUse_ = false;
            updateRing();
        }
        break;
    case QEvent::FocusIn: {
        // A box takes its first focus as if by Tab; that says nothing of the keyboard here.
        if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this)
            break;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
            keyboardInUse_ = true;
        else if (reason == Qt::MouseFocusReason)
            keyboardInUse_ = false;
        break;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

bool AppWindow::handleKey(QWidget* receiver, QKeyEvent* event)
{
    Screen* root = activeScreen();
    if (!root || !root->isEnabled())
        return false;
    // The window's own record of its focus: it holds even while another window is active.
    QWidget* focus = focusWidget();
    // Only keys for this screen: its focused control, or the window while nothing has the focus.
    if (receiver != focus && !(focus == nullptr && receiver == this))
        return false;
    if (focus && !root->isAncestorOf(focus))
        focus = nullptr;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (modifiers != Qt::NoModifier)
        return false;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    int key = event->key();
    if (key == Qt::Key_Tab && shift)
        key = Qt::Key_Backtab;
    const bool tab = key == Qt::Key_Tab || key == Qt::Key_Backtab;
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (tab || (arrow && !shift && !usesArrowKeys(focus))) {
        QWidget* to = focusAfterKey(root, focus, key, !keyboardInUse_);
        keyboardInUse_ = true;
        if (to && to != focus)
            to->setFocus(key == Qt::Key_Backtab ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        updateRing();
        return true;
    }
    if (shift)
        return false;

    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: {
        if (!focus || !isKeyboardControl(focus, root) || usesArrowKeys(focus))
            return false;
        if (event->isAutoRepeat())
            return true; // a held key presses once
        keyboardInUse_ = true;
        updateRing();
        // The press a click gives; it may unload the screen.
        if (auto* control = qobject_cast<Clickable*>(focus))
            control->press();
        else if (auto* button = qobject_cast<QAbstractButton*>(focus))
            button->click();
        return true;
    }
    default: return false;
    }
}
