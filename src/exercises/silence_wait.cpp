// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/silence_wait.h"

#include "shell/input_gate.h"
#include "widgets/bocca.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

SilenceWait::SilenceWait(Bocca& mouth, QWidget& screen) : QObject(&screen), mouth_(mouth), screen_(screen)
{
    screen_.installEventFilter(this);
}

SilenceWait::~SilenceWait() = default;

void SilenceWait::then(Input input, std::function<void()> step)
{
    if (waiting_) {
        // Another step for the same silence; input is thrown away if either step says so.
        if (input == Input::Drop)
            input_ = input;
        if (step)
            steps_.push_back(std::move(step));
        return;
    }
    if (!mouth_.SpeakingNow()) {
        if (step)
            step();
        return;
    }
    waiting_ = true;
    left_ = false;
    input_ = input;
    if (step)
        steps_.push_back(std::move(step));
    hold_ = std::make_unique<InputGate::Hold>(screen_.window());
    mouth_.whenSilent([this, round = ++round_, self = QPointer<SilenceWait>(this)] {
        if (self && waiting_ && round == round_)
            silent();
    });
}

void SilenceWait::afterWaitingInput(std::function<void()> step)
{
    QTimer::singleShot(0, this, [this, step = std::move(step)] {
        if (!screen_.isHidden() && screen_.isEnabled())
            step();
    });
}

bool SilenceWait::holdClose()
{
    if (!waiting_)
        return false;
    closePending_ = true;
    return true;
}

bool SilenceWait::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &screen_ && event->type() == QEvent::Hide) {
        left_ = true;
        if (waiting_)
            end(false);
    }
    return false;
}

void SilenceWait::silent()
{
    // Over on the next turn of the event loop: the input that was already waiting to be handled
    // (the child clicked while the program was busy) still belongs to the wait.
    QTimer::singleShot(0, this, [this, round = round_] {
        if (waiting_ && round == round_)
            end(true);
    });
}

void SilenceWait::end(bool finished)
{
    waiting_ = false;
    ++round_;
    std::vector<std::function<void()>> steps;
    steps.swap(steps_);
    const std::unique_ptr<InputGate::Hold> hold = std::move(hold_);
    if (!finished) {
        closePending_ = false;
        return; // the hold drops what it held
    }
    hold->release(input_ == Input::Drop ? InputGate::Afterwards::Drop : InputGate::Afterwards::Handle);
    QPointer<SilenceWait> self(this);
    for (const std::function<void()>& step : steps) {
        step();
        if (!self || left_)
            return; // a step left the screen
    }
    if (closePending_) {
        closePending_ = false;
        // From the event loop; a wait begun by the steps above keeps it again.
        QTimer::singleShot(0, this, &SilenceWait::closeDue);
    }
}
