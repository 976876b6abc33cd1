// SPDX-License-Identifier: GPL-3.0-or-later
// The one file that knows every screen: the rows of the menu's catalogue (a new screen is its
// source pair and one row here) and the makers of the splash, the menu and the voice screen.
#include "screens.h"

#include "exercises/likes.h"
#include "exercises/listen_order.h"
#include "exercises/listening.h"
#include "exercises/picture_choice.h"
#include "exercises/who_likes.h"
#include "exercises/word_choice.h"
#include "exercises/word_drag.h"
#include "games/memory.h"
#include "games/word_search.h"
#include "home/menu.h"
#include "home/splash.h"
#include "home/unit_chooser.h"
#include "home/voice_settings.h"
#include "shell/app_window.h"

namespace {

template <class T>
Screen* make()
{
    return new T;
}

// A row of the menu; each screen's class has the screen's name.
template <class T>
ScreenEntry row(const char* button, const char* caption, const char* italian, ButtonPicture picture, int variant,
                QRgb colour)
{
    return {QString::fromLatin1(button),
            QString::fromLatin1(caption),
            picture,
            variant,
            colour,
            make<T>,
            QString::fromLatin1(T::staticMetaObject.className()),
            QString::fromUtf8(italian)};
}

constexpr QRgb listenBlue = 0x4fc3f7, choiceGreen = 0x81c784, orderOrange = 0xffb74d, wordsPurple = 0xce93d8,
               likePink = 0xf48fb1, tomTeal = 0x4db6ac, puzzleYellow = 0xffd54f, memoryIndigo = 0x9fa8da;

} // namespace

const std::vector<ScreenEntry>& programScreens()
{
    using P = ButtonPicture;
    static const std::vector<ScreenEntry> rows{
        row<Form1>("Command2", "1 - listen", "Esercizio 1 – Ascolta", P::Listen, 0, listenBlue),
        row<Form2>("Command3", "2 - What is it?", "Esercizio 2 – Che cos'è?", P::WhatIsIt, 0, choiceGreen),
        row<Form3>("Command4", "3 - What is it?", "Esercizio 3 – Che cos'è?", P::WhatIsIt, 1, choiceGreen),
        row<Form4a>("Command5", "4 - listen and order", "Esercizio 4 – Ascolta e metti in ordine", P::ListenOrder, 2,
                    orderOrange),
        row<Form4b>("Command15", "5 - listen and order", "Esercizio 5 – Ascolta e metti in ordine", P::ListenOrder, 3,
                    orderOrange),
        row<Form4c>("Command16", "6 - listen and order", "Esercizio 6 – Ascolta e metti in ordine", P::ListenOrder, 4,
                    orderOrange),
        row<Form5>("Command6", "7 - read the words", "Esercizio 7 – Leggi le parole", P::ReadWords, 0, wordsPurple),
        row<Form6>("Command7", "8 - read the words", "Esercizio 8 – Leggi le parole", P::ReadWords, 1, wordsPurple),
        row<Form8>("Command9", "9 - read the words", "Esercizio 9 – Leggi le parole", P::ReadWords, 2, wordsPurple),
        row<Form9>("Command8", "10 - read the words", "Esercizio 10 – Leggi le parole", P::ReadWords, 8, wordsPurple),
        row<Form10>("Command11", "11 - read the words", "Esercizio 11 – Leggi le parole", P::ReadWords, 9, wordsPurple),
        row<Form11>("Command17", "12 - I like ....", "Esercizio 12 – Mi piace...", P::ILike, 0, likePink),
        row<Form12>("Command18", "13 - I like ....", "Esercizio 13 – Mi piace...", P::ILike, 1, likePink),
        row<Form13>("Command19", "14 - I like ....", "Esercizio 14 – Mi piace...", P::ILike, 2, likePink),
        row<Form14>("Command12", "15 - Tom.. Susy...", "Esercizio 15 – A chi piace?", P::TomSusy, 5, tomTeal),
        row<FormCruciPuzzle>("Command13", "Crucipuzzle", "Cerca le parole", P::WordSearch, 0, puzzleYellow),
        row<FormMemory>("Command20", "Memory 1", "Gioco delle coppie 1", P::Memory, 0, memoryIndigo),
        row<FormMemory2>("Command10", "Memory 2", "Gioco delle coppie 2", P::Memory, 1, memoryIndigo),
    };
    return rows;
}

void handOverScreens()
{
    AppWindow::setHomeScreens({newFormMenu, newFormImposta});
    setProgramScreens(&programScreens());
}

Screen* newFormAvvio()
{
    return new FormAvvio;
}

Screen* newFormMenu()
{
    return new FormMenu;
}

Screen* newFormImposta()
{
    return new FormImposta;
}

QString screenCaption(const QString& screen)
{
    for (const ScreenEntry& entry : programScreens())
        if (entry.screen == screen)
            return entry.caption;
    return screen;
}

QStringList everySpokenText()
{
    QStringList texts;
    auto collect = [&texts](Screen* screen) {
        texts << screen->spokenTexts();
        delete screen;
    };
    collect(newFormAvvio());
    collect(newFormMenu());
    collect(newFormImposta());
    collect(new UnitChooser);
    for (const ScreenEntry& row : programScreens())
        if (row.make)
            collect(row.make());
    texts.removeDuplicates();
    texts.removeAll(QString());
    return texts;
}
