// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What assistive tools (screen readers, switch access, the AT-SPI bridge) learn about the
// program's own controls, which Qt would otherwise announce as plain "filler" panes:
// - a Clickable (clickable.h: the pictures, the mouth, words, cards, cells, boxes) is
//   announced with its own role (a button, or an image for a picture) and its name; it can be
//   pressed, as a click does, while it is enabled and something reacts to it; while a screen
//   waits for its speech the press waits with the screen's clicks (input_gate.h);
// - a widget with the dynamic property "accessibleDecoration" set is drawn for the eye
//   alone and is reported invisible;
// - any other widget may declare its role in the dynamic property "accessibleRole" (an int
//   holding a QAccessible::Role).

// Installs the program's accessibility factory; safe to call more than once. Needs a
// QApplication; widgets made before the call keep what Qt gave them.
void installAccessibility();
