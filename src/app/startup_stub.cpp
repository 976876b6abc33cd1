// Temporary: replaced by the settings file and start-up implementation.
#include "app/app_window.h"
#include "app/modulo1.h"
#include "app/random_source.h"
#include <QApplication>
#include <QFileInfo>
namespace Modulo1 {
bool EsisteFile(const QString& path) { return QFileInfo(path).isFile(); }
void LeggiImpostazioni() { Voce = DefaultVoce; Velocita = DefaultVelocita; }
bool SalvaImpostazioni() { return true; }
bool CreaCartellaImpostazioni() { return true; }
void MostraCrediti(QWidget*) {}
int Main()
{
    RandomSource::seedFromClock();
    CaricaParole();
    AppWindow window;
    window.showFullScreenOnItsScreen();
    return QApplication::exec();
}
}
