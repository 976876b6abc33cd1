// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/exercise_screen.h"

#include "exercises/silence_wait.h"
#include "settings/modulo1.h"
#include "shell/dialogs.h"
#include "shell/input_gate.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"
#include "widgets/gradient_background.h"
#include "widgets/impostavoce.h"
#include "widgets/pictures.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>

#include <algorithm>

namespace {
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
            record_.newQuestion();
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

void ExerciseScreen::Form_Activate()
{
    if (config_.scorePanel)
        resetScore();
    placeFullScreen();
    measurePlaces();
    ImpostaVoce(*Bocca);
    speakTitle();
    openAnswers();
    record_.startVisit();
    QPointer<ExerciseScreen> self(this);
    CaricaPalla();
    if (self)
        focusFirstAnswer();
}

QStringList ExerciseScreen::spokenTexts() const
{
    QStringList texts{config_.title, SayWrong, SayVoice, SayGoBack};
    for (int word = 1; word <= Modulo1::WordCount(); ++word)
        texts << Modulo1::Parola(word);
    return texts;
}

void ExerciseScreen::speakTitle()
{
    Bocca->Speak(config_.title);
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

void ExerciseScreen::closeRequested()
{
    // A close during a wait for silence is answered once the wait is over, from the event
    // loop, never from inside the wait.
    if (silence_->holdClose())
        return;
    mnuEsci_Click();
}
