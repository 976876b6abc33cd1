#include "widgets/impostavoce.h"

#include "settings/modulo1.h"
#include "widgets/bocca.h"

bool applyVoice(Bocca& bocca, int number)
{
    return bocca.applyVoice(number, Modulo1::FlagVoce);
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
