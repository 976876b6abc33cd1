// SPDX-License-Identifier: GPL-3.0-or-later
// The controls a child answers with: registered once, opened for each question, and the
// keyboard's focus on the first of them.
#include "exercises/exercise_screen.h"
#include "shell/keyboard_navigation.h"

#include <algorithm>

void ExerciseScreen::addAnswerControl(QWidget* control)
{
    if (!(control->focusPolicy() & Qt::TabFocus))
        control->setFocusPolicy(Qt::TabFocus);
    answerControls_.push_back(control);
}

bool ExerciseScreen::hasOpenAnswerFocused() const
{
    const QWidget* focus = window()->focusWidget();
    if (!focus || !focus->isEnabled() || !focus->isVisible())
        return false;
    return std::any_of(answerControls_.begin(), answerControls_.end(),
                       [focus](const QPointer<QWidget>& control) { return control == focus; });
}

void ExerciseScreen::focusFirstAnswer()
{
    QWidget* first = nullptr;
    for (QWidget* control : controlsInReadingOrder(this)) {
        const bool answer = std::any_of(answerControls_.begin(), answerControls_.end(),
                                        [control](const QPointer<QWidget>& c) { return c == control; });
        if (answer) {
            first = control;
            break;
        }
    }
    if (!first && Command1 && Command1->isEnabled() && Command1->isVisibleTo(this))
        first = Command1;
    if (first && window()->focusWidget() != first)
        first->setFocus(Qt::OtherFocusReason);
}

void ExerciseScreen::openAnswers()
{
    for (const QPointer<QWidget>& control : answerControls_) {
        if (!control)
            continue;
        if (auto* label = qobject_cast<WordLabel*>(control.data()))
            label->open();
        else
            control->setEnabled(true);
    }
    for (HighlightFrame* frame : findChildren<HighlightFrame*>())
        frame->hide();
}
