#pragma once
// Registers the fonts bundled with the program (Comic Neue, Liberation Sans), so every
// machine shows the same letters.

// All of them, once; later calls do nothing.
void loadBundledFonts();
// Only the one the splash screen shows (Comic Neue Bold): the start need not wait for the
// others, which the splash's way on loads (loadBundledFonts).
void loadSplashFonts();
