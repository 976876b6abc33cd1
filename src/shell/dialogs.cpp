// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/dialogs.h"

#include "shell/click_guard.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {

// Letters big enough to read and buttons big enough to hit with a finger on a whiteboard, on
// any display, and small enough that the whole box, its text whole, fits on the screen: an
// upright whiteboard (1080 x 1920) is narrow for its height, so the size follows the screen's
// shorter side, and shrinks further where a word, the row of buttons or the lines would not fit.
int letterSize(const QMessageBox& box, const QWidget* parent, const QString& text)
{
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // Qt's own rule for a message box: as narrow as half the screen (at most 500) allows, its
    // text wrapped to that, wider only for what cannot wrap, and never wider than the screen
    // (on a large one, 480 less, at most 1000): what goes beyond that is cut.
    const int hardLimit = area.width() <= 1024 ? area.width() : std::min(area.width() - 480, 1000);
    const int softLimit = std::min(area.width() / 2, 500);
    // Room the box's frame, title, margins and icon take beside its text, whatever the letters.
    constexpr int Sides = 64, Icon = 72, Above = 96;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\\r?\\n")));
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    int letters = std::max(22, std::min(area.width(), area.height()) / 30);
    for (; letters > 12; --letters) {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(letters);
        const QFontMetrics metrics(font);
        int row = Sides;
        for (const QAbstractButton* button : box.buttons())
            row += std::max(letters * 4, metrics.horizontalAdvance(button->text()) + 24) + 32 + 12;
        int widestWord = 0;
        for (const QString& word : words)
            widestWord = std::max(widestWord, metrics.horizontalAdvance(word));
        const int boxWidth = std::max({softLimit, row, widestWord + Icon + Sides});
        int textHeight = 0;
        for (const QString& line : lines)
            textHeight +=
                metrics.boundingRect(QRect(0, 0, boxWidth - Icon - Sides, 1 << 20), Qt::TextWordWrap, line).height();
        const int buttonHeight = letters * 2 + 12;
        if (boxWidth <= hardLimit && Above + textHeight + buttonHeight <= area.height())
            break;
    }
    return letters;
}

// A box as every box of the program looks.
void prepare(QMessageBox& box, const QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
             BoxButtons buttons)
{
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case BoxIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case BoxIcon::Question: box.setIcon(QMessageBox::Question); break;
    case BoxIcon::Information: box.setIcon(QMessageBox::Information); break;
    case BoxIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    if (buttons == BoxButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int letters = letterSize(box, parent, text);
    box.setStyleSheet(QStringLiteral("QMessageBox { font-family: 'Liberation Sans'; font-size: %1px; }"
                                     "QPushButton { font-size: %1px; min-width: %2px; min-height: %3px;"
                                     " padding: 4px 16px; }")
                          .arg(letters)
                          .arg(letters * 4)
                          .arg(letters * 2));
}

// While a box is up, the input meant for the rest of the program is the box's: keys go to it,
// clicks elsewhere go nowhere. Needed on Wayland, where a compositor may leave the keyboard with
// the full-screen window when a box opens (sway gives it to no window mapped over a full-screen
// one), and Qt drops every key of a window a modal box blocks: there the box is not modal to Qt,
// and this keeps it modal.
class KeysToBox final : public QObject
{
public:
    explicit KeysToBox(QDialog& box) : QObject(&box), box_(box) { qApp->installEventFilter(this); }
    ~KeysToBox() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!box_.isVisible() || !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() == &box_)
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
            QCoreApplication::sendEvent(box_.focusWidget() ? box_.focusWidget() : &box_, event);
            // The box is not the active window, so it draws no focus: its default button shows it.
            if (auto* button = qobject_cast<QPushButton*>(box_.focusWidget()))
                button->setDefault(true);
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd: return true;
        case QEvent::Close: // the window manager's close: the box is asking already
            event->ignore();
            return true;
        default: return false;
        }
    }

private:
    QDialog& box_;
};

class RealDialogs final : public Dialogs
{
public:
    void ask(QWidget* parent, const QString& text, const QString& title, BoxIcon icon, BoxButtons buttons, Then then,
             int closeAfterMs) override
    {
        auto* box = new QMessageBox(parent);
        prepare(*box, parent, text, title, icon, buttons);
        ++open_;
        QObject::connect(box, &QObject::destroyed, [this] { --open_; });
        const QPointer<QWidget> owner(parent);
        QObject::connect(box, &QDialog::finished, box, [=, then = std::move(then)] {
            const BoxAnswer answer = buttons == BoxButtons::Ok          ? BoxAnswer::Ok
                : box->clickedButton() == box->button(QMessageBox::Yes) ? BoxAnswer::Yes
                                                                        : BoxAnswer::No;
            box->deleteLater();
            if (then && (!parent || owner))
                then(answer);
        });
        if (closeAfterMs > 0)
            QTimer::singleShot(closeAfterMs, box, [box] { box->done(QMessageBox::Ok); });
        // The second click of a double click that opened the box is not an answer.
        ClickGuard::arm();
        if (!parent) {
            // A box of its own: a window manager puts a new window behind a full-screen one.
            box->setWindowFlag(Qt::WindowStaysOnTopHint);
            box->setWindowModality(Qt::ApplicationModal);
            box->show();
        } else if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
            box->setWindowModality(Qt::NonModal); // a box with a parent is modal to it otherwise
            new KeysToBox(*box);
            box->show();
        } else {
            box->open();
        }
    }

    bool asking() const override { return open_ > 0; }

private:
    int open_ = 0;
};

Dialogs* installed = nullptr;

} // namespace

Dialogs& Dialogs::current()
{
    static RealDialogs real;
    return installed ? *installed : real;
}

void Dialogs::install(Dialogs* dialogs)
{
    installed = dialogs;
}
