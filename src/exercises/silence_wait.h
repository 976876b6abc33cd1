// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A screen's wait for its mouth to say everything it was given. The wait is a state of the
// screen, ended by the speech side's word that the mouth is silent, never a loop: meanwhile the
// screen keeps painting and its timers run, the input gate holds what the child does (to hand it
// on afterwards, in order, or to drop it), and a close asked meanwhile is asked once it is over.

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class Bocca;
class QWidget;
namespace InputGate {
class Hold;
}

class SilenceWait : public QObject
{
    Q_OBJECT
public:
    // What becomes of the clicks, keys and touches a child gives during the wait.
    enum class Input {
        HandleAfter, // they reach the screen once the wait is over, in order
        Drop,        // they are thrown away: the screen took no input while it waited
    };
    Q_ENUM(Input)

    // mouth: whose silence is waited for. screen: whose window's input is held, and whose
    // hiding or going away ends the wait without its steps.
    SilenceWait(Bocca& mouth, QWidget& screen);
    ~SilenceWait() override;

    // Runs step once the mouth has said all it was given; at once when it is silent. A step
    // given during a wait runs after it, in order; input is dropped if any step says so.
    void then(Input input, std::function<void()> step);
    // A wait with no step of its own: the child's input is only held until the mouth is silent.
    void holdInput(Input input) { then(input, {}); }
    // Runs step on the next turn of the event loop, after the input that was already waiting
    // to be handled (a child who clicked while the program was busy); not if the screen was
    // hidden or disabled (the voice settings over it) meanwhile.
    void afterWaitingInput(std::function<void()> step);

    bool waiting() const { return waiting_; }
    // A close asked now: false when it may be asked at once; true when it is kept, and
    // closeDue comes from the event loop once the wait is over.
    bool holdClose();

signals:
    void closeDue();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void silent();
    void end(bool finished);

    Bocca& mouth_;
    QWidget& screen_;
    bool waiting_ = false;
    bool closePending_ = false;
    bool left_ = false; // the screen was hidden since the wait began
    Input input_ = Input::HandleAfter;
    std::vector<std::function<void()>> steps_;
    std::unique_ptr<InputGate::Hold> hold_;
    // Which wait the mouth's word belongs to: a wait ended by the screen's hiding is over.
    int round_ = 0;
};
