// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/screen_rig.h"
#include "helpers/test_registry.h"
#include "home/menu.h"
#include "home/splash.h"
#include "home/voice_settings.h"
#include "screens.h"
#include "shell/app_window.h"
#include "widgets/bocca.h"
#include "widgets/picture_button.h"
#include "widgets/pictures.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

QAccessibleInterface* accessible(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

QStringList actions(QWidget* widget)
{
    QAccessibleInterface* iface = accessible(widget);
    QAccessibleActionInterface* actionInterface = iface ? iface->actionInterface() : nullptr;
    return actionInterface ? actionInterface->actionNames() : QStringList();
}

// Presses a widget the way a screen reader or a switch does.
void press(QWidget* widget)
{
    QAccessibleInterface* iface = accessible(widget);
    QVERIFY(iface && iface->actionInterface());
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

const QString pressName = QAccessibleActionInterface::pressAction();

} // namespace

class RoleOnly : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
};

class TestAccessibility : public QObject
{
    Q_OBJECT
private slots:
    void splashPicturesAreNamedButtonsThatTellWhatToDo()
    {
        ScreenRig rig;
        rig.random.push({ScriptedRandom::word(6), ScriptedRandom::word(20), ScriptedRandom::word(1)});
        rig.window.showScreen(newFormAvvio());
        QPointer<FormAvvio> splash = qobject_cast<FormAvvio*>(rig.window.currentScreen());
        QVERIFY(splash);
        const QStringList words{"orange", "ice cream", "chicken"};
        for (int i = 0; i < 3; ++i) {
            PictureBox* picture = splash->Image1[size_t(i)];
            QAccessibleInterface* iface = accessible(picture);
            QVERIFY(iface);
            QCOMPARE(iface->role(), QAccessible::Button); // a picture that can be pressed
            QCOMPARE(iface->text(QAccessible::Name), words[i]);
            QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("press a key or click to begin"));
            // The press is the first action: the one tools take as the default.
            QCOMPARE(actions(picture).value(0), pressName);
        }
        // Qt's own controls are left to Qt.
        QCOMPARE(accessible(splash->Label2)->role(), QAccessible::StaticText);

        // Pressing a picture opens the menu as a click on it does, once.
        press(splash->Image1[1]);
        QVERIFY(rig.window.currentScreen());
        QCOMPARE(rig.window.currentScreen()->screenName(), QStringLiteral("FormMenu"));
        QCOMPARE(rig.window.currentScreen()->geometry(), rig.window.rect());
        Screen* menu = rig.window.currentScreen();
        // The splash is on its way out and takes no more presses.
        QVERIFY(!actions(splash->Image1[0]).contains(pressName));
        press(splash->Image1[0]);
        QCOMPARE(rig.window.currentScreen(), menu);
        flushDeletes();
        QVERIFY(splash.isNull());
    }

    void theMouthIsAButtonWhosePressIsAClick()
    {
        ScreenRig rig;
        rig.window.showScreen(newFormMenu());
        auto* menu = qobject_cast<FormMenu*>(rig.window.currentScreen());
        QVERIFY(menu);
        QAccessibleInterface* iface = accessible(menu->Bocca);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::Button);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("mouth"));
        // Nothing answers a click on the menu's mouth: no press is offered for it.
        QVERIFY(!actions(menu->Bocca).contains(pressName));

        // The settings' mouth tries the voice as a click on it does; the menu's, covered by
        // the settings, still offers nothing.
        click(menu->button(QStringLiteral("Command1")));
        auto* settings = qobject_cast<FormImposta*>(rig.window.overlay());
        QVERIFY(settings);
        QCOMPARE(actions(settings->Bocca).value(0), pressName);
        QVERIFY(!actions(menu->Bocca).contains(pressName));
        rig.speech.clear();
        press(settings->Bocca);
        QCOMPARE(rig.speech.spoken(QStringLiteral("FormImposta")), QStringList{QStringLiteral("welcome ")});
    }

    void onlyAPictureThatReactsCanBePressed()
    {
        QWidget screen;
        auto* icon = new PictureBox(&screen);
        icon->setImage(QImage(8, 8, QImage::Format_RGB32), QStringLiteral("yes"));
        QAccessibleInterface* iface = accessible(icon);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::Graphic);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("yes"));
        QVERIFY(!actions(icon).contains(pressName)); // a score icon is only looked at

        // Whether it reacts is asked each time: the interface is older than the connection.
        int clicks = 0;
        const QMetaObject::Connection reaction = connect(icon, &PictureBox::clicked, [&] { ++clicks; });
        QCOMPARE(actions(icon).value(0), pressName);
        press(icon);
        QCOMPARE(clicks, 1);

        icon->setEnabled(false);
        QVERIFY(!actions(icon).contains(pressName));
        press(icon);
        QCOMPARE(clicks, 1);
        icon->setEnabled(true);
        screen.setEnabled(false); // a disabled screen disables its pictures
        press(icon);
        QCOMPARE(clicks, 1);
        screen.setEnabled(true);

        disconnect(reaction);
        QVERIFY(!actions(icon).contains(pressName));
    }

    void aWidgetCanDeclareItsRole()
    {
        // A declared role gives the role, and nothing to press; a declaration made after the
        // widget's interface was first asked for counts all the same.
        RoleOnly plain;
        QCOMPARE(accessible(&plain)->role(), QAccessible::Client);
        plain.setProperty("accessibleRole", int(QAccessible::Separator));
        QCOMPARE(accessible(&plain)->role(), QAccessible::Separator);
        QVERIFY(!actions(&plain).contains(pressName));
        // Withdrawn, it is Qt's again.
        plain.setProperty("accessibleRole", QVariant());
        QCOMPARE(accessible(&plain)->role(), QAccessible::Client);
    }
};

MUNCHORA_TEST(TestAccessibility)
#include "test_accessibility.moc"
