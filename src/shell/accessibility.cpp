#include "shell/accessibility.h"

#include "shell/input_gate.h"
#include "widgets/pictures.h"
#include "widgets/bocca.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QDynamicPropertyChangeEvent>
#include <QMetaMethod>
#include <QWidget>

namespace {

// A widget the user can press through an assistive tool as well as with a click.
class PressableWidget : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        // First, so that tools taking the first action as the default one press it.
        if (widget()->isEnabled() && canPress())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& actionName) override
    {
        if (actionName != pressAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        // While the screen waits for its speech, the press waits with its clicks.
        QWidget* target = widget();
        InputGate::press(target, [target] { pressNow(target); });
    }

    QStringList keyBindingsForAction(const QString& actionName) const override
    {
        return actionName == pressAction() ? QStringList() : QAccessibleWidget::keyBindingsForAction(actionName);
    }

protected:
    virtual bool canPress() const = 0;
    virtual void press() = 0;

private:
    // The widget's interface is asked again: a press held for a while may find it changed.
    static void pressNow(QWidget* target)
    {
        auto* iface = dynamic_cast<PressableWidget*>(QAccessible::queryAccessibleInterface(target));
        if (iface && target->isEnabled() && iface->canPress())
            iface->press(); // may unload the widget and this interface with it: nothing may follow
    }
};

// A picture is an image named by its word; only one that reacts to a click can be pressed,
// so a score icon is not offered as something to do.
class PictureInterface final : public PressableWidget
{
public:
    explicit PictureInterface(PictureBox* picture) : PressableWidget(picture, QAccessible::Graphic) {}

protected:
    PictureBox* picture() const { return static_cast<PictureBox*>(widget()); }
    bool canPress() const override { return picture()->isClickable(); }
    void press() override { emit picture()->clicked(); }
};

// The mouth is drawn and pointed at as a button on every screen, so it is one; it offers a
// press only where a click on it does something.
class MouthInterface final : public PressableWidget
{
public:
    explicit MouthInterface(Bocca* mouth) : PressableWidget(mouth, QAccessible::Button) {}

protected:
    bool canPress() const override { return static_cast<Bocca*>(widget())->isClickable(); }
    void press() override { emit static_cast<Bocca*>(widget())->Bocca_Click(); }
};

// A widget that names its role in the "accessibleRole" property and may offer accessiblePress().
class DeclaredInterface final : public PressableWidget
{
public:
    DeclaredInterface(QWidget* widget, QAccessible::Role role) : PressableWidget(widget, role) {}

protected:
    bool canPress() const override
    {
        return widget()->metaObject()->indexOfMethod("accessiblePress()") >= 0;
    }
    void press() override { QMetaObject::invokeMethod(widget(), "accessiblePress", Qt::DirectConnection); }
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
    if (auto* mouth = qobject_cast<Bocca*>(widget))
        return new MouthInterface(mouth);
    if (auto* picture = qobject_cast<PictureBox*>(widget))
        return new PictureInterface(picture);
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
