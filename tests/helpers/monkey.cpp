// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/monkey.h"

#include "exercises/exercise_screen.h"
#include "home/menu.h"
#include "home/screen_catalogue.h"
#include "shell/app_window.h"
#include "shell/input_gate.h"
#include "widgets/picture_button.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QMenuBar>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <qpa/qwindowsysteminterface.h>

namespace {

// Only the screens of the program count as places; the rest is the host window.
bool isExercise(const QString& name)
{
    return name != QLatin1String("FormAvvio") && name != QLatin1String("FormMenu")
        && name != QLatin1String("FormImposta") && !name.isEmpty();
}

} // namespace

namespace {

// The menu's buttons and the screen each opens, in the catalogue's order. A screen names itself
// when it is made. They are made once, the first time: making them all is not free, and the
// catalogue stays as it is while the program runs.
const std::vector<std::pair<QString, QString>>& screenOfButton()
{
    static const std::vector<std::pair<QString, QString>> rows = [] {
        std::vector<std::pair<QString, QString>> list{{QStringLiteral("Command1"), QStringLiteral("FormImposta")}};
        for (const ScreenEntry& row : screenCatalogue()) {
            if (!row.make)
                continue; // not built yet: its tile is disabled, no child reaches it
            const std::unique_ptr<Screen> screen(row.make());
            list.emplace_back(row.button, screen->screenName());
        }
        return list;
    }();
    return rows;
}

} // namespace

QStringList everyScreenName()
{
    QStringList names{QStringLiteral("FormAvvio"), QStringLiteral("FormMenu")};
    for (const auto& [button, name] : screenOfButton())
        names << name;
    return names;
}

// ---- Monkey ----

QString MonkeyReport::summary() const
{
    QString text = QStringLiteral(
                       "monkey seed %1: %2 events (and %10 while input was held) in %3 s (%4 events/s), "
                       "%5 program ends, longest stall %6 ms, %9 ms of it on the processor (%7), RSS %8 kB\n")
                       .arg(seed)
                       .arg(events)
                       .arg(seconds, 0, 'f', 1)
                       .arg(seconds > 0 ? events / seconds : 0, 0, 'f', 0)
                       .arg(programEnds)
                       .arg(longestStallNs / 1e6, 0, 'f', 1)
                       .arg(longestStallWhere)
                       .arg(rssKb)
                       .arg(longestStallCpuNs / 1e6, 0, 'f', 1)
                       .arg(eventsWhileHeld);
    text += QStringLiteral("events per screen:");
    for (const QString& name : everyScreenName())
        text += QStringLiteral(" %1=%2").arg(name).arg(perScreen.count(name) ? perScreen.at(name) : 0);
    text += QStringLiteral("\nseconds per screen:");
    for (const auto& [name, ms] : msPerScreen)
        text += QStringLiteral(" %1=%2").arg(name).arg(ms / 1000.0, 0, 'f', 1);
    if (!unreached.isEmpty())
        text += QStringLiteral("\nnever reached: ") + unreached.join(QLatin1Char(' '));
    for (const QString& line : inconsistencies)
        text += QStringLiteral("\ninconsistent: ") + line;
    return text;
}

quint64 Monkey::seedFromEnvironment()
{
    bool ok = false;
    const quint64 seed = qEnvironmentVariable("MUNCHORA_MONKEY_SEED").toULongLong(&ok);
    return ok ? seed : quint64(QDateTime::currentMSecsSinceEpoch());
}

Monkey::Monkey(quint64 seed) : program(seed), random_(seed)
{
    report_.seed = seed;
}

Monkey::~Monkey() = default;

