// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/exercise_screen.h"

#include "exercises/silence_wait.h"
#include "layout/clsresize.h"
#include "record/answer_record.h"
#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "shell/dialogs.h"
#include "shell/input_gate.h"
#include "shell/keyboard_navigation.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"
#include "widgets/gradient_background.h"
#include "widgets/impostavoce.h"
#include "widgets/number_text.h"
#include "widgets/pictures.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QLinearGradient>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {
const QString SayWrong = QStringLiteral("No! repeat!");
const QString SayVoice = QStringLiteral("VOICE");
const QString SayGoBack = QStringLiteral("go back?");
} // namespace

ExerciseScreen::ExerciseScreen(const QString& name, ExerciseConfig config, QWidget* parent)
    : Screen(name, parent), config_(std::move(config))
{
    ARGradient1 = new GradientBackground(this);
    ARGradient1->setGeometry(0, 0, DesignWidth, DesignHeight);

    buildMenu();

    Bocca = new ::Bocca(name, this);
    Bocca->setObjectName(QStringLiteral("Bocca"));
    Bocca->setGeometry(mouthRect());
    silence_ = new SilenceWait(*Bocca, *this);
    connect(silence_, &SilenceWait::closeDue, this, &ExerciseScreen::closeRequested);
    if (config_.mouthRepeats) {
        connect(Bocca, &::Bocca::Bocca_Click, this, &ExerciseScreen::Bocca_Click);
        Bocca->setFocusPolicy(Qt::TabFocus); // a mouth that says something is a control
    }

    if (config_.scorePanel)
        buildScorePanel();

    if (config_.next != ExerciseConfig::Next::None) {
        Command1 = new NextButton(this);
        Command1->setObjectName(QStringLiteral("Command1"));
        Command1->setGeometry(nextRect());
        if (config_.nextCaption.isEmpty()) {
            Command1->setAccessibleName(QStringLiteral("next"));
            Command1->setToolTip(QStringLiteral("next"));
        } else {
            Command1->setText(config_.nextCaption);
            Command1->setFont(designFont(QStringLiteral("Comic Neue"), 44, true));
        }
        Command1->setEnabled(config_.next == ExerciseConfig::Next::Enabled);
        connect(Command1, &QPushButton::clicked, this, [this] {
            announce(QString()); // a new question: the last outcome is old news
            newQuestion();
            const bool fromKeyboard = window()->focusWidget() == Command1;
            QPointer<ExerciseScreen> self(this);
            Command1_Click();
            // "next" pressed and done with: the keyboard goes on to the new question.
            if (self && fromKeyboard && !Command1->isEnabled() && !hasOpenAnswerFocused())
                focusFirstAnswer();
        });
        // Once a question is answered, "next" is the thing to press: the focus goes there.
        connect(Command1, &NextButton::enabledChanged, this, [this](bool enabled) {
            if (!enabled || !isVisible() || !isEnabled())
                return;
            const QWidget* focus = window()->focusWidget();
            if (!focus || focus == window() || isAncestorOf(focus))
                Command1->setFocus(Qt::OtherFocusReason);
        });
    }
}

ExerciseScreen::~ExerciseScreen() = default;

void ExerciseScreen::buildMenu()
{
    menuBar = new EntryBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setFont(designFont(QStringLiteral("Comic Neue"), 26, true));
    if (config_.voiceEntry) {
        mnuImposta = menuBar->addAction(QStringLiteral("Voice     "));
        mnuImposta->setObjectName(QStringLiteral("mnuImposta"));
        // A screen reader's press on an entry waits with the screen, as a click would.
        connect(mnuImposta, &QAction::triggered, this,
                [this] { InputGate::press(this, [this] { mnuImposta_Click(); }); });
    }
    mnuEsci = menuBar->addAction(QStringLiteral("Go back     "));
    mnuEsci->setObjectName(QStringLiteral("mnuEsci"));
    connect(mnuEsci, &QAction::triggered, this, [this] { InputGate::press(this, [this] { mnuEsci_Click(); }); });
    // Last: styling a menu bar fits its height to the entries it has at that moment.
    menuBar->setGeometry(0, 0, DesignWidth, MenuHeight);
}

void ExerciseScreen::buildScorePanel()
{
    auto* panel = new ScorePanel(this);
    panel->setGeometry(scorePanelRect());
    PicturesattiErrati = panel;
}

void ExerciseScreen::Form_Activate()
{
    if (config_.scorePanel)
        resetScore();
    placeFullScreen();
    measurePlaces();
    ImpostaVoce(*Bocca);
    speakTitle();
    openAnswers();
    visit_ = QDateTime::currentMSecsSinceEpoch();
    newQuestion();
    QPointer<ExerciseScreen> self(this);
    CaricaPalla();
    if (self)
        focusFirstAnswer();
}

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

void ExerciseScreen::resetScore()
{
    Modulo1::Esatti = 0;
    Modulo1::Errati = 0;
    // A new start shows the counts it really has, and no answer yet.
    if (ScorePanel* panel = PicturesattiErrati) {
        panel->EtichettaEsatti->setText(QStringLiteral("0"));
        panel->EtichettaErrati->setText(QStringLiteral("0"));
        panel->ComandoIconaSi->hide();
        panel->ComandoIconaNo->hide();
    }
}

QStringList ExerciseScreen::spokenTexts() const
{
    QStringList texts{config_.title, SayWrong, SayVoice, SayGoBack};
    for (int word = 1; word <= Modulo1::WordCount; ++word)
        texts << Modulo1::Parola(word);
    return texts;
}

