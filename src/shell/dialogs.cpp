// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/dialogs.h"

#include "shell/click_guard.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <memory>

namespace {

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
    // Big enough to read and to hit with a finger on a whiteboard, on any display.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int display = screen ? screen->geometry().height() : 768;
    const int letters = std::max(22, display / 30);
    box.setStyleSheet(QStringLiteral("QMessageBox { font-family: 'Liberation Sans'; font-size: %1px; }"
                                     "QPushButton { font-size: %1px; min-width: %2px; min-height: %3px;"
                                     " padding: 4px 16px; }")
                          .arg(letters)
                          .arg(letters * 4)
                          .arg(letters * 2));
}

class RealDialogs final : public Dialogs
{
public:
    BoxAnswer messageBox(QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
                         BoxButtons buttons) override
    {
        QMessageBox box(parent);
        prepare(box, parent, text, title, icon, buttons);
        // The second click of a double click that opened the box is not an answer.
        ClickGuard::arm();
        const int answer = box.exec();
        if (buttons == BoxButtons::Ok)
            return BoxAnswer::Ok;
        return answer == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    }

    void noticeAbove(quintptr window, int closeAfterMs, const QString& text, const QString& title,
                     BoxIcon icon) override
    {
        std::unique_ptr<QWindow> foreign; // outlives the box tied to it
        QMessageBox box;
        prepare(box, nullptr, text, title, icon, BoxButtons::Ok);
        // A window manager keeps a full-screen window above every other program's window, but
        // not above its own dialogs: the box is made one of that window's, where X11 allows it.
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        if (window != 0 && QGuiApplication::platformName() == QLatin1String("xcb")) {
            foreign.reset(QWindow::fromWinId(WId(window)));
            box.winId(); // its native window, to be tied to the other one before it shows
            if (foreign && box.windowHandle())
                box.windowHandle()->setTransientParent(foreign.get());
        }
        QTimer::singleShot(closeAfterMs, &box, [&box] { box.done(QMessageBox::Ok); });
        box.exec();
    }
};

Dialogs* installed = nullptr;

} // namespace

void Dialogs::noticeAbove(quintptr, int, const QString& text, const QString& title, BoxIcon icon)
{
    messageBox(nullptr, text, title, icon, BoxButtons::Ok);
}

Dialogs& Dialogs::current()
{
    static RealDialogs real;
    return installed ? *installed : real;
}

void Dialogs::install(Dialogs* dialogs)
{
    installed = dialogs;
}