MonkeyReport Monkey::run(long count, void (*progress)(long, long))
{
    QElapsedTimer clock;
    clock.start();
    target_ = report_.events + count;
    const long step = std::max(1L, count / 10);
    long nextReport = report_.events + step;
    // The monkey gives its input from a timer, so whichever event loop runs (the program's
    // own, a wait for silence, a popup menu) takes it as it would take a child's.
    QTimer ticker;
    ticker.setSingleShot(true);
    QObject::connect(&ticker, &QTimer::timeout, [this] { tick(); });
    ticker_ = &ticker;
    // Should the ticks ever stop (they must not), say so and go on, rather than hang.
    QTimer keeper;
    keeper.setInterval(2000);
    QObject::connect(&keeper, &QTimer::timeout, [this, &ticker] {
        if (!ticker.isActive()) {
            std::fprintf(stderr, "monkey: ticks stopped at event %ld (%s, loop level %d, ended %d)\n", report_.events,
                         qPrintable(program.frontName()), QThread::currentThread()->loopLevel(), int(program.ended()));
            ticker.start(0);
        }
    });
    keeper.start();
    while (report_.events < target_ || !steps_.empty()) {
        QEventLoop loop;
        loop_ = &loop;
        nextTickMs_ = 0;
        ticker.start(0);
        program.meter.resume();
        loop.exec();
        program.meter.pause();
        ticker.stop();
        loop_ = nullptr;
        if (program.ended()) {
            // Exit was answered Yes: the program ended, and every event loop with it.
            ++report_.programEnds;
            steps_.clear();
            program.restart();
            lastFront_.clear();
        }
        if (progress && report_.events >= nextReport) {
            progress(report_.events, target_);
            nextReport += step;
        }
    }
    ticker_ = nullptr;
    report_.seconds += clock.nsecsElapsed() / 1e9;
    report_.longestStallNs = program.meter.longestNs();
    report_.longestStallWhere = program.meter.longestWhere();
    report_.longestStallCpuNs = program.meter.longestCpuNs();
    report_.unreached.clear();
    for (const QString& name : everyScreenName())
        if (!report_.perScreen.count(name))
            report_.unreached << name;
    report_.rssKb = residentKb();
    return report_;
}

void Monkey::tick()
{
    StallMeter& meter = program.meter;
    meter.pause(); // from here on the time is the monkey's own
    const int level = QThread::currentThread()->loopLevel();
    if (program.ended()) {
        // The loops are ending; the outermost one is the monkey's.
        if (level <= 1 && loop_)
            loop_->quit();
        else if (ticker_)
            ticker_->start(10);
        meter.resume();
        return;
    }
    const int queued = QWindowSystemInterface::windowSystemEventsQueued();
    // Inside a nested loop (a popup menu), or while the program leaves input waiting, the
    // child's hands go on at a child's pace; while a screen waits for its speech, at the pace of
    // a child who is kept waiting.
    nextTickMs_ = level > 1 ? 2 : InputGate::holding() ? 25 : 0;
    if (level == 1 && queued == 0 && steps_.empty()) {
        // Idle in the program's own loop: the screens must be in order.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (report_.inconsistencies.size() < 20) {
            for (const QString& line : program.inconsistencies())
                report_.inconsistencies << QStringLiteral("event %1: %2").arg(report_.events).arg(line);
        }
        if (report_.events >= target_ && loop_) {
            loop_->quit();
            meter.resume();
            return;
        }
    }
    if (queued > 200) {
        nextTickMs_ = 25; // enough is waiting
    } else {
        if (steps_.empty() && report_.events < target_) {
            // A wait lasts as long as its sentence, however slow the machine: what the hands do
            // meanwhile is counted apart, so a loaded machine's waits do not eat the tour. The
            // bound keeps a wait that never ends from running for ever.
            const bool held = InputGate::holding() && report_.eventsWhileHeld < 10 * target_;
            ++(held ? report_.eventsWhileHeld : report_.events);
            planEvent(held);
        }
        if (!steps_.empty()) {
            const std::function<void()> step = std::move(steps_.front());
            steps_.pop_front();
            step();
        }
    }
    if (ticker_)
        ticker_->start(nextTickMs_);
    meter.setPlace(program.frontName());
    meter.resume();
}

QPoint Monkey::randomPoint()
{
    const QRect area = program.window().rect();
    return {below(area.width()), below(area.height())};
}

