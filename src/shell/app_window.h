// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one top-level window of the program. It hosts exactly one of splash, menu and
// exercise or game screen at a time, and the voice settings screen laid over it.

#include "shell/screen.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class FocusRing;

class AppWindow : public QWidget, public ScreenHost
{
    Q_OBJECT
public:
    explicit AppWindow(QWidget* parent = nullptr);
    ~AppWindow() override;

    // Loads a screen: it is built, sized (Form_Load), shown and activated; then the screen
    // that was there is unloaded with all its state.
    void showScreen(Screen* screen) override;
    // Lays a screen over the current one, which stays loaded beneath.
    void showOverlay(Screen* overlay) override;
    // Unloads the overlay; the screen below becomes active again (its Form_Activate runs).
    void closeOverlay() override;
    void showMenu() override;
    void showVoiceSettings() override;

    // The screens the window shows by itself. The program's top hands their makers over at
    // start: nothing in the shell knows their classes.
    struct HomeScreens
    {
        std::function<Screen*()> menu;
        std::function<Screen*()> voiceSettings;
    };
    static void setHomeScreens(HomeScreens makers);

    Screen* currentScreen() const { return current_; }
    Screen* overlay() const { return overlay_; }

    // Ends the program at once: every screen is unloaded without further events.
    void endProgram() override;

    // The ring that shows where the keyboard focus is.
    FocusRing* focusRing() const { return ring_; }
    // Whether the ring shows: from the first key that moves or presses until the next click.
    bool keyboardInUse() const { return keyboardInUse_; }

    // Full screen on the display the window is on (Xvfb without a window manager ignores
    // showFullScreen's size, so the geometry is set first).
    void showFullScreenOnItsScreen();
    // A normal window of the screens' proportions, most of the display's free area; the
    // screens scale to it as they do to a display.
    void showWindowed();
    // Another start of the program found this one: the window comes back from the task bar and
    // asks to be in front, as far as the desktop lets a program ask.
    void comeToFront();

signals:
    void programEnded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Alt+F4 or the window manager's close: "Exit" on the menu, "Go back" elsewhere.
    void closeEvent(QCloseEvent* event) override;
    // Escape does the same.
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // A click on the bands beyond a screen is the screen's.
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Tab, Shift+Tab and a control that loses the focus (hidden, disabled) go on in the
    // screen's reading order.
    bool focusNextPrevChild(bool next) override;
    // Keyboard play on every screen: Tab, the arrows, Return and Space.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void unload(Screen* screen);
    void askTheScreenToClose();
    // The screen that takes input: the overlay when there is one.
    Screen* activeScreen() const;
    // A newly shown screen's focus: where the screen put it, else preferred (where it was before
    // the overlay), else its first control.
    void settleFocus(Screen* screen, QWidget* preferred = nullptr);
    void updateRing();
    bool handleKey(QWidget* receiver, QKeyEvent* event);

    QPointer<Screen> current_;
    QPointer<Screen> overlay_;
    bool ending_ = false;
    FocusRing* ring_ = nullptr;
    QPointer<QWidget> focusBeforeOverlay_;
    QMetaObject::Connection focusWatch_;
    bool keyboardInUse_ = false;
};
