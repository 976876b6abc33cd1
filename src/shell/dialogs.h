// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message boxes go through one seam so that tests can answer them.

#include <QString>
#include <QtGlobal>

class QWidget;

enum class BoxIcon { None, Question, Information, Critical };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    virtual BoxAnswer messageBox(QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
                                 BoxButtons buttons) = 0;
    // An OK box of a process with no window of its own, for a program's window that is already
    // up: above that window (its X11 id, 0 when unknown) and closed by itself after
    // closeAfterMs, so it never waits where nobody sees it.
    virtual void noticeAbove(quintptr window, int closeAfterMs, const QString& text, const QString& title,
                             BoxIcon icon);

    // The installed replacement, or real QMessageBox boxes.
    static Dialogs& current();
    static void install(Dialogs* dialogs); // not owned; nullptr restores the real boxes
};

inline BoxAnswer MsgBox(QWidget* parent, const QString& text, const QString& title, BoxIcon icon = BoxIcon::None,
                        BoxButtons buttons = BoxButtons::Ok)
{
    return Dialogs::current().messageBox(parent, text, title, icon, buttons);
}
