// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The whole program under test: its real window and screens, the real speech service timing
// its speech on the silent clock (no sound server), message boxes answered by a script and
// draws from a seed; input given through the window system, as a child's hands give it. The
// monkey and the soak drive it.

#include "helpers/stall_meter.h"
#include "settings/random_source.h"
#include "shell/dialogs.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <random>

class AppWindow;
class QWidget;
class Screen;
class SpeechService;
class TempFolders;

// Message boxes answered Yes or No at random from a seed; Ok boxes are acknowledged.
class RandomDialogs final : public Dialogs
{
public:
    explicit RandomDialogs(quint64 seed);
    ~RandomDialogs() override;
    void ask(QWidget* parent, const QString& text, const QString& title, BoxIcon icon, BoxButtons buttons, Then then,
             int closeAfterMs) override;
    bool asking() const override { return false; }

    // Yes for every question while set (the soak), at random otherwise.
    bool alwaysYes = false;
    std::map<QString, int> asked; // box text -> how often
    int yes = 0;
    int no = 0;

private:
    std::mt19937_64 random_;
};

// The program's draws, from a seed.
class SeededRandom final : public RandomSource
{
public:
    explicit SeededRandom(quint64 seed);
    ~SeededRandom() override;
    double next() override;

private:
    std::mt19937_64 random_;
};

// One run of the program as start-up makes it: temporary settings and program folders, the
// shared state fresh, the real speech service (started after PULSE_SERVER has been pointed at
// a socket that does not exist), the window full of its screens, from the splash on.
class ProgramUnderTest
{
public:
    explicit ProgramUnderTest(quint64 seed);
    ~ProgramUnderTest();

    AppWindow& window() { return *window_; }
    // The screen in front: the voice settings when laid over, else the current screen.
    Screen* front() const;
    QString frontName() const;

    // A fresh window from the splash, as after the program ended and was started again.
    void restart();
    // True once the program ended (Exit answered Yes) and until restart().
    bool ended() const { return ended_; }
    int restarts() const { return restarts_; }

    // Shared state and window checks that must hold whenever the program is idle; empty when fine.
    QStringList inconsistencies() const;

    RandomDialogs dialogs;
    SeededRandom random;
    SpeechService& speech() { return *speech_; }

    // Input through the window system, as a real pointer and keyboard give it. The queue...
    // functions only queue it: whatever event loop runs next (a nested wait, a popup menu)
    // takes it, as it would take a child's. The others also deliver it, and the deferred
    // deletions, before they return.
    QPoint toWindow(QWidget* widget, QPoint local) const;
    void queuePress(QPoint at);
    void queueRelease(QPoint at);
    void queueMove(QPoint at, bool buttonDown);
    void queueKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool press = true);
    void queueClose();
    // Lets the next press be far in time from the last one, so the two are no double click.
    void pause(int ms) { stamp(ms); }
    void click(QPoint at);
    // Runs the event loop for ms milliseconds, as time passing while the child looks.
    void wait(int ms);
    // Runs the event loop until the state holds; false if it did not within the bound (a
    // generous one: a loaded machine is slow, never wrong).
    bool waitUntil(const std::function<bool()>& state, int boundMs = 20000);
    // Delivers what was queued and the deferred deletions.
    void deliver();

    StallMeter meter;

private:
    void showNewWindow();
    ulong stamp(int advanceMs);

    std::unique_ptr<TempFolders> folders_;
    std::unique_ptr<SpeechService> speech_;
    std::unique_ptr<AppWindow> window_;
    bool ended_ = false;
    int restarts_ = 0;
    ulong time_ = 0;
    bool buttonDown_ = false;
    QPoint lastPress_;
};
