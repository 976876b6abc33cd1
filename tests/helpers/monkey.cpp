#include "helpers/monkey.h"

#include "shell/app_window.h"
#include "home/menu.h"
#include "settings/modulo1.h"
#include "widgets/picture_button.h"
#include "home/screen_catalogue.h"
#include "exercises/exercise_screen.h"
#include "helpers/fakes.h"
#include "helpers/screen_rig.h"
#include "speech/engine_speech_service.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMetaEnum>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QEventLoop>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

using Delivery = QWindowSystemInterface::AsynchronousDelivery;

StallMeter* theMeter = nullptr;

// Only the screens of the program count as places; the rest is the host window.
bool isExercise(const QString& name)
{
    return name != QLatin1String("FormAvvio") && name != QLatin1String("FormMenu")
        && name != QLatin1String("FormImposta") && !name.isEmpty();
}

} // namespace

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

QStringList everyScreenName()
{
    return {QStringLiteral("FormAvvio"), QStringLiteral("FormMenu"), QStringLiteral("FormImposta"),
            QStringLiteral("Form1"),     QStringLiteral("Form2"),    QStringLiteral("Form3"),
            QStringLiteral("Form4a"),    QStringLiteral("Form4b"),   QStringLiteral("Form4c"),
            QStringLiteral("Form5"),     QStringLiteral("Form6"),    QStringLiteral("Form8"),
            QStringLiteral("Form9"),     QStringLiteral("Form10"),   QStringLiteral("Form11"),
            QStringLiteral("Form12"),    QStringLiteral("Form13"),   QStringLiteral("Form14"),
            QStringLiteral("FormCruciPuzzle"), QStringLiteral("FormMemory"), QStringLiteral("FormMemory2")};
}

void runEventLoopFor(int ms)
{
    // An event loop of its own, which sleeps in the dispatcher as the program's loop does
    // (QTest::qWait sleeps beside it).
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// ---- StallMeter ----

StallMeter::StallMeter()
{
    clock_.start();
    theMeter = this;
    QInternal::registerCallback(QInternal::EventNotifyCallback, &StallMeter::onNotify);
    // Going to sleep in any event loop, nested ones included, ends the piece of work.
    sleeping_ = QObject::connect(QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread()),
                     &QAbstractEventDispatcher::aboutToBlock, QCoreApplication::instance(),
                     [] {
                         if (theMeter)
                             theMeter->close("sleep");
                     },
                     Qt::DirectConnection);
}

StallMeter::~StallMeter()
{
    QInternal::unregisterCallback(QInternal::EventNotifyCallback, &StallMeter::onNotify);
    QObject::disconnect(sleeping_);
    theMeter = nullptr;
}

bool StallMeter::onNotify(void** data)
{
    if (theMeter && QThread::currentThread() == QCoreApplication::instance()->thread())
        theMeter->beat(static_cast<QObject*>(data[0]), static_cast<QEvent*>(data[1]));
    return false; // the event goes on as usual
}

namespace {
qint64 threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// How often this thread gave up the processor to wait (a lock, the disk), and how often it
// was pushed off it by other work.
std::pair<long, long> threadSwitches()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return {usage.ru_nvcsw, usage.ru_nivcsw};
}
} // namespace

void StallMeter::beat(QObject* receiver, QEvent* event)
{
    ++beats_;
    const qint64 now = clock_.nsecsElapsed();
    if (counting_ && now - since_ > longestNs_)
        close("beat");
    counting_ = true;
    since_ = now;
    sinceCpu_ = threadCpuNs();
    sinceSwitches_ = threadSwitches();
    lastClass_ = receiver ? receiver->metaObject()->className() : "?";
    lastType_ = event ? int(event->type()) : 0;
}

void StallMeter::close(const char*)
{
    if (!counting_)
        return;
    const qint64 gap = clock_.nsecsElapsed() - since_;
    counting_ = false;
    if (gap <= longestNs_)
        return;
    longestNs_ = gap;
    longestCpuNs_ = threadCpuNs() - sinceCpu_;
    const auto [waits, preempted] = threadSwitches();
    const char* type = QMetaEnum::fromType<QEvent::Type>().valueToKey(lastType_);
    longestWhere_ = place_ + QStringLiteral(": ") + QLatin1String(lastClass_ ? lastClass_ : "(driver)")
        + QLatin1Char(' ') + (type ? QLatin1String(type) : QString::number(lastType_))
        + QStringLiteral("; it waited %1 times, was pushed off the processor %2 times")
              .arg(waits - sinceSwitches_.first)
              .arg(preempted - sinceSwitches_.second);
}

