// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's score: the panel with "Correct" and "Mistake", the two scoring steps, and what a
// screen reader is told of an answer.
#include "exercises/exercise_screen.h"
#include "widgets/bocca.h"
#include "widgets/number_text.h"

#include <QLabel>

void ExerciseScreen::buildScorePanel()
{
    auto* panel = new ScorePanel(this);
    panel->setGeometry(scorePanelRect());
    PicturesattiErrati = panel;
}

void ExerciseScreen::resetScore()
{
    Esatti = 0;
    Errati = 0;
    // A new start shows the counts it really has, and no answer yet.
    if (ScorePanel* panel = PicturesattiErrati) {
        panel->EtichettaEsatti->setText(QStringLiteral("0"));
        panel->EtichettaErrati->setText(QStringLiteral("0"));
        panel->ComandoIconaSi->hide();
        panel->ComandoIconaNo->hide();
    }
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
    if (Esatti < 32767)
        ++Esatti;
    if (ScorePanel* panel = PicturesattiErrati) {
        panel->EtichettaEsatti->setText(NumberText(Esatti));
        announce(QStringLiteral("Right! Correct ") + NumberText(Esatti).trimmed() + QStringLiteral(", mistake ")
                 + NumberText(Errati).trimmed());
    } else {
        announce(QStringLiteral("Right!"));
    }
}

void ExerciseScreen::SegnaErrato()
{
    if (ScorePanel* panel = PicturesattiErrati) {
        panel->ComandoIconaSi->hide();
        panel->ComandoIconaNo->show();
    }
    if (Errati < 32767)
        ++Errati;
    if (ScorePanel* panel = PicturesattiErrati)
        panel->EtichettaErrati->setText(NumberText(Errati));
    announce(QString());
    Bocca->Speak(SayWrong);
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
