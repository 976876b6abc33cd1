// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/screen_rig.h"
#include "helpers/test_registry.h"
#include "home/menu.h"
#include "home/voice_settings.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "widgets/bocca.h"
#include "widgets/picture_button.h"

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <unistd.h>

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

// The names of what Qt tells a screen reader took the focus, while it lives. Qt tells nothing
// while no screen reader listens: this one listens as one would, and stops at the end.
class FocusToldToScreenReader
{
public:
    FocusToldToScreenReader()
    {
        names_().clear();
        QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
            if (event->type() == QAccessible::Focus && event->accessibleInterface())
                names_() << event->accessibleInterface()->text(QAccessible::Name);
        });
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }
    ~FocusToldToScreenReader()
    {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
    }
    QStringList names() const { return names_(); }

private:
    static QStringList& names_()
    {
        static QStringList names;
        return names;
    }
};

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
        QCOMPARE(
            rig.speech.log(QStringLiteral("FormImposta")),
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

        click(form->Bocca);
        QCOMPARE(rig.last("rate"), 130);
        QCOMPARE(rig.said().last(), QStringLiteral("welcome "));
    }

    // What a screen reader finds: the list labelled "voice", describing the voice chosen, and
    // each voice the arrows choose reported as taking the focus (what Orca speaks); Right and
    // Up make the voice faster, Left and Down slower.
    void theListIsLabelledAndTheArrowsGoTheWayTheyPoint()
    {
        Rig rig;
        FormImposta* form = rig.open();
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(form->Combo1);
        QVERIFY(list);
        const auto labels = list->relations(QAccessible::Label); // what labels it
        QVERIFY(!labels.isEmpty());
        QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral("voice"));
        form->Combo1->setFocus();
        QTRY_VERIFY(form->Combo1->hasFocus());

        const FocusToldToScreenReader told;
        QTest::keyClick(form->Combo1, Qt::Key_Down);
        QTest::keyClick(form->Combo1, Qt::Key_Down);
        QTest::keyClick(form->Combo1, Qt::Key_Up);
        QCOMPARE(told.names(),
                 (QStringList{form->Combo1->itemText(1), form->Combo1->itemText(2), form->Combo1->itemText(1)}));
        QCOMPARE(list->text(QAccessible::Description), form->Combo1->itemText(1));

        form->HScroll1->setFocus();
        QTest::keyClick(form->HScroll1, Qt::Key_Right);
        QCOMPARE(Modulo1::Velocita, qint16(140));
        QTest::keyClick(form->HScroll1, Qt::Key_Up);
        QCOMPARE(Modulo1::Velocita, qint16(145));
        QTest::keyClick(form->HScroll1, Qt::Key_Left);
        QTest::keyClick(form->HScroll1, Qt::Key_Down);
        QCOMPARE(Modulo1::Velocita, qint16(135));
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
        QVERIFY(rig.dialogs.shown.isEmpty());
        QFile saved(Modulo1::FileImpostazioni);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray(" 2 \r\n 90 \r\n"));
        QCOMPARE(Modulo1::Voce, qint16(2));
        QCOMPARE(Modulo1::Velocita, qint16(90));
        flushDeletes();
        QVERIFY(form.isNull());
        QCOMPARE(rig.window.currentScreen()->screenName(), QStringLiteral("FormMenu"));
    }

    void aSaveThatFailsIsReportedAndTheProgramGoesOn_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("a file where the folder should be") << QStringLiteral("file as folder");
        // Root writes into read-only folders and files; nobody, root included, can make a
        // folder below a regular file, so this row stands for a place no one may write.
        QTest::newRow("a folder below a file") << QStringLiteral("below a file");
        QTest::newRow("read-only folder") << QStringLiteral("read-only folder");
        QTest::newRow("read-only file") << QStringLiteral("read-only file");
    }

    void aSaveThatFailsIsReportedAndTheProgramGoesOn()
    {
        QFETCH(QString, place);
        const bool readOnly = place.startsWith(QLatin1String("read-only"));
        if (readOnly && ::geteuid() == 0)
            QSKIP("root writes whatever the modes say; the rows above fail for root too");
        Rig rig;
        QTemporaryDir scratch;
        QString folder = rig.folders.settings();
        if (place == QLatin1String("below a file"))
            folder = scratch.path() + QStringLiteral("/file/ImpostazioniProgrammiZerlino");
        const QString file = folder + QStringLiteral("/programmiinglese.ini");
        Modulo1::setSettingsFolder(folder);
        Modulo1::FileImpostazioni = file;
        const auto makeFile = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        if (place == QLatin1String("file as folder")) {
            QVERIFY(makeFile(folder, "not a folder"));
        } else if (place == QLatin1String("below a file")) {
            QVERIFY(makeFile(scratch.path() + QStringLiteral("/file"), "not a folder"));
        } else {
            QVERIFY(Modulo1::CreaCartellaImpostazioni());
            QVERIFY(makeFile(file, " 1 \r\n 135 \r\n"));
            const QString locked = place == QLatin1String("read-only folder") ? folder : file;
            QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }

        FormImposta* form = rig.open();
        form->Combo1->setCurrentIndex(2);
        form->HScroll1->setValue(90);
        if (!readOnly)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot create the settings folder")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot write")));
        click(form->BottoneEsci);

        QCOMPARE(rig.dialogs.shown.size(), 1);
        const ScriptedDialogs::Box box = rig.dialogs.shown[0];
        QCOMPARE(box.title, QStringLiteral("Munchora"));
        QCOMPARE(box.icon, BoxIcon::Critical);
        QCOMPARE(box.buttons, BoxButtons::Ok);
        QVERIFY2(box.text.contains(QStringLiteral("\r\n") + QDir::toNativeSeparators(file) + QStringLiteral("\r\n")),
                 qPrintable(box.text));
        QVERIFY(box.text.startsWith(QStringLiteral("non posso salvare la voce e la velocità")));

        // The screen closes as after a save, and the menu beneath takes over with the chosen
        // voice and speed for the rest of the run.
        QVERIFY(!rig.window.overlay());
        auto* menu = qobject_cast<FormMenu*>(rig.window.currentScreen());
        QVERIFY(menu && menu->isVisible() && menu->isEnabled());
        QCOMPARE(Modulo1::Voce, qint16(3));
        QCOMPARE(Modulo1::Velocita, qint16(90));
        flushDeletes();
        click(menu->button(QStringLiteral("Command1")));
        auto* again = qobject_cast<FormImposta*>(rig.window.overlay());
        QVERIFY(again);
        QCOMPARE(again->Combo1->currentIndex(), 2);
        QCOMPARE(again->HScroll1->value(), 90);
        if (readOnly) {
            QFile kept(file);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray(" 1 \r\n 135 \r\n"));
            QFile::setPermissions(place == QLatin1String("read-only folder") ? folder : file,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
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
