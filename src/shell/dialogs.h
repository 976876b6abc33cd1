// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message boxes go through one seam so that tests can answer them. A box never holds up the
// program: it is shown and the call returns; what follows the answer runs when it comes.

#include <QString>

#include <functional>

class QWidget;

enum class BoxIcon { None, Question, Information, Critical };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

class Dialogs
{
public:
    using Then = std::function<void(BoxAnswer)>;
    virtual ~Dialogs() = default;

    // Shows a box over parent's window (without a parent: a window of its own, kept on top),
    // taking the clicks and keys meant for that window until it is answered. then(answer) runs
    // once it is, unless parent has gone meanwhile; a question closed without an answer is No.
    // closeAfterMs > 0: the box closes by itself after that time, as if answered Ok or No.
    virtual void ask(QWidget* parent, const QString& text, const QString& title, BoxIcon icon, BoxButtons buttons,
                     Then then, int closeAfterMs) = 0;
    // Whether a box is up, waiting for its answer.
    virtual bool asking() const = 0;

    // The installed replacement, or real QMessageBox boxes.
    static Dialogs& current();
    static void install(Dialogs* dialogs); // not owned; nullptr restores the real boxes
};

inline void MsgBox(QWidget* parent, const QString& text, const QString& title, BoxIcon icon = BoxIcon::None,
                   BoxButtons buttons = BoxButtons::Ok, Dialogs::Then then = {}, int closeAfterMs = 0)
{
    Dialogs::current().ask(parent, text, title, icon, buttons, std::move(then), closeAfterMs);
}
