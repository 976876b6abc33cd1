#pragma once
// Registers the fonts bundled with the program, so every machine shows the same letters.
void loadBundledFonts();
