// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/program_under_test.h"

#include "exercises/exercise_screen.h"
#include "helpers/fakes.h"
#include "helpers/screen_rig.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "speech/engine_speech_service.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <qpa/qwindowsysteminterface.h>

namespace {

using Delivery = QWindowSystemInterface::AsynchronousDelivery;

} // namespace

// ---- RandomDialogs, SeededRandom ----

RandomDialogs::RandomDialogs(quint64 seed) : random_(seed)
{
    Dialogs::install(this);
}

RandomDialogs::~RandomDialogs()
{
    Dialogs::install(nullptr);
}

void RandomDialogs::ask(QWidget*, const QString& text, const QString&, BoxIcon, BoxButtons buttons, Then then, int)
{
    ++asked[text];
    BoxAnswer answer = BoxAnswer::Ok;
    if (buttons == BoxButtons::YesNo) {
        const bool answerYes = alwaysYes || random_() % 2 == 0;
        ++(answerYes ? yes : no);
        answer = answerYes ? BoxAnswer::Yes : BoxAnswer::No;
    }
    if (then)
        then(answer);
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
        if (screen && (!screen->isVisible() || screen->geometry() != Screen::placeIn(window_->size())))
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
    if (auto* exercise = qobject_cast<ExerciseScreen*>(current);
        exercise && (exercise->Esatti < 0 || exercise->Errati < 0))
        found << QStringLiteral("counts %1 / %2").arg(exercise->Esatti).arg(exercise->Errati);
    // The score shown is the score counted.
    if (auto* exercise = qobject_cast<ExerciseScreen*>(current); exercise && exercise->PicturesattiErrati && !overlay) {
        const ScorePanel* panel = exercise->PicturesattiErrati;
        if (panel->EtichettaEsatti->text().trimmed().toInt() != exercise->Esatti)
            found << QStringLiteral("%1 shows %2 right, counted %3")
                         .arg(current->screenName(), panel->EtichettaEsatti->text())
                         .arg(exercise->Esatti);
        if (panel->EtichettaErrati->text().trimmed().toInt() != exercise->Errati)
            found << QStringLiteral("%1 shows %2 wrong, counted %3")
                         .arg(current->screenName(), panel->EtichettaErrati->text())
                         .arg(exercise->Errati);
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
    QWindowSystemInterface::handleKeyEvent<Delivery>(
        window_->windowHandle(), stamp(60), press ? QEvent::KeyPress : QEvent::KeyRelease, key, modifiers, text);
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
