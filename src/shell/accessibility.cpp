// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/accessibility.h"

#include "shell/clickable.h"
#include "shell/input_gate.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QDynamicPropertyChangeEvent>
#include <QWidget>

namespace {

// A control of the program's own: a button or a picture, pressable through an assistive tool
// as with a click while it is enabled and something reacts to it.
class ClickableInterface final : public QAccessibleWidget
{
public:
    explicit ClickableInterface(Clickable* control) : QAccessibleWidget(control, control->accessibleRole()) {}

    // A picture a child presses to answer is a button; one that is only looked at stays an image.
    QAccessible::Role role() const override
    {
        const QAccessible::Role declared = QAccessibleWidget::role();
        return declared == QAccessible::Graphic && canPress(control()) ? QAccessible::Button : declared;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        // First, so that tools taking the first action as the default one press it.
        if (canPress(control()))
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& actionName) override
    {
        if (actionName != pressAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        // While the screen waits for its speech, the press waits with its clicks; it is asked
        // again when it comes, as the control may have changed meanwhile.
        Clickable* target = control();
        InputGate::press(target, [target] {
            if (canPress(target))
                target->press(); // may unload the control and this interface with it
        });
    }

    QStringList keyBindingsForAction(const QString& actionName) const override
    {
        return actionName == pressAction() ? QStringList() : QAccessibleWidget::keyBindingsForAction(actionName);
    }

private:
    Clickable* control() const { return static_cast<Clickable*>(widget()); }
    static bool canPress(const Clickable* control) { return control->isEnabled() && control->isClickable(); }
};

// A widget that names its role in the "accessibleRole" property (a letter grid is a group).
class DeclaredInterface final : public QAccessibleWidget
{
public:
    DeclaredInterface(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}
};

// Drawn over the screen for the eye alone (the keyboard's focus ring): a screen reader
// already announces the focused control, so it skips this as invisible.
class DecorationInterface final : public QAccessibleWidget
{
public:
    explicit DecorationInterface(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Border) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface* interfaceFor(const QString&, QObject* object)
{
    // Qt asks once per class of the object, most derived first; the answer depends on the
    // object alone. What this factory does not know goes on to Qt's own.
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (widget->property("accessibleDecoration").toBool())
        return new DecorationInterface(widget);
    const QVariant declared = widget->property("accessibleRole");
    if (declared.isValid()) {
        bool ok = false;
        const int role = declared.toInt(&ok);
        if (ok && role > QAccessible::NoRole && role <= QAccessible::UserRole)
            return new DeclaredInterface(widget, QAccessible::Role(role));
    }
    if (auto* control = qobject_cast<Clickable*>(widget))
        return new ClickableInterface(control);
    return nullptr;
}

// A widget's interface is made once, often early: naming a widget or setting a button's
// text already makes one, even in a base class's constructor, before the widget declares its
// role. When the declaration comes (or changes), the old interface goes, so the next one
// follows it.
class DeclarationWatcher final : public QObject
{
public:
    using QObject::QObject;

    static bool isDeclaration(const QByteArray& property)
    {
        return property == "accessibleRole" || property == "accessibleDecoration";
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::DynamicPropertyChange && watched->isWidgetType()
            && isDeclaration(static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName())) {
            if (QAccessibleInterface* old = QAccessible::queryAccessibleInterface(watched))
                QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
        }
        return false;
    }
};

} // namespace

void installAccessibility()
{
    static bool installed = false;
    if (installed || !qApp)
        return;
    installed = true;
    QAccessible::installFactory(interfaceFor);
    qApp->installEventFilter(new DeclarationWatcher(qApp));
}