QPoint Monkey::pointIn(QWidget* widget)
{
    const QRect r = widget->rect().adjusted(1, 1, -1, -1);
    if (r.width() < 1 || r.height() < 1)
        return randomPoint();
    const QPoint at = program.toWindow(widget, {r.left() + below(r.width()), r.top() + below(r.height())});
    return program.window().rect().contains(at) ? at : randomPoint();
}

QWidget* Monkey::randomControl(Screen* screen)
{
    // The leaves a child sees: buttons, pictures, words, cells, the mouth, the bars.
    std::vector<QWidget*> leaves;
    for (QWidget* widget : screen->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->width() < 2 || widget->isWindow())
            continue;
        bool hasShownChild = false;
        for (QObject* child : widget->children())
            if (auto* w = qobject_cast<QWidget*>(child); w && w->isVisible() && !w->isWindow())
                hasShownChild = true;
        if (!hasShownChild || qobject_cast<QMenuBar*>(widget))
            leaves.push_back(widget);
    }
    return leaves.empty() ? nullptr : leaves[size_t(below(int(leaves.size())))];
}

void Monkey::clickAt(QPoint at, bool twice)
{
    steps_.push_back([this, at] {
        program.pause(500 + below(1500));
        program.queuePress(at);
    });
    steps_.push_back([this, at] { program.queueRelease(at); });
    if (twice) {
        steps_.push_back([this, at] { program.queuePress(at); });
        steps_.push_back([this, at] { program.queueRelease(at); });
    }
}

void Monkey::aimedClick(Screen* screen)
{
    QWidget* target = randomControl(screen);
    if (!target) {
        clickAt(randomPoint());
        return;
    }
    if (auto* bar = qobject_cast<QMenuBar*>(target); bar && !bar->actions().isEmpty()) {
        QAction* action = bar->actions().at(below(int(bar->actions().size())));
        const QRect place = bar->actionGeometry(action);
        if (place.isValid()) {
            clickAt(program.toWindow(bar, place.center()));
            return;
        }
    }
    clickAt(pointIn(target), chance(0.15));
}

void Monkey::drag(Screen* screen)
{
    QWidget* from = randomControl(screen);
    QWidget* to = chance(0.8) ? randomControl(screen) : nullptr;
    const QPoint start = from ? pointIn(from) : randomPoint();
    const QPoint end = to ? pointIn(to) : randomPoint();
    steps_.push_back([this, start] { program.queueMove(start, false); });
    steps_.push_back([this, start] { program.queuePress(start); });
    const int moves = 2 + below(8);
    for (int k = 1; k <= moves; ++k) {
        const QPoint at = start + (end - start) * k / moves;
        steps_.push_back([this, at] { program.queueMove(at, true); });
    }
    steps_.push_back([this, end] { program.queueRelease(end); });
}

void Monkey::randomKey()
{
    static const int keys[] = {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Left,   Qt::Key_Right,
                               Qt::Key_Up,  Qt::Key_Down,    Qt::Key_Return, Qt::Key_Space};
    const int key = keys[below(int(std::size(keys)))];
    const Qt::KeyboardModifiers modifiers = key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier;
    steps_.push_back([this, key, modifiers] { program.queueKey(key, modifiers, true); });
    steps_.push_back([this, key, modifiers] { program.queueKey(key, modifiers, false); });
}

void Monkey::resize()
{
    const int width = 640 + below(1920 - 640 + 1);
    const int height = 480 + below(1080 - 480 + 1);
    steps_.push_back([this, width, height] {
        // The window system resizes the window: the program's own work.
        program.meter.resume();
        program.window().setGeometry(0, 0, width, height);
        program.meter.pause();
    });
}