void StallMeter::resume()
{
    counting_ = true;
    since_ = clock_.nsecsElapsed();
    sinceCpu_ = threadCpuNs();
    sinceSwitches_ = threadSwitches();
    lastClass_ = nullptr;
    lastType_ = 0;
}

void StallMeter::pause()
{
    close("pause");
}

// ---- RandomDialogs, SeededRandom ----

RandomDialogs::RandomDialogs(quint64 seed) : random_(seed)
{
    Dialogs::install(this);
}

RandomDialogs::~RandomDialogs()
{
    Dialogs::install(nullptr);
}

BoxAnswer RandomDialogs::messageBox(QWidget*, const QString& text, const QString&, BoxIcon, BoxButtons buttons)
{
    ++asked[text];
    if (buttons == BoxButtons::Ok)
        return BoxAnswer::Ok;
    const bool answerYes = alwaysYes || random_() % 2 == 0;
    ++(answerYes ? yes : no);
    return answerYes ? BoxAnswer::Yes : BoxAnswer::No;
}

SeededRandom::SeededRandom(quint64 seed) : random_(seed)
{
    RandomSource::install(this);
}

SeededRandom::~SeededRandom()
{
    RandomSource::install(nullptr);
}

double SeededRandom::next()
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_);
}

// ---- ProgramUnderTest ----

ProgramUnderTest::ProgramUnderTest(quint64 seed)
    : dialogs(seed ^ 0x9e3779b97f4a7c15ull), random(seed ^ 0x5851f42d4c957f2dull),
      folders_(std::make_unique<TempFolders>())
{
    resetSharedState();
    // No sound server to be found: the audio line keeps the timing of speech on its clock.
    qputenv("PULSE_SERVER", "unix:/nonexistent/munchora-monkey-no-sound-server");
    EngineServiceOptions options;
    options.firstVoice = Modulo1::Voce;
    speech_ = std::make_unique<EngineSpeechService>(options);
    SpeechService::install(speech_.get());
    time_ = ulong(QTest::lastMouseTimestamp) + 10000;
    showNewWindow();
}

ProgramUnderTest::~ProgramUnderTest()
{
    // A run may end with the button held (a drag cut short): let it go, or the next program
    // in this process would take its first release for the end of this press.
    if (buttonDown_ && window_ && window_->windowHandle()) {
        queueRelease(lastPress_);
        deliver();
    }
    window_.reset();
    flushDeletes();
    SpeechService::install(nullptr);
    speech_.reset();
    QTest::lastMouseTimestamp = qint64(time_) + 10000;
}

void ProgramUnderTest::showNewWindow()
{
    window_ = std::make_unique<AppWindow>();
    QObject::connect(window_.get(), &AppWindow::programEnded, window_.get(), [this] { ended_ = true; });
    window_->setGeometry(0, 0, 1024, 768);
    window_->show();
    window_->activateWindow();
    meter.resume();
    window_->showScreen(newFormAvvio());
    flushDeletes();
    meter.pause();
}

void ProgramUnderTest::restart()
{
    // The program's loop ended: let later loops run again, then start it anew.
    recoverFromProgramEnd();
    window_.reset();
    flushDeletes();
    ended_ = false;
    ++restarts_;
    showNewWindow();
}

Screen* ProgramUnderTest::front() const
{
    if (!window_)
        return nullptr;
    return window_->overlay() ? window_->overlay() : window_->currentScreen();
}

QString ProgramUnderTest::frontName() const
{
    const Screen* screen = front();
    return screen ? screen->screenName() : QString();
}

