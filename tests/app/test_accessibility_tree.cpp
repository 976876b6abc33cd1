// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader finds on every screen when it walks the window's accessibility tree:
// each control a child can press or reach has a role, a name and its action, and the names
// say what the child sees.

#include "exercises/exercise_rig.h"
#include "exercises/likes.h"
#include "exercises/who_likes.h"
#include "exercises/word_choice.h"
#include "games/memory.h"
#include "helpers/test_registry.h"
#include "home/menu.h"
#include "home/screen_catalogue.h"
#include "home/splash.h"
#include "home/unit_choice.h"
#include "home/voice_settings.h"
#include "screens.h"
#include "shell/app_window.h"
#include "widgets/bocca.h"
#include "widgets/picture_button.h"

#include <QAccessible>
#include <QLabel>
#include <QScopeGuard>
#include <QTest>

namespace {

struct Node
{
    QAccessibleInterface* iface;
    QWidget* widget;
};

// Every visible, enabled node under the window, depth first.
void collect(QAccessibleInterface* iface, QList<Node>& nodes, int depth = 0)
{
    if (!iface || depth > 30)
        return;
    const QAccessible::State state = iface->state();
    if (state.invisible || state.disabled)
        return; // nothing a child can reach or press
    QObject* object = iface->object();
    nodes.append({iface, object && object->isWidgetType() ? static_cast<QWidget*>(object) : nullptr});
    for (int i = 0; i < iface->childCount(); ++i)
        collect(iface->child(i), nodes, depth + 1);
}

QList<Node> tree(AppWindow& window)
{
    QList<Node> nodes;
    collect(QAccessible::queryAccessibleInterface(&window), nodes);
    return nodes;
}

QString describe(const Node& node)
{
    QObject* object = node.iface->object();
    return QStringLiteral("%1 \"%2\" (role %3)")
        .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("?"),
             object ? object->objectName() : QString())
        .arg(int(node.iface->role()));
}

bool hasPress(QAccessibleInterface* iface)
{
    QAccessibleActionInterface* actions = iface->actionInterface();
    return actions && actions->actionNames().contains(QAccessibleActionInterface::pressAction());
}

// The controls a child can press or reach with Tab that a screen reader could not name, give
// a role, or press.
QStringList faults(AppWindow& window)
{
    QStringList found;
    for (const Node& node : tree(window)) {
        QAccessibleInterface* iface = node.iface;
        const bool press = hasPress(iface);
        const bool focusable = iface->state().focusable;
        if (!press && !focusable)
            continue;
        if (iface->text(QAccessible::Name).trimmed().isEmpty())
            found << QStringLiteral("no name: ") + describe(node);
        if (iface->role() == QAccessible::NoRole || iface->role() == QAccessible::Client)
            found << QStringLiteral("no role: ") + describe(node);
        // Reached by the keyboard, it can be used without it too: pressed, or set (a value).
        if (focusable && !press && !iface->valueInterface() && !iface->actionInterface())
            found << QStringLiteral("no action: ") + describe(node);
    }
    return found;
}

Accessible of(QWidget* widget)
{
    return accessibleOf(widget);
}

} // namespace

class TestAccessibilityTree : public QObject
{
    Q_OBJECT
private slots:
    void everyScreenNamesWhatCanBePressed_data()
    {
        QTest::addColumn<int>("row");
        QTest::newRow("units") << -4;
        QTest::newRow("splash") << -3;
        QTest::newRow("menu") << -2;
        QTest::newRow("voice") << -1;
        int row = 0;
        for (const ScreenEntry& entry : screenCatalogue())
            QTest::newRow(qPrintable(entry.caption)) << row++;
    }