bool Monkey::steerOnTheMenu(Screen* menu)
{
    auto* form = qobject_cast<FormMenu*>(menu);
    if (!form)
        return false;
    // The tile of the screen played least, so every screen is played.
    std::vector<PictureButton*> tiles;
    long fewest = -1;
    for (const auto& [button, name] : screenOfButton()) {
        PictureButton* tile = form->button(button);
        if (!tile || !tile->isVisible() || !tile->isEnabled())
            continue;
        const long seen = report_.perScreen.count(name) ? report_.perScreen.at(name) : 0;
        if (fewest < 0 || seen < fewest) {
            fewest = seen;
            tiles.clear();
        }
        if (seen == fewest)
            tiles.push_back(tile);
    }
    if (tiles.empty())
        return false;
    PictureButton* tile = tiles[size_t(below(int(tiles.size())))];
    clickAt(pointIn(tile));
    return true;
}

void Monkey::planEvent(bool held)
{
    Screen* screen = program.front();
    const QString name = program.frontName();
    if (!screen)
        return;
    ++report_.perScreen[name];
    if (sincePlan_.isValid() && !lastFront_.isEmpty())
        report_.msPerScreen[lastFront_] += sincePlan_.elapsed();
    sincePlan_.start();
    if (name != lastFront_) {
        lastFront_ = name;
        // Screens that hold until their sentence has been said take the longest per event: they
        // are visited as often, for fewer events.
        const bool holds = name == QLatin1String("Form12") || name == QLatin1String("Form13")
            || name == QLatin1String("Form14");
        visitBudget_ = name == QLatin1String("FormImposta") ? 3 + below(40)
            : holds                                         ? 10 + below(40)
            : isExercise(name)                              ? 15 + below(150)
                                                            : 0;
    }
    if (!held)
        --visitBudget_;

    // Steering: on the menu, often to a screen seldom played; elsewhere, once the visit has
    // lasted long enough, often the way back.
    if (name == QLatin1String("FormMenu") && chance(0.8) && steerOnTheMenu(screen))
        return;
    const auto key = [this](int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        steps_.push_back([this, k, modifiers] { program.queueKey(k, modifiers, true); });
        steps_.push_back([this, k, modifiers] { program.queueKey(k, modifiers, false); });
    };
    if (visitBudget_ < 0 && name != QLatin1String("FormMenu") && chance(0.5)) {
        auto* exercise = qobject_cast<ExerciseScreen*>(screen);
        if (exercise && exercise->mnuEsci && chance(0.5)) {
            const QRect place = exercise->menuBar->actionGeometry(exercise->mnuEsci);
            clickAt(program.toWindow(exercise->menuBar, place.center()));
        } else {
            key(Qt::Key_Escape);
        }
        return;
    }

    const int roll = below(1000);
    if (roll < 380) {
        aimedClick(screen);
    } else if (roll < 470) {
        clickAt(randomPoint());
    } else if (roll < 510) {
        clickAt(randomPoint(), true);
    } else if (roll < 560) {
        drag(screen);
    } else if (roll < 600) {
        QWidget* target = chance(0.5) ? randomControl(screen) : nullptr;
        const QPoint at = target ? pointIn(target) : randomPoint();
        steps_.push_back([this, at] { program.queuePress(at); });
    } else if (roll < 640) {
        const QPoint at = randomPoint();
        steps_.push_back([this, at] { program.queueRelease(at); });
    } else if (roll < 700) {
        const QPoint at = randomPoint();
        const bool down = chance(0.3);
        steps_.push_back([this, at, down] { program.queueMove(at, down); });
    } else if (roll < 850) {
        randomKey();
    } else if (roll < 880) {
        key(Qt::Key_Escape);
    } else if (roll < 890) {
        key(Qt::Key_F4, Qt::AltModifier);
        steps_.push_back([this] { program.queueClose(); }); // what the window manager makes of Alt+F4
    } else if (roll < 910) {
        resize();
    } else if (roll < 990) {
        QWidget* target = randomControl(screen);
        const QPoint at = target ? pointIn(target) : randomPoint();
        steps_.push_back([this, at] { program.queueMove(at, false); }); // hovering
    } else {
        // Time to look: speech ends, the memory cards turn back.
        const int ms = roll < 996 ? below(120) : 100 + below(chance(0.2) ? 2500 : 600);
        steps_.push_back([this, ms] { nextTickMs_ = ms; });
    }
}
