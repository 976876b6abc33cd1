// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A screen of the program: designed once at DesignSize with absolute positions, fitted to
// the display by its own scaler. The host window loads it (Form_Load), shows it and calls
// Form_Activate explicitly: when first shown and again when the voice settings screen laid
// over it closes, never because the window manager moved the focus.

#include <QColor>
#include <QStringList>
#include <QWidget>

#include <memory>

class clsResize;
class Screen;

// What a screen may ask of the window that hosts it.
class ScreenHost
{
public:
    virtual ~ScreenHost() = default;
    // Loads a screen in place of the current one, which is unloaded with all its state.
    virtual void showScreen(Screen* screen) = 0;
    // Lays a screen over the current one, which stays loaded beneath.
    virtual void showOverlay(Screen* overlay) = 0;
    // Unloads the overlay; the screen below becomes active again.
    virtual void closeOverlay() = 0;
    // A fresh main menu in place of the current screen.
    virtual void showMenu() = 0;
    // The voice settings laid over the current screen.
    virtual void showVoiceSettings() = 0;
    // Ends the program.
    virtual void endProgram() = 0;
};

class Screen : public QWidget
{
    Q_OBJECT
public:
    static constexpr int DesignWidth = 1024;
    static constexpr int DesignHeight = 768;

    // name is the screen's name in the code and in the speech log ("Form2").
    explicit Screen(const QString& name, QWidget* parent = nullptr);
    ~Screen() override;

    // Scaling set-up: a scaler of its own, sized to 75 % of the display.
    virtual void Form_Load();
    // Places the screen over the display (see placeFullScreen).
    virtual void Form_Activate();
    // The window is being closed (Alt+F4, the window manager): the screen's own way out.
    virtual void closeRequested() {}
    // Every text the screen may say, so that its speech can be made ahead of a lesson.
    virtual QStringList spokenTexts() const { return {}; }

    clsResize* scaler() const { return scaler_.get(); }
    QString screenName() const { return objectName(); }

    // The host hands itself over when it loads the screen.
    void setHost(ScreenHost* host) { host_ = host; }
    ScreenHost* host() const { return host_; }

    // Where a placed screen stands in an area (the window): all of it, unless the area is
    // narrower than 5:4 (a portrait whiteboard) or wider than 16:9, where the screen keeps the
    // nearer of those shapes and is centred, so nothing is squeezed past reading.
    static QRect placeIn(QSize area);
    // Whether the screen has been placed over the window (and follows its size since).
    bool isPlaced() const { return placed_; }

    // The colours at the top and bottom of the screen's background, which the window carries on
    // above and below a screen that does not fill it (a portrait whiteboard).
    void setEdgeColours(const QColor& top, const QColor& bottom);
    QColor topColour() const { return top_; }
    QColor bottomColour() const { return bottom_; }
    // A click on those bands, which a child takes for the screen's own background.
    virtual void edgeClicked() {}

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Fills the window as placeIn says; the window keeps it so when its size changes.
    void placeFullScreen();

private:
    std::unique_ptr<clsResize> scaler_;
    ScreenHost* host_ = nullptr;
    bool placed_ = false;
    QColor top_{0xbf, 0xe9, 0xff};
    QColor bottom_{0xff, 0xf3, 0xc4};
};