    void everyScreenNamesWhatCanBePressed()
    {
        QFETCH(int, row);
        if (row == -4)
            setOfferedUnits({{"7", "Food and drink", 7, {}}, {"animals", "Animals", 8, {}}}, {});
        const auto restore = qScopeGuard([] { setOfferedUnits({}, {}); });
        ExerciseRig rig;
        if (row == -3) {
            rig.window.showScreen(newFormAvvio());
        } else {
            rig.window.showScreen(newFormMenu());
            flushDeletes();
            if (row == -1 || row == -4)
                click(qobject_cast<FormMenu*>(rig.window.currentScreen())
                          ->button(row == -1 ? QStringLiteral("Command1") : QStringLiteral("unitButton")));
            else if (row >= 0)
                rig.window.showScreen(screenCatalogue().at(size_t(row)).make());
        }
        flushDeletes();
        const QStringList found = faults(rig.window);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));

        // Every mouth is a button named "mouth", offering a press where a click does something.
        int mouths = 0;
        for (const Node& node : tree(rig.window)) {
            if (auto* mouth = qobject_cast<Bocca*>(node.widget)) {
                ++mouths;
                QCOMPARE(node.iface->role(), QAccessible::Button);
                QCOMPARE(node.iface->text(QAccessible::Name), QStringLiteral("mouth"));
                QCOMPARE(hasPress(node.iface), mouth->isClickable());
            }
            // Nothing drawn for the eye alone (the focus ring) is offered as a visible thing.
            if (node.iface->role() == QAccessible::Border)
                QVERIFY(node.iface->state().invisible);
        }
        QVERIFY(mouths >= 1);
    }

    void aNamelessControlIsFound()
    {
        ExerciseRig rig;
        auto* form = rig.open<Form5>(new Form5);
        QVERIFY(faults(rig.window).isEmpty());
        auto* stray = new WordLabel(form);
        stray->setGeometry(10, 700, 100, 40);
        stray->show();
        QCOMPARE(faults(rig.window).size(), 1);
        QVERIFY(faults(rig.window).first().startsWith(QStringLiteral("no name: WordLabel")));
        stray->setCaption(QStringLiteral("cake"));
        QVERIFY(faults(rig.window).isEmpty());
    }

    void namesSayWhatTheChildSees()
    {
        ExerciseRig rig;

        // Score values are labels carrying the value; the smileys say how they feel.
        auto* f12 = rig.open<Form12>(new Form12);
        const Accessible count = of(f12->PicturesattiErrati->EtichettaEsatti);
        QCOMPARE(count.role, QAccessible::StaticText);
        QCOMPARE(count.name.trimmed(), QStringLiteral("0"));
        QCOMPARE(of(f12->Image1[0]).name, QStringLiteral("pleased"));
        QCOMPARE(of(f12->Image1[1]).name, QStringLiteral("displeased"));
        QCOMPARE(of(f12->Image1[0]).role, QAccessible::Button);                           // an answer
        QCOMPARE(of(f12->PicturesattiErrati->ComandoIconaSi).role, QAccessible::Graphic); // only shown
        QCOMPARE(of(f12->Image2[0]).name, Modulo1::Parola(f12->item()));                  // the item by its word
        pressAccessibly(f12->Image1[size_t(f12->rightChoice())]);
        QCOMPARE(of(f12->PicturesattiErrati->EtichettaEsatti).name.trimmed(), QStringLiteral("1"));

        // The cells of the table by their sentence.
        auto* f14 = rig.open<Form14>(new Form14);
        QCOMPARE(of(f14->Label4[9]).name, f14->sentenceOf(9));
        QVERIFY(of(f14->Label4[9]).name.contains(QStringLiteral(" likes ")));
        QVERIFY(of(f14->Label4[9]).actions.contains(QAccessibleActionInterface::pressAction()));

        // A memory card is "card" face down, and its word once turned.
        auto* memory = rig.open<FormMemory>(new FormMemory);
        const auto reachable = [&](QWidget* w) {
            for (const Node& node : tree(rig.window))
                if (node.widget == w)
                    return true;
            return false;
        };
        QVERIFY(of(memory->Label2[3]).name.startsWith(QStringLiteral("card, row "))); // its place only
        QVERIFY(!reachable(memory->Image1[3]));                                       // nothing gives the card away
        pressAccessibly(memory->Label2[3]);
        QVERIFY(!reachable(memory->Label2[3]));
        QVERIFY(reachable(memory->Image1[3]));
        QCOMPARE(of(memory->Image1[3]).name, memory->Label1[3]->text());
        pressAccessibly(memory->Label2[15]);
        QVERIFY(reachable(memory->Label1[3]));
        QCOMPARE(of(memory->Label1[3]).name, memory->Label1[3]->text());
    }
};

MUNCHORA_TEST(TestAccessibilityTree)
#include "test_accessibility_tree.moc"
