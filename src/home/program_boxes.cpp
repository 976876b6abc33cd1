// SPDX-License-Identifier: GPL-3.0-or-later
#include "home/program_boxes.h"

#include "settings/settings_file.h"
#include "shell/dialogs.h"
#include "shell/screen.h"
#include "widgets/bocca.h"

namespace {
const QString SayExit = QStringLiteral("Exit?");
const QString SayBye = QStringLiteral("bye!");
} // namespace

void askToExit(Screen& screen, Bocca& mouth)
{
    mouth.Speak(SayExit);
    MsgBox(&screen, QStringLiteral("exit?"), QStringLiteral("munchora"), BoxIcon::Question, BoxButtons::YesNo,
           [&screen, &mouth](BoxAnswer answer) {
               if (answer != BoxAnswer::Yes)
                   return;
               mouth.Speak(SayBye);
               if (ScreenHost* window = screen.host())
                   window->endProgram();
           });
}

QStringList exitTexts()
{
    return {SayExit, SayBye};
}

namespace Modulo1 {

void MostraCrediti(QWidget* parent)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString text = QStringLiteral("Munchora team  ") + crlf + QStringLiteral(" ----------------------- ") + crlf
        + QStringLiteral("https://") + QLatin1String(SettingsFile::MakerHost) + crlf
        + QStringLiteral("mail: munchora@example.org") + crlf
        + QStringLiteral("Pictures: Microsoft Fluent UI Emoji (npm package fluentui-emoji), MIT licence");
    MsgBox(parent, text, QStringLiteral("munchora"), BoxIcon::Information, BoxButtons::Ok);
}

} // namespace Modulo1
