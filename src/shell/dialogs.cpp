// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/dialogs.h"

#include "shell/click_guard.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

namespace {

class RealDialogs final : public Dialogs
{
public:
    BoxAnswer messageBox(QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
                         BoxButtons buttons) override
    {
        QMessageBox box(parent);
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
        // The second click of a double click that opened the box is not an answer.
        ClickGuard::arm();
        const int answer = box.exec();
        if (buttons == BoxButtons::Ok)
            return BoxAnswer::Ok;
        return answer == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    }
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
