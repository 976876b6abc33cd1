// SPDX-License-Identifier: GPL-3.0-or-later
// The wait for silence on its own, without a window: a state ended by the speech side's word,
// holding or dropping the child's input, never running its steps for a screen that went away.

#include "exercises/silence_wait.h"
#include "helpers/fakes.h"
#include "helpers/test_registry.h"
#include "shell/input_gate.h"
#include "widgets/bocca.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

// A screen with its mouth, as an exercise has them, never shown.
struct Rig
{
    RecordingSpeechService speech;
    std::unique_ptr<QWidget> screen = std::make_unique<QWidget>();
    Bocca* mouth = new Bocca(QStringLiteral("Form0"), screen.get());
    SilenceWait* wait = new SilenceWait(*mouth, *screen);
};

} // namespace

class TestSilenceWait : public QObject
{
    Q_OBJECT
private slots:
    void aStepRunsOnceTheMouthIsSilent()
    {
        Rig rig;
        bool ran = false;
        rig.wait->then(SilenceWait::Input::Drop, [&] { ran = true; });
        QVERIFY(ran); // nothing said: at once
        QVERIFY(!rig.wait->waiting());

        ran = false;
        rig.speech.holdSpeaking = true;
        rig.mouth->Speak(QStringLiteral("apple"));
        rig.wait->then(SilenceWait::Input::Drop, [&] { ran = true; });
        QVERIFY(rig.wait->waiting());
        QTest::qWait(50); // the speech side has said nothing: nothing runs, nothing asks
        QVERIFY(!ran && rig.wait->waiting());
        rig.speech.holdSpeaking = false; // the speech side tells
        QTRY_VERIFY(ran);
        QVERIFY(!rig.wait->waiting());
        QVERIFY(InputGate::idle());

        // Speech that ends by itself, and a stop.
        ran = false;
        rig.speech.speakingMs = 60;
        rig.mouth->Speak(QStringLiteral("pear"));
        rig.wait->then(SilenceWait::Input::Drop, [&] { ran = true; });
        QTRY_VERIFY(ran);
        ran = false;
        rig.speech.holdSpeaking = true;
        rig.mouth->Speak(QStringLiteral("fish"));
        rig.wait->then(SilenceWait::Input::Drop, [&] { ran = true; });
        rig.mouth->StopSpeech();
        QTRY_VERIFY(ran);
    }

    void inputIsHeldThenHandedOnOrDropped_data()
    {
        QTest::addColumn<SilenceWait::Input>("input");
        QTest::addColumn<bool>("handed");
        QTest::newRow("handled after") << SilenceWait::Input::HandleAfter << true;
        QTest::newRow("dropped") << SilenceWait::Input::Drop << false;
    }

    void inputIsHeldThenHandedOnOrDropped()
    {
        QFETCH(SilenceWait::Input, input);
        QFETCH(bool, handed);
        Rig rig;
        rig.speech.holdSpeaking = true;
        rig.mouth->Speak(QStringLiteral("apple"));
        QStringList done;
        rig.wait->then(input, [&] { done << QStringLiteral("step"); });
        InputGate::press(rig.screen.get(), [&] { done << QStringLiteral("press"); });
        QCOMPARE(done, QStringList{});
        rig.speech.holdSpeaking = false;
        QTRY_VERIFY(InputGate::idle());
        QCOMPARE(done,
                 handed ? (QStringList{QStringLiteral("step"), QStringLiteral("press")})
                        : QStringList{QStringLiteral("step")});
    }

    void aHiddenScreenEndsTheWaitWithoutItsSteps()
    {
        Rig rig;
        rig.speech.holdSpeaking = true;
        rig.screen->show();
        rig.mouth->Speak(QStringLiteral("apple"));
        bool ran = false;
        rig.wait->then(SilenceWait::Input::HandleAfter, [&] { ran = true; });
        QSignalSpy closeDue(rig.wait, &SilenceWait::closeDue);
        QVERIFY(rig.wait->holdClose());
        rig.screen->hide();
        QVERIFY(!rig.wait->waiting());
        QVERIFY(InputGate::idle());
        rig.speech.holdSpeaking = false;
        QTest::qWait(20);
        QVERIFY(!ran);
        QCOMPARE(closeDue.count(), 0); // the close went with the screen
    }

    void aCloseAskedDuringTheWaitComesAfterIt()
    {
        Rig rig;
        QVERIFY(!rig.wait->holdClose()); // no wait: asked at once
        rig.speech.holdSpeaking = true;
        rig.mouth->Speak(QStringLiteral("apple"));
        rig.wait->holdInput(SilenceWait::Input::HandleAfter);
        QSignalSpy closeDue(rig.wait, &SilenceWait::closeDue);
        QVERIFY(rig.wait->holdClose());
        QTest::qWait(20);
        QCOMPARE(closeDue.count(), 0);
        rig.speech.holdSpeaking = false;
        QTRY_COMPARE(closeDue.count(), 1);
    }
};

MUNCHORA_TEST(TestSilenceWait)
#include "test_silence_wait.moc"
