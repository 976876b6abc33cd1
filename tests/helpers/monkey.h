#pragma once
// A monkey and a soak for the whole program: its real window and screens, the real speech
// service timing its speech on the silent clock (no sound server), and message boxes answered
// by a script. The monkey gives random input from a seed through the window system, as a
// child's hands would; the soak goes from the menu to a screen and back, again and again.
// Both watch how long the user-interface thread goes without turning its event loop.

#include "shell/dialogs.h"
#include "settings/random_source.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <random>
#include <utility>
#include <deque>
#include <functional>

class AppWindow;
class QEventLoop;
class QTimer;
class QEvent;
class QObject;
class QWidget;
class Screen;
class SpeechService;
class TempFolders;

// This process's resident memory (VmRSS) in kB; -1 when it cannot be read.
long residentKb();

// Runs the event loop for ms milliseconds; the thread sleeps in it when there is nothing to do.
void runEventLoopFor(int ms);

// Every screen a child can reach, by its name in the code.
QStringList everyScreenName();

// The longest time the user-interface thread spent on one piece of work before it went on
// to the next event or back to waiting. Time the thread sleeps waiting for something to do
// is not counted, nor time the driver (the monkey itself) spends between its events: only
// what lies between pause() and resume() is left out.
class StallMeter
{
public:
    StallMeter();
    ~StallMeter();
    StallMeter(const StallMeter&) = delete;
    StallMeter& operator=(const StallMeter&) = delete;

    // The driver hands the thread to the program...
    void resume();
    // ... and takes it back.
    void pause();

    qint64 longestNs() const { return longestNs_; }
    // Of the longest stall, the time the thread was on the processor (the rest it was waiting:
    // for a lock, for the disk, or for a processor on a busy machine).
    qint64 longestCpuNs() const { return longestCpuNs_; }
    // What the thread was doing when the longest stall began ("FormMenu: PictureButton MouseButtonRelease").
    QString longestWhere() const { return longestWhere_; }
    qint64 beats() const { return beats_; }
    // Where the stall is attributed to: the name of the screen in front.
    void setPlace(const QString& place) { place_ = place; }

private:
    static bool onNotify(void** data);
    void beat(QObject* receiver, QEvent* event);
    void close(const char* why);

    QElapsedTimer clock_;
    QMetaObject::Connection sleeping_;
    bool counting_ = false;
    qint64 since_ = 0;
    qint64 longestNs_ = 0;
    qint64 sinceCpu_ = 0;
    std::pair<long, long> sinceSwitches_{0, 0};
    qint64 longestCpuNs_ = 0;
    QString longestWhere_;
    QString place_;
    const char* lastClass_ = nullptr;
    int lastType_ = 0;
    qint64 beats_ = 0;
};

// Message boxes answered Yes or No at random from a seed; Ok boxes are acknowledged.
class RandomDialogs final : public Dialogs
{
public:
    explicit RandomDialogs(quint64 seed);
    ~RandomDialogs() override;
    BoxAnswer messageBox(QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
                         BoxButtons buttons) override;

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

struct MonkeyReport
{
    quint64 seed = 0;
    long events = 0;
    std::map<QString, long> perScreen; // events given while the screen was in front
    std::map<QString, long> msPerScreen; // time the screen was in front
    QStringList unreached;             // screens never in front
    QStringList inconsistencies;       // with the event number that showed each
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
    void planEvent();
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
    std::map<QString, QString> screenOfButton_; // menu button -> the screen it opened
    std::deque<std::function<void()>> steps_;   // the rest of the event being given
    QEventLoop* loop_ = nullptr;
    QTimer* ticker_ = nullptr;
    long target_ = 0;
    int nextTickMs_ = 0;
    QString pendingTile_; // a menu tile clicked, to learn which screen it opens
    QElapsedTimer sincePlan_;
};

// Menu -> a tile's screen -> it speaks a little -> "Go back" answered Yes -> menu. Tiles in
// catalogue order, round and round.
class Soak
{
public:
    explicit Soak(quint64 seed);
    ~Soak();
    // One round trip; false when the program did not come back to the menu.
    bool roundTrip(int speakMs = 30);
    int done() const { return done_; }
    ProgramUnderTest program;

private:
    void toMenu();
    int done_ = 0;
};
