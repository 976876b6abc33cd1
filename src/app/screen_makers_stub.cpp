// Temporary: replaced by the splash, menu and voice settings screens.
#include "app/app_window.h"
#include "app/screen.h"
Screen* newFormAvvio() { return new Screen(QStringLiteral("FormAvvio")); }
Screen* newFormMenu() { return new Screen(QStringLiteral("FormMenu")); }
Screen* newFormImposta() { return new Screen(QStringLiteral("FormImposta")); }
