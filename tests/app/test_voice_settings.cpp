#include "app/app_window.h"
#include "app/menu.h"
#include "app/modulo1.h"
#include "app/picture_button.h"
#include "app/voice_settings.h"
#include "helpers/screen_rig.h"
#include "helpers/test_registry.h"
#include "speech/bocca.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QTest>

namespace {

// The voice settings laid over the menu, as the "Voice" button does, in a shown host.
struct Rig : ScreenRig
{
    Rig() { window.showScreen(newFormMenu()); }

    FormImposta* open()
    {
        window.showOverlay(newFormImposta());
        return qobject_cast<FormImposta*>(window.overlay());
    }
    QStringList said() const { return speech.spoken(QStringLiteral("FormImposta")); }
    int last(const char* kind) const { return speech.lastValue(QStringLiteral("FormImposta"), QLatin1String(kind)); }
};

// The arrow buttons sit at the two ends of the bar.
void clickArrow(QScrollBar* bar, bool faster)
{
    const int x = faster ? bar->width() - bar->height() / 2 : bar->height() / 2;
    click(bar, QPoint(x, bar->height() / 2));
}

} // namespace

class TestVoiceSettings : public QObject
{
    Q_OBJECT
private slots:
    void opensWithTheStoredSettings()
    {
        Rig rig;
        FormImposta* form = rig.open();
        QVERIFY(form);
        QCOMPARE(form->geometry(), rig.window.rect());
        QCOMPARE(form->Combo1->count(), 3);
        QCOMPARE(form->Combo1->itemText(2), QStringLiteral("Voice three"));
        QCOMPARE(form->Combo1->currentIndex(), 0);
        QCOMPARE(form->Label1->text(), QStringLiteral("Velocità =  135"));
        QCOMPARE(form->Label1->accessibleName(), form->Label1->text());
        QCOMPARE(form->HScroll1->value(), 135);
        QCOMPARE(form->BottoneEsci->accessibleName(), QStringLiteral("conferma"));
        QCOMPARE(rig.window.focusWidget(), form->BottoneEsci); // keys do not reach the menu below
        // The stored voice is applied, the speed is not: "click here" comes at the mouth's own pace.
        QCOMPARE(rig.last("voice"), 1);
        QCOMPARE(rig.last("rate"), -1);
        QCOMPARE(rig.speech.log(QStringLiteral("FormImposta")),
                 (QStringList{QStringLiteral("FormImposta: stop"), QStringLiteral("FormImposta: speak \"click here\"")}));
    }

    void arrowStepChangesTheSpeedSilentlyAndTheMouthTriesIt()
    {
        Rig rig;
        FormImposta* form = rig.open();
        clickArrow(form->HScroll1, true);
        QCOMPARE(form->HScroll1->value(), 140);
        QCOMPARE(Modulo1::Velocita, qint16(140));
        QCOMPARE(form->Label1->text(), QStringLiteral("Velocità =  140"));
        clickArrow(form->HScroll1, false);
        clickArrow(form->HScroll1, false);
        QCOMPARE(Modulo1::Velocita, qint16(130));
        QCOMPARE(form->Label1->text(), QStringLiteral("Velocità =  130"));
        QCOMPARE(rig.said(), QStringList{QStringLiteral("click here")});
        QCOMPARE(rig.last("rate"), -1);

        click(form->Bocca_);
        QCOMPARE(rig.last("rate"), 130);
        QCOMPARE(rig.said().last(), QStringLiteral("welcome "));
    }

    void chosenVoiceAndSpeedAreKeptOnConfirm()
    {
        Rig rig;
        QPointer<FormImposta> form = rig.open();
        form->Combo1->setFocus();
        QTest::keyClick(form->Combo1, Qt::Key_Down); // the second voice, of the other kind
        QCOMPARE(form->Combo1->currentIndex(), 1);
        QCOMPARE(Modulo1::Voce, qint16(2));
        QCOMPARE(rig.last("voice"), 2);
        QCOMPARE(Modulo1::FlagVoce, qint16(1));
        QCOMPARE(rig.last("flag"), 1);
        form->HScroll1->setValue(90);
        QCOMPARE(form->Label1->text(), QStringLiteral("Velocità =  90"));

        click(form->BottoneEsci);
        QVERIFY(!rig.window.overlay());
        QCOMPARE(Modulo1::Voce, qint16(2));
        QCOMPARE(Modulo1::Velocita, qint16(90));
        flushDeletes();
        QVERIFY(form.isNull());
        QCOMPARE(rig.window.currentScreen()->screenName(), QStringLiteral("FormMenu"));
    }

    void storedValuesOutsideTheControlsStillOpen_data()
    {
        QTest::addColumn<int>("voice");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("shownSpeed");
        QTest::newRow("voice 99, speed 7") << 99 << 7 << 50;
        QTest::newRow("voice 0, speed 250") << 0 << 250 << 200;
        QTest::newRow("voice -3, speed -40") << -3 << -40 << 50;
    }

    void storedValuesOutsideTheControlsStillOpen()
    {
        QFETCH(int, voice);
        QFETCH(int, speed);
        QFETCH(int, shownSpeed);
        Rig rig;
        Modulo1::Voce = qint16(voice);
        Modulo1::Velocita = qint16(speed);
        FormImposta* form = rig.open();
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->Combo1->currentIndex(), 0);
        QCOMPARE(Modulo1::Voce, qint16(1));
        QCOMPARE(rig.last("voice"), 1);
        QCOMPARE(form->HScroll1->value(), shownSpeed);
        QCOMPARE(Modulo1::Velocita, qint16(shownSpeed));
        QCOMPARE(form->Label1->text(), QStringLiteral("Velocità = ") + QLatin1Char(' ') + QString::number(shownSpeed));
        QVERIFY(rig.dialogs.shown.isEmpty());
        QCOMPARE(rig.said(), QStringList{QStringLiteral("click here")});
    }

    void refusedVoiceIsReportedAndNeverKept()
    {
        Rig rig;
        rig.speech.refusedVoices = {2};
        FormImposta* form = rig.open();
        form->Combo1->setFocus();
        QTest::keyClick(form->Combo1, Qt::Key_Down);
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown[0].text, QStringLiteral("non posso selezionare questa voce"));
        QCOMPARE(rig.dialogs.shown[0].title, QStringLiteral("Munchora"));
        QCOMPARE(rig.dialogs.shown[0].icon, BoxIcon::None);
        QCOMPARE(rig.dialogs.shown[0].buttons, BoxButtons::Ok);
        QCOMPARE(Modulo1::Voce, qint16(1));
        QCOMPARE(form->Combo1->currentIndex(), 0);
        QCOMPARE(rig.window.overlay(), form);

        // Another voice still works afterwards.
        form->Combo1->setCurrentIndex(2);
        QCOMPARE(Modulo1::Voce, qint16(3));
        QCOMPARE(rig.last("voice"), 3);
        QCOMPARE(rig.dialogs.shown.size(), 1);
    }

    void refusedStoredVoiceFallsBackWhenOpening()
    {
        Rig rig;
        rig.speech.refusedVoices = {3};
        Modulo1::Voce = 3;
        FormImposta* form = rig.open();
        QVERIFY(form);
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(Modulo1::Voce, qint16(1));
        QCOMPARE(form->Combo1->currentIndex(), 0);
        QCOMPARE(rig.said(), QStringList{QStringLiteral("click here")});
    }
};

MUNCHORA_TEST(TestVoiceSettings)
#include "test_voice_settings.moc"
