// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/listening.h"

#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "widgets/bocca.h"
#include "widgets/pictures.h"

namespace {

ExerciseConfig form1Config()
{
    ExerciseConfig config;
    config.title = QStringLiteral("exercise 1. listen.");
    config.scorePanel = false; // nothing is scored: the counters are left alone
    config.voiceEntry = true;
    config.mouthRepeats = true;
    config.next = ExerciseConfig::Next::Enabled;
    return config;
}

} // namespace

Form1::Form1(QWidget* parent) : ExerciseScreen(QStringLiteral("Form1"), form1Config(), parent)
{
    Image1 = new PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(262, 146, 500, 500);
}

void Form1::CaricaPalla()
{
    using namespace Modulo1;
    ParolaB = qint16(RandomWordIndex());
    Image1->setWord(Parola(ParolaB));
    Bocca->Speak(Parola(ParolaB));
}

void Form1::Command1_Click()
{
    Bocca->StopSpeech();
    CaricaPalla();
}

QStringList Form1::mouthItems() const
{
    return {Modulo1::Parola(ParolaB)};
}