void ExerciseScreen::speakTitle()
{
    Bocca->Speak(config_.title);
}

void ExerciseScreen::showRightIcon()
{
    if (ScorePanel* panel = PicturesattiErrati) {
        panel->ComandoIconaSi->show();
        panel->ComandoIconaNo->hide();
    }
}

void ExerciseScreen::SegnaEsatto()
{
    showRightIcon();
    // The 16-bit counter stops at its largest value; the screen goes on.
    if (Modulo1::Esatti < 32767)
        ++Modulo1::Esatti;
    if (ScorePanel* panel = PicturesattiErrati) {
        panel->EtichettaEsatti->setText(NumberText(Modulo1::Esatti));
        announce(QStringLiteral("Right! Correct ") + NumberText(Modulo1::Esatti).trimmed()
                 + QStringLiteral(", mistake ") + NumberText(Modulo1::Errati).trimmed());
    } else {
        announce(QStringLiteral("Right!"));
    }
}

void ExerciseScreen::announce(const QString& outcome)
{
    // Qt 6.4 has no announcement: a screen reader speaks a description that changes on the
    // control with the focus, and the description of a control the focus moves to ("next",
    // once the question is answered). Both carry the outcome until the next question.
    for (const QPointer<QWidget>& told : std::as_const(told_))
        if (told)
            told->setAccessibleDescription(QString());
    told_.clear();
    if (outcome.isEmpty())
        return;
    for (QWidget* control : {window()->focusWidget(), static_cast<QWidget*>(Command1)}) {
        if (control && isAncestorOf(control)) {
            control->setAccessibleDescription(outcome);
            told_.append(control);
        }
    }
}

void ExerciseScreen::SegnaErrato()
{
    if (ScorePanel* panel = PicturesattiErrati) {
        panel->ComandoIconaSi->hide();
        panel->ComandoIconaNo->show();
    }
    if (Modulo1::Errati < 32767)
        ++Modulo1::Errati;
    if (ScorePanel* panel = PicturesattiErrati)
        panel->EtichettaErrati->setText(NumberText(Modulo1::Errati));
    announce(QString());
    Bocca->Speak(SayWrong);
}

void ExerciseScreen::newQuestion()
{
    questionClock_.start();
    answersToQuestion_ = 0;
}

void ExerciseScreen::recordAnswer(const QString& asked, const QString& word, const QString& chosen,
                                  const QString& chosenWord, bool right)
{
    Answer answer;
    answer.screen = screenName();
    answer.asked = asked;
    answer.word = word;
    answer.chosen = chosen;
    answer.chosenWord = chosenWord;
    answer.right = right;
    answer.attempt = ++answersToQuestion_;
    answer.ms = questionClock_.elapsed();
    answer.visit = visit_;
    AnswerRecord::add(answer);
    if (right)
        newQuestion();
}

void ExerciseScreen::recordStray(const QString& chosen)
{
    Answer answer;
    answer.screen = screenName();
    answer.chosen = chosen;
    answer.attempt = 0;
    answer.ms = questionClock_.elapsed();
    answer.visit = visit_;
    AnswerRecord::add(answer);
}

void ExerciseScreen::Bocca_Click()
{
    Bocca->StopSpeech();
    const QStringList items = mouthItems();
    for (const QString& text : items)
        Bocca->Speak(text);
}

void ExerciseScreen::mnuImposta_Click()
{
    Bocca->Speak(SayVoice);
    if (ScreenHost* window = host())
        window->showVoiceSettings();
}

void ExerciseScreen::mnuEsci_Click()
{
    Bocca->Speak(SayGoBack);
    MsgBox(this, QStringLiteral("go back? "), QStringLiteral("munchora"), BoxIcon::Question, BoxButtons::YesNo,
           [this](BoxAnswer answer) {
               if (answer != BoxAnswer::Yes)
                   return;
               if (ScreenHost* window = host())
                   window->showMenu(); // unloads this screen
           });
}

QRectF ExerciseScreen::designRect(const QWidget* control) const
{
    if (const clsResize* resizer = scaler())
        return resizer->designRect(control);
    return QRectF(control->geometry());
}

QPointF ExerciseScreen::designPosition(const QWidget* control) const
{
    return designRect(control).topLeft();
}

void ExerciseScreen::placeControl(QWidget* control, QPointF designTopLeft)
{
    if (clsResize* resizer = scaler())
        resizer->moveTo(control, designTopLeft);
    else
        control->move(designTopLeft.toPoint()); // not fitted yet: design and window agree
}

void ExerciseScreen::dealToPlaces(const std::vector<QWidget*>& controls, const std::function<void(int, int)>& put)
{
    const int n = int(controls.size());
    for (QWidget* control : controls)
        control->setProperty("tag", QString());
    for (int place = 0; place < n; ++place) {
        int c = RandomChoice(n);
        while (!controls[size_t(c)]->property("tag").toString().isEmpty())
            c = (c + 1) % n;
        put(c, place);
        controls[size_t(c)]->setProperty("tag", NumberText(place));
    }
}

void ExerciseScreen::clearPlacement(QWidget* control)
{
    if (clsResize* resizer = scaler())
        resizer->restore(control);
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

void ExerciseScreen::closeRequested()
{
    // A close during a wait for silence is answered once the wait is over, from the event
    // loop, never from inside the wait.
    if (silence_->holdClose())
        return;
    mnuEsci_Click();
}