QStringList ProgramUnderTest::inconsistencies() const
{
    using namespace Modulo1;
    QStringList found;
    if (ended_)
        return found;
    Screen* current = window_->currentScreen();
    Screen* overlay = window_->overlay();
    if (!current)
        return {QStringLiteral("no screen loaded")};
    for (Screen* screen : window_->findChildren<Screen*>(Qt::FindDirectChildrenOnly)) {
        if (screen != current && screen != overlay)
            found << QStringLiteral("%1 still loaded beside %2").arg(screen->screenName(), current->screenName());
    }
    if (overlay && current->isEnabled())
        found << QStringLiteral("%1 takes input under the voice settings").arg(current->screenName());
    if (!overlay && !current->isEnabled())
        found << QStringLiteral("%1 is disabled with nothing over it").arg(current->screenName());
    for (Screen* screen : {current, overlay}) {
        if (screen && (!screen->isVisible() || screen->geometry() != window_->rect()))
            found << QStringLiteral("%1 does not fill the window (%2x%3 at %4,%5, window %6x%7, %8)")
                         .arg(screen->screenName())
                         .arg(screen->width())
                         .arg(screen->height())
                         .arg(screen->x())
                         .arg(screen->y())
                         .arg(window_->width())
                         .arg(window_->height())
                         .arg(screen->isVisible() ? "shown" : "hidden");
    }
    if (Voce < 1 || Voce > speech_->voiceCount())
        found << QStringLiteral("voice %1 of %2").arg(Voce).arg(speech_->voiceCount());
    if (Velocita < 50 || Velocita > 200)
        found << QStringLiteral("speed %1").arg(Velocita);
    if (Esatti < 0 || Errati < 0)
        found << QStringLiteral("counts %1 / %2").arg(Esatti).arg(Errati);
    if (ParolaCorrente < 0 || ParolaCorrente > WordCount || ParolaB < 0 || ParolaB > WordCount || ParolaA < 0)
        found << QStringLiteral("word indices %1 %2 %3").arg(ParolaCorrente).arg(ParolaA).arg(ParolaB);
    // The score shown is the score counted.
    if (auto* exercise = qobject_cast<ExerciseScreen*>(current); exercise && exercise->PicturesattiErrati && !overlay) {
        const ScorePanel* panel = exercise->PicturesattiErrati;
        if (panel->EtichettaEsatti->text().trimmed().toInt() != Esatti)
            found << QStringLiteral("%1 shows %2 right, counted %3")
                         .arg(current->screenName(), panel->EtichettaEsatti->text())
                         .arg(Esatti);
        if (panel->EtichettaErrati->text().trimmed().toInt() != Errati)
            found << QStringLiteral("%1 shows %2 wrong, counted %3")
                         .arg(current->screenName(), panel->EtichettaErrati->text())
                         .arg(Errati);
    }
    if (QApplication::activeModalWidget())
        found << QStringLiteral("a real modal window is open");
    for (QWidget* top : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = top->windowType();
        if (top != window_.get() && top->isVisible() && type != Qt::Popup && type != Qt::ToolTip)
            found << QStringLiteral("a second window: %1").arg(QLatin1String(top->metaObject()->className()));
    }
    return found;
}

QPoint ProgramUnderTest::toWindow(QWidget* widget, QPoint local) const
{
    return widget->mapTo(window_.get(), local);
}

ulong ProgramUnderTest::stamp(int advanceMs)
{
    time_ += ulong(std::max(advanceMs, 1));
    return time_;
}

void ProgramUnderTest::deliver()
{
    meter.setPlace(frontName());
    meter.resume();
    QCoreApplication::processEvents();
    flushDeletes();
    meter.pause();
}

