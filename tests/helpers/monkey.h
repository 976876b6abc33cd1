// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A monkey for the whole program: random input from a seed through the window system, as a
// child's hands would give it, on the program under test. It steers towards the screens
// played least, checks the program's state whenever it is idle, and watches how long the
// user-interface thread goes without turning its event loop.

#include "helpers/program_under_test.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>
#include <random>

class QEventLoop;
class QTimer;
class QWidget;
class Screen;

// Every screen a child can reach, by its name in the code: the splash, the menu and the voice
// settings, then the catalogue's screens in its order.
QStringList everyScreenName();

struct MonkeyReport
{
    quint64 seed = 0;
    long events = 0;
    long eventsWhileHeld = 0;            // given while a screen held input, apart from events
    std::map<QString, long> perScreen;   // events given while the screen was in front
    std::map<QString, long> msPerScreen; // time the screen was in front
    QStringList unreached;               // screens never in front
    QStringList inconsistencies;         // with the event number that showed each
    int programEnds = 0;
    double seconds = 0;
    qint64 longestStallNs = 0;
    qint64 longestStallCpuNs = 0;
    QString longestStallWhere;
    long rssKb = 0;

    QString summary() const;
};

class Monkey
{
public:
    explicit Monkey(quint64 seed);
    ~Monkey();

    // Gives count more events; progress (if set) is told every 10 % or so.
    MonkeyReport run(long count, void (*progress)(long done, long total) = nullptr);

    // The seed from MUNCHORA_MONKEY_SEED, or one from the clock.
    static quint64 seedFromEnvironment();

    ProgramUnderTest program;

private:
    void tick();
    void planEvent(bool held);
    QWidget* randomControl(Screen* screen);
    QPoint pointIn(QWidget* widget);
    QPoint randomPoint();
    bool steerOnTheMenu(Screen* menu);
    void aimedClick(Screen* screen);
    void clickAt(QPoint at, bool twice = false);
    void drag(Screen* screen);
    void randomKey();
    void resize();
    int below(int n) { return int(random_() % quint64(n)); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }

    std::mt19937_64 random_;
    MonkeyReport report_;
    int visitBudget_ = 0; // events left on an exercise before the monkey heads back to the menu
    QString lastFront_;
    std::deque<std::function<void()>> steps_; // the rest of the event being given
    QEventLoop* loop_ = nullptr;
    QTimer* ticker_ = nullptr;
    long target_ = 0;
    int nextTickMs_ = 0;
    QElapsedTimer sincePlan_;
};
