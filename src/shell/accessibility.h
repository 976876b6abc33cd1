#pragma once
// What assistive tools (screen readers, switch access, the AT-SPI bridge) learn about the
// program's own controls, which Qt would otherwise announce as plain "filler" panes:
// - pictures (PictureBox and its subclasses) are images named by their word; one that reacts
//   to a click can also be pressed;
// - the mouth (Bocca) is a button, pressable where a click on it does something;
// - a widget with the dynamic property "accessibleDecoration" set is drawn for the eye
//   alone and is reported invisible;
// - any other widget opts in with the dynamic property "accessibleRole" (an int holding a
//   QAccessible::Role) and, to be pressable, a Q_INVOKABLE method accessiblePress() that does
//   what a click does. The press only runs while the widget is enabled.

// Installs the program's accessibility factory; safe to call more than once. Needs a
// QApplication; widgets made before the call keep what Qt gave them.
void installAccessibility();
