// Temporary: replaced by the exercise screens.
#include "app/screen.h"
#include "exercises/exercise_makers.h"
Screen* newForm1() { return new Screen(QStringLiteral("Form1")); }
Screen* newForm2() { return new Screen(QStringLiteral("Form2")); }
Screen* newForm3() { return new Screen(QStringLiteral("Form3")); }
