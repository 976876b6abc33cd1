// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/impostavoce.h"

#include "settings/modulo1.h"
#include "widgets/bocca.h"

bool applyVoice(Bocca& bocca, int number)
{
    if (!bocca.setVoiceNumber(number))
        return false;
    const int v = bocca.VoiceNumber();
    const int k = bocca.VoiceKind(v);
    Modulo1::FlagVoce = k == 1 ? 0 : 1;
    bocca.setVoiceFlag(Modulo1::FlagVoce);
    return true;
}

void ImpostaVoce(Bocca& bocca)
{
    using namespace Modulo1;
    if (!applyVoice(bocca, Voce)) {
        // A stored number the service refuses must not leave the screen mute.
        qCWarning(lcSpeech) << bocca.owner() << ": voice" << Voce << "refused, using voice 1";
        applyVoice(bocca, 1);
    }
    bocca.setSpeechRate(Velocita);
}
