// SPDX-License-Identifier: GPL-3.0-or-later
// The mouth widget: how it looks silent and talking, its click, its log lines, and
// ImpostaVoce's order of settings.

#include "helpers/fakes.h"
#include "helpers/test_registry.h"
#include "settings/modulo1.h"
#include "widgets/bocca.h"
#include "widgets/impostavoce.h"

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>

namespace {
QStringList* captured = nullptr;

void capture(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (captured && QByteArray(context.category) == "munchora.speech")
        captured->append(message);
}
} // namespace

class TestBocca : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetSharedState(); }

    void looksDifferentWhileTalking()
    {
        RecordingSpeechService speech;
        speech.holdSpeaking = true;
        Bocca mouth(QStringLiteral("Form2"));
        mouth.resize(100, 100);
        QCOMPARE(mouth.accessibleName(), QStringLiteral("mouth"));
        const QImage silent = mouth.grab().toImage();
        mouth.Speak(QStringLiteral("apple"));
        QVERIFY(mouth.SpeakingNow());
        QTRY_VERIFY(mouth.grab().toImage() != silent);
        const QImage talking = mouth.grab().toImage();
        QTRY_VERIFY(mouth.grab().toImage() != talking); // it moves
        mouth.StopSpeech();
        QVERIFY(!mouth.SpeakingNow());
        QTRY_COMPARE(mouth.grab().toImage(), silent);
    }

    void clickNeedsPressAndReleaseOnIt()
    {
        RecordingSpeechService speech;
        Bocca mouth(QStringLiteral("Form3"));
        mouth.resize(80, 80);
        QSignalSpy clicks(&mouth, &Bocca::Bocca_Click);
        QTest::mouseClick(&mouth, Qt::LeftButton, {}, QPoint(40, 40));
        QCOMPARE(clicks.size(), 1);
        QTest::mousePress(&mouth, Qt::LeftButton, {}, QPoint(40, 40));
        QTest::mouseRelease(&mouth, Qt::LeftButton, {}, QPoint(200, 40)); // slid off it
        QCOMPARE(clicks.size(), 1);
        QTest::mouseClick(&mouth, Qt::RightButton, {}, QPoint(40, 40));
        QCOMPARE(clicks.size(), 1);
    }

    void logsEverySpeakAndStop()
    {
        RecordingSpeechService speech;
        QStringList lines;
        captured = &lines;
        QLoggingCategory::setFilterRules(QStringLiteral("munchora.speech.debug=true"));
        const QtMessageHandler previous = qInstallMessageHandler(capture);
        {
            Bocca mouth(QStringLiteral("Form2"));
            mouth.Speak(QStringLiteral("exercise 2.. click on the objet."));
            mouth.StopSpeech();
            mouth.Speak(QStringLiteral("No! repeat! "));
        }
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        captured = nullptr;
        QCOMPARE(lines,
                 QStringList({QStringLiteral("Form2: speak \"exercise 2.. click on the objet.\""),
                              QStringLiteral("Form2: stop"), QStringLiteral("Form2: speak \"No! repeat! \"")}));
        QCOMPARE(speech.spoken(QStringLiteral("Form2")),
                 QStringList({QStringLiteral("exercise 2.. click on the objet."), QStringLiteral("No! repeat! ")}));
    }

    void impostaVoceAppliesVoiceFlagThenSpeed()
    {
        RecordingSpeechService speech; // voices: kind 1, 2, 1
        Bocca mouth(QStringLiteral("FormMenu"));
        Modulo1::Voce = 2;
        Modulo1::Velocita = 160;
        ImpostaVoce(mouth);
        QCOMPARE(mouth.VoiceNumber(), 2);
        QCOMPARE(Modulo1::FlagVoce, qint16(1));
        QStringList order;
        for (const auto& e : speech.events)
            order << QStringLiteral("%1=%2").arg(e.kind).arg(e.value);
        QCOMPARE(order, QStringList({"voice=2", "flag=1", "rate=160"}));

        // A saved number the service refuses falls back to voice 1 instead of leaving it mute.
        speech.clear();
        speech.refusedVoices.insert(3);
        Modulo1::Voce = 3;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("voice 3 refused"));
        ImpostaVoce(mouth);
        QCOMPARE(mouth.VoiceNumber(), 1);
        QCOMPARE(Modulo1::FlagVoce, qint16(0));
    }
};

MUNCHORA_TEST(TestBocca)
#include "test_bocca.moc"
