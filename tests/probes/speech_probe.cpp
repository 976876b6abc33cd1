// SPDX-License-Identifier: GPL-3.0-or-later
// The voice settings screen on the real speech engines, with voices taken away, in a process
// of its own (the engines start once per process). Prints the voices the list offers, whether
// each of them really speaks, the message boxes shown while choosing each, and how it closed.
//
//   speech_probe [--without-flite-voice NAME]...
// eSpeak NG's data is taken away by the caller, through ESPEAK_DATA_PATH.

#include "helpers/fakes.h"
#include "home/menu.h"
#include "home/voice_settings.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "speech/engine_speech_service.h"
#include "speech/speech_engines.h"
#include "widgets/picture_button.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTextStream>

namespace {
QStringList withoutVoices;

QString finderWithout(const char* voice)
{
    if (withoutVoices.contains(QLatin1String(voice)))
        return QString();
    return speech::installedFliteVoice(voice);
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2)
        if (args[i] == QLatin1String("--without-flite-voice"))
            withoutVoices << args[i + 1];
    speech::setFliteVoiceFinder(finderWithout);

    QTextStream out(stdout);
    EngineSpeechService service({.audio = false});
    SpeechService::install(&service);
    ScriptedDialogs dialogs;
    TempFolders folders;
    resetSharedState();
    {
        AppWindow window;
        window.setGeometry(0, 0, 1024, 768);
        window.show();
        window.showScreen(newFormMenu());
        window.showOverlay(newFormImposta());
        auto* form = qobject_cast<FormImposta*>(window.overlay());
        if (!form)
            return 2;
        for (int i = 0; i < form->Combo1->count(); ++i) {
            const qsizetype boxes = dialogs.shown.size();
            form->Combo1->setCurrentIndex(i);
            const bool speaks = !synthesizeSpeech(i + 1, 135, QStringLiteral("welcome")).samples.empty();
            out << "voice " << (i + 1) << ' ' << form->Combo1->itemText(i) << (speaks ? "" : " (silent)");
            for (qsizetype b = boxes; b < dialogs.shown.size(); ++b)
                out << " box \"" << dialogs.shown[b].text << '"';
            out << '\n';
        }
        form->Combo1->setCurrentIndex(form->Combo1->count() - 1);
        QTest::mouseClick(form->BottoneEsci, Qt::LeftButton);
        out << (window.overlay() ? "still open" : "closed") << ", voice " << Modulo1::Voce << ", "
            << dialogs.shown.size() << " boxes\n";
        out.flush();
    }
    SpeechService::install(nullptr);
    service.shutdown();
    return 0;
}
