#pragma once
// Makers of the exercise and game screens, for the menu.
class Screen;
Screen* newForm1();
Screen* newForm2();
Screen* newForm3();