void ProgramUnderTest::queuePress(QPoint at)
{
    QWindow* window = window_->windowHandle();
    QWindowSystemInterface::handleMouseEvent<Delivery>(window, stamp(40), QPointF(at), window->mapToGlobal(QPointF(at)),
                                                       Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    buttonDown_ = true;
    lastPress_ = at;
}

void ProgramUnderTest::queueRelease(QPoint at)
{
    QWindow* window = window_->windowHandle();
    QWindowSystemInterface::handleMouseEvent<Delivery>(window, stamp(40), QPointF(at), window->mapToGlobal(QPointF(at)),
                                                       Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
    buttonDown_ = false;
}

void ProgramUnderTest::queueMove(QPoint at, bool buttonDown)
{
    QWindow* window = window_->windowHandle();
    const Qt::MouseButtons state = buttonDown ? Qt::LeftButton : Qt::NoButton;
    QWindowSystemInterface::handleMouseEvent<Delivery>(window, stamp(16), QPointF(at), window->mapToGlobal(QPointF(at)),
                                                       state, Qt::NoButton, QEvent::MouseMove);
}

void ProgramUnderTest::queueKey(int key, Qt::KeyboardModifiers modifiers, bool press)
{
    QString text;
    switch (key) {
    case Qt::Key_Tab: text = QStringLiteral("\t"); break;
    case Qt::Key_Return: text = QStringLiteral("\r"); break;
    case Qt::Key_Space: text = QStringLiteral(" "); break;
    case Qt::Key_Escape: text = QString(QChar(0x1b)); break;
    default: break;
    }
    QWindowSystemInterface::handleKeyEvent<Delivery>(window_->windowHandle(), stamp(60),
                                                     press ? QEvent::KeyPress : QEvent::KeyRelease, key, modifiers,
                                                     text);
}

void ProgramUnderTest::queueClose()
{
    QWindowSystemInterface::handleCloseEvent<Delivery>(window_->windowHandle());
}

void ProgramUnderTest::click(QPoint at)
{
    // Well apart from the click before, so the two are never one double click.
    stamp(1000);
    queuePress(at);
    deliver();
    queueRelease(at);
    deliver();
}

bool ProgramUnderTest::waitUntil(const std::function<bool()>& state, int boundMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!state()) {
        if (clock.elapsed() > boundMs)
            return false;
        wait(10);
    }
    return true;
}

void ProgramUnderTest::wait(int ms)
{
    meter.setPlace(frontName());
    meter.resume();
    runEventLoopFor(ms);
    flushDeletes();
    meter.pause();
}

// ---- Monkey ----

QString MonkeyReport::summary() const
{
    QString text = QStringLiteral("monkey seed %1: %2 events in %3 s (%4 events/s), %5 program ends, "
                                  "longest stall %6 ms, %9 ms of it on the processor (%7), RSS %8 kB\n")
                       .arg(seed)
                       .arg(events)
                       .arg(seconds, 0, 'f', 1)
                       .arg(seconds > 0 ? events / seconds : 0, 0, 'f', 0)
                       .arg(programEnds)
                       .arg(longestStallNs / 1e6, 0, 'f', 1)
                       .arg(longestStallWhere)
                       .arg(rssKb)
                       .arg(longestStallCpuNs / 1e6, 0, 'f', 1);
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
            std::fprintf(stderr, "monkey: ticks stopped at event %ld (%s, loop level %d, ended %d)\n",
                         report_.events, qPrintable(program.frontName()), QThread::currentThread()->loopLevel(),
                         int(program.ended()));
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
    // Inside a nested loop (a wait for silence, a popup menu), or while the program leaves input
    // waiting, the child's hands go on at a child's pace.
    nextTickMs_ = level > 1 ? 2 : 0;
    if (level == 1 && queued == 0 && steps_.empty()) {
        // Idle in the program's own loop: the screens must be in order.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!pendingTile_.isEmpty()) {
            if (program.frontName() != QLatin1String("FormMenu") && !program.frontName().isEmpty())
                screenOfButton_[pendingTile_] = program.frontName();
            pendingTile_.clear();
        }
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
            ++report_.events;
            planEvent();
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
    static const int keys[] = {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
                               Qt::Key_Down, Qt::Key_Return, Qt::Key_Space};
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
    // The tile of the screen played least, so every screen is played. Which screen a tile
    // opens is learnt by clicking it: a tile not yet tried counts as never played.
    std::vector<PictureButton*> tiles;
    long fewest = -1;
    QStringList buttons{QStringLiteral("Command1")};
    for (const ScreenEntry& row : screenCatalogue())
        buttons << row.button;
    for (const QString& button : buttons) {
        PictureButton* tile = form->button(button);
        if (!tile || !tile->isVisible() || !tile->isEnabled())
            continue;
        const auto known = screenOfButton_.find(button);
        const QString name = known == screenOfButton_.end() ? QString() : known->second;
        const long seen = name.isEmpty() || !report_.perScreen.count(name) ? 0 : report_.perScreen.at(name);
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
    pendingTile_ = tile->objectName();
    clickAt(pointIn(tile));
    return true;
}

void Monkey::planEvent()
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
            : holds                                          ? 10 + below(40)
            : isExercise(name)                               ? 15 + below(150)
                                                             : 0;
    }
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

// ---- Soak ----

Soak::Soak(quint64 seed) : program(seed)
{
    program.dialogs.alwaysYes = true;
    // The fastest speech: two screens hold their opening until the title has been said.
    Modulo1::Velocita = 200;
    toMenu();
}

Soak::~Soak() = default;

void Soak::toMenu()
{
    if (program.frontName() == QLatin1String("FormAvvio"))
        program.click({20, 300}); // the splash leads to the menu
    program.waitUntil([this] { return qobject_cast<FormMenu*>(program.front()) != nullptr; });
}

bool Soak::roundTrip(int speakMs)
{
    auto* menu = qobject_cast<FormMenu*>(program.front());
    if (!menu)
        return false;
    const std::vector<ScreenEntry>& rows = screenCatalogue();
    const ScreenEntry& row = rows[size_t(done_) % rows.size()];
    PictureButton* tile = menu->button(row.button);
    if (!tile)
        return false;
    program.click(program.toWindow(tile, tile->rect().center()));
    if (!program.waitUntil([this] { return qobject_cast<ExerciseScreen*>(program.front()) != nullptr; }))
        return false;
    auto* screen = qobject_cast<ExerciseScreen*>(program.front());
    if (!screen->mnuEsci)
        return false;
    program.wait(speakMs);
    const QRect place = screen->menuBar->actionGeometry(screen->mnuEsci);
    program.click(program.toWindow(screen->menuBar, place.center()));
    ++done_;
    return program.waitUntil([this] { return qobject_cast<FormMenu*>(program.front()) != nullptr; });
}
