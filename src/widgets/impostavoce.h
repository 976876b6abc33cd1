// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The voice settings of the run (Voce, Velocita, FlagVoce) applied to a screen's mouth.

class Bocca;

// Applies Voce and Velocita in the fixed order: voice number, read it back, its kind gives
// FlagVoce, the flag, then the speed. A stored voice the service refuses falls back to voice 1.
void ImpostaVoce(Bocca& bocca);

// The voice steps for one voice number in their fixed order: select it, read it back, its kind
// gives FlagVoce (0 for kind 1, else 1), hand the flag over. False, with nothing changed, when
// the voice is refused.
bool applyVoice(Bocca& bocca, int number);
