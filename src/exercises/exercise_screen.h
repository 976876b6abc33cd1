// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The frame every exercise and game screen is built on: placement and scaling, the start
// sequence, the score panel with its two scoring steps, the mouth that repeats what is asked,
// the "Voice" and "Go back" menu entries and the "next" button. A screen passes what it
// varies in an ExerciseConfig and adds only its own controls, its own question and its
// handlers; README.md beside this file tells how to add a screen.
//
// The frame's parts, a file each: exercise_screen.cpp (building, the start sequence, the menu
// entries and the mouth), exercise_score.cpp (the score and what a screen reader is told),
// exercise_answers.cpp (the controls a child answers with), exercise_placement.cpp (moving
// controls in design coordinates, which the screen's scaler keeps), question_record.h (the
// record of answers), silence_wait.h (the wait for silence).

#include "exercises/question_record.h"
#include "shell/screen.h"
#include "widgets/frame_widgets.h"
#include "widgets/pictures.h"

#include <QPointF>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class Bocca;
class GradientBackground;
class QAction;
class QLabel;
class QMenuBar;
class SilenceWait;

struct ExerciseConfig
{
    enum class Next { Enabled, Disabled, None };

    QString title;              // spoken by the start sequence
    bool scorePanel = true;     // the panel with "Correct" and "Mistake"
    bool voiceEntry = true;     // the "Voice" menu entry
    bool mouthRepeats = true;   // a click on the mouth stops speech and says mouthItems()
    Next next = Next::Disabled; // the "next" button at start
    QString nextCaption;        // empty: the drawn arrow; otherwise a written caption ("new")
};

class ExerciseScreen : public Screen
{
    Q_OBJECT
public:
    ExerciseScreen(const QString& name, ExerciseConfig config, QWidget* parent = nullptr);
    ~ExerciseScreen() override;

    // The start sequence: counters to 0, full display, the screen's measures, voice
    // settings, title, first question.
    void Form_Activate() override;

    // The scoring steps of an answer.
    void SegnaEsatto();
    void SegnaErrato();
    // The yes icon shown, the no icon hidden: the first step of SegnaEsatto, for screens that
    // show a right step before they count a right answer.
    void showRightIcon();
    // Tells a screen reader how the answer went (empty: nothing any more).
    void announce(const QString& outcome);
    // The counts the panel shows, from 0 at each start, up to 32767; the memory games keep none.
    qint16 Esatti = 0;
    qint16 Errati = 0;

    // Keeps an answer in the record of answers, when the school keeps one. A right answer ends
    // the question: the next answer is a new question's first.
    void recordAnswer(const GivenAnswer& answer) { record_.keep(screenName(), answer); }
    // The common case: a word was asked and a word chosen.
    void recordWordAnswer(const QString& asked, const QString& chosen, bool right)
    {
        recordAnswer({.asked = asked, .word = asked, .chosen = chosen, .chosenWord = chosen, .right = right});
    }
    // Keeps a choice that answers no question (a letter of no word in the word search).
    void recordStray(const QString& chosen) { record_.keepStray(screenName(), chosen); }

    void Bocca_Click();
    void mnuImposta_Click();
    void mnuEsci_Click();
    virtual void Command1_Click() {}
    // Closing the window does what "Go back" does.
    void closeRequested() override;
    // The title, the frame's feedback and menu words, and the thirty words.
    QStringList spokenTexts() const override;

    // The screen's wait for its mouth to fall silent (silence_wait.h): what follows it, and
    // what becomes of the child's input meanwhile.
    SilenceWait& silence() const { return *silence_; }

    const ExerciseConfig& config() const { return config_; }

    // The frame's controls (null where the screen has none).
    GradientBackground* ARGradient1 = nullptr;
    ::Bocca* Bocca = nullptr;
    NextButton* Command1 = nullptr;
    QMenuBar* menuBar = nullptr;
    QAction* mnuImposta = nullptr;
    QAction* mnuEsci = nullptr;
    ScorePanel* PicturesattiErrati = nullptr; // its labels and icons are the panel's

    // What a wrong answer says.
    static inline const QString SayWrong = QStringLiteral("No! repeat!");

    // Design layout of the frame, shared by the screens so their own controls fit around it.
    static constexpr int MenuHeight = 56;
    static QRect mouthRect() { return {24, 60, 132, 132}; }
    static QRect scorePanelRect() { return {632, 58, 372, 132}; }
    static QRect nextRect() { return {834, 606, 170, 136}; }

    // Where a control stands in design coordinates: where it was last placed, or its design place.
    QPointF designPosition(const QWidget* control) const;
    QRectF designRect(const QWidget* control) const;

protected:
    // Prepares and presents one new question.
    virtual void CaricaPalla() {}
    // The screen's own measures, taken after the screen has been given the full display
    // and before the voice settings are applied.
    virtual void measurePlaces() {}
    // The texts the mouth says again, each as one Speak.
    virtual QStringList mouthItems() const { return {}; }

    // Pieces of the start sequence, for screens whose start differs.
    void resetScore();
    void speakTitle();
    // Every question drawn on activation is open, whatever state the last one was left in
    // before "Voice": the answer controls take clicks again (word labels white) and no
    // highlight frame shows.
    void openAnswers();

    // The controls a child answers with (pictures, word labels, cards, cells). Tab and the
    // arrows reach them.
    void addAnswerControl(QWidget* control);
    // The keyboard focus on the first control to answer with, in reading order; "next" when
    // no answer is open. The ring shows only once the keyboard is in use.
    void focusFirstAnswer();

    // Moves a control to a place given in design coordinates; it stays there across resizes.
    void placeControl(QWidget* control, QPointF designTopLeft);
    // Deals the controls to as many places: for each place in turn a random control, or the
    // next one not dealt yet, wrapping round; a control's tag then names its place (" 0",
    // " 1", ...). put(control, place) moves control number `control` to place number `place`.
    static void dealToPlaces(const std::vector<QWidget*>& controls, const std::function<void(int, int)>& put);
    // Puts a control back at its design place.
    void clearPlacement(QWidget* control);

private:
    QList<QPointer<QWidget>> told_; // the controls that carry the last outcome
    bool hasOpenAnswerFocused() const;
    void buildMenu();
    void buildScorePanel();

    ExerciseConfig config_;
    std::vector<QPointer<QWidget>> answerControls_;
    QuestionRecord record_;
    SilenceWait* silence_ = nullptr;
};
