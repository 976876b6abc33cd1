#include "app/menu.h"

#include "app/app_window.h"
#include "app/dialogs.h"
#include "app/modulo1.h"
#include "app/picture_button.h"
#include "exercises/exercise_makers.h"
#include "app/impostavoce.h"
#include "speech/bocca.h"

#include <algorithm>

namespace {

using Maker = Screen* (*)();

struct ScreenButton
{
    const char* name;
    const char* caption;
    ButtonPicture picture;
    int variant;
    QRgb colour;
    // The screen's maker; none while the screen is not built yet, and the button is then
    // shown disabled.
    Maker maker;
};

constexpr QRgb listenBlue = 0x4fc3f7, choiceGreen = 0x81c784, orderOrange = 0xffb74d,
               wordsPurple = 0xce93d8, likePink = 0xf48fb1, tomTeal = 0x4db6ac,
               puzzleYellow = 0xffd54f, memoryIndigo = 0x9fa8da;

// In the order the children meet them: exercises 1 to 15, then the games.
const ScreenButton screenButtons[] = {
    {"Command2", "1 - listen", ButtonPicture::Listen, 0, listenBlue, newForm1},
    {"Command3", "2 - What is it?", ButtonPicture::WhatIsIt, 0, choiceGreen, newForm2},
    {"Command4", "3 - What is it?", ButtonPicture::WhatIsIt, 1, choiceGreen, newForm3},
    {"Command5", "4 - listen and order", ButtonPicture::ListenOrder, 2, orderOrange, nullptr},
    {"Command15", "5 - listen and order", ButtonPicture::ListenOrder, 3, orderOrange, nullptr},
    {"Command16", "6 - listen and order", ButtonPicture::ListenOrder, 4, orderOrange, nullptr},
    {"Command6", "7 - read the words", ButtonPicture::ReadWords, 0, wordsPurple, nullptr},
    {"Command7", "8 - read the words", ButtonPicture::ReadWords, 1, wordsPurple, nullptr},
    {"Command9", "9 - read the words", ButtonPicture::ReadWords, 2, wordsPurple, nullptr},
    {"Command8", "10 - read the words", ButtonPicture::ReadWords, 3, wordsPurple, nullptr},
    {"Command11", "11 - read the words", ButtonPicture::ReadWords, 4, wordsPurple, nullptr},
    {"Command17", "12 - I like ....", ButtonPicture::ILike, 0, likePink, nullptr},
    {"Command18", "13 - I like ....", ButtonPicture::ILike, 1, likePink, nullptr},
    {"Command19", "14 - I like ....", ButtonPicture::ILike, 2, likePink, nullptr},
    {"Command12", "15 - Tom.. Susy...", ButtonPicture::TomSusy, 5, tomTeal, nullptr},
    {"Command13", "Crucipuzzle", ButtonPicture::WordSearch, 0, puzzleYellow, nullptr},
    {"Command20", "Memory 1", ButtonPicture::Memory, 0, memoryIndigo, nullptr},
    {"Command10", "Memory 2", ButtonPicture::Memory, 1, memoryIndigo, nullptr},
};

// Design layout (1024 x 768): the eighteen screens in a 6 x 3 grid of tiles, big enough for
// a finger on a whiteboard; the mouth, "Voice", "?" and, set apart, "Exit" in a bar below.
constexpr int columns = 6;
constexpr int tileWidth = 150, tileHeight = 178, gap = 16, marginLeft = 22, marginTop = 22;
constexpr int barTop = 618, barHeight = 118;
constexpr int tileFont = 18, barFont = 30;

} // namespace

FormMenu::FormMenu(QWidget* parent) : Screen(QStringLiteral("FormMenu"), parent)
{
    ARGradient1 = new GradientBackground(this);
    ARGradient1->setGeometry(0, 0, DesignWidth, DesignHeight);

    auto makeButton = [this](const char* name, const char* caption, ButtonPicture picture, int variant,
                             QRgb colour, const QRect& geometry, int fontSize) {
        const auto shape = geometry.top() >= barTop ? PictureButton::Shape::Bar : PictureButton::Shape::Tile;
        auto* button = new PictureButton(QString::fromUtf8(caption), picture, variant, QColor(colour), shape, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(geometry);
        button->setFont(designFont(QStringLiteral("Liberation Sans"), fontSize, true));
        buttons_.append(button);
        return button;
    };

    int index = 0;
    for (const ScreenButton& entry : screenButtons) {
        const QRect place(marginLeft + (index % columns) * (tileWidth + gap),
                          marginTop + (index / columns) * (tileHeight + gap), tileWidth, tileHeight);
        PictureButton* button =
            makeButton(entry.name, entry.caption, entry.picture, entry.variant, entry.colour, place, tileFont);
        button->setEnabled(entry.maker != nullptr);
        tiles_.append(button);
        const Maker maker = entry.maker;
        if (maker)
            connect(button, &QPushButton::clicked, this, [this, maker] { openScreen(maker); });
        ++index;
    }

    Bocca_ = new Bocca(objectName(), this);
    Bocca_->setObjectName(QStringLiteral("Bocca"));
    Bocca_->setGeometry(marginLeft, barTop + 4, barHeight - 8, barHeight - 8);

    PictureButton* voice = makeButton("Command1", "Voice", ButtonPicture::Voice, 0, 0x81d4fa,
                                      QRect(150, barTop, 270, barHeight), barFont);
    connect(voice, &QPushButton::clicked, this, &FormMenu::Command1_Click);
    PictureButton* credits = makeButton("Command14", "?", ButtonPicture::Credits, 0, 0xb0bec5,
                                        QRect(436, barTop, 180, barHeight), barFont);
    connect(credits, &QPushButton::clicked, this, &FormMenu::Command14_Click);
    PictureButton* exit = makeButton("BottoneEsci", "Exit", ButtonPicture::Exit, 0, 0xef9a9a,
                                     QRect(1002 - 250, barTop, 250, barHeight), barFont);
    connect(exit, &QPushButton::clicked, this, &FormMenu::BottoneEsci_Click);
}

FormMenu::~FormMenu() = default;

void FormMenu::Form_Load()
{
    Screen::Form_Load();
    // The menu applies the voice settings only here: its activation only places it.
    ImpostaVoce();
}

void FormMenu::resizeEvent(QResizeEvent* event)
{
    Screen::resizeEvent(event);
    // On a wide display every caption fits on one line and the pictures get the room.
    const bool oneLine = std::all_of(tiles_.cbegin(), tiles_.cend(),
                                     [](const PictureButton* tile) { return tile->captionFitsOneLine(); });
    for (PictureButton* tile : tiles_)
        tile->setCaptionLines(oneLine ? 1 : 2);
}

void FormMenu::ImpostaVoce()
{
    ::ImpostaVoce(*Bocca_);
}

PictureButton* FormMenu::button(const QString& name) const
{
    for (PictureButton* b : buttons_)
        if (b->objectName() == name)
            return b;
    return nullptr;
}

void FormMenu::openScreen(Screen* (*maker)())
{
    // The opened screen speaks its own title; the menu is unloaded by the host.
    if (ScreenHost* window = host())
        window->showScreen(maker());
}

void FormMenu::Command1_Click()
{
    Bocca_->Speak(QStringLiteral("Voice"));
    if (ScreenHost* window = host())
        window->showOverlay(newFormImposta());
}

void FormMenu::Command14_Click()
{
    Modulo1::MostraCrediti(this);
}

void FormMenu::BottoneEsci_Click()
{
    Bocca_->Speak(QStringLiteral("Exit?"));
    const BoxAnswer answer =
        MsgBox(this, QStringLiteral("exit?"), QStringLiteral("munchora"), BoxIcon::Question, BoxButtons::YesNo);
    if (answer != BoxAnswer::Yes)
        return;
    Bocca_->Speak(QStringLiteral("bye!"));
    if (ScreenHost* window = host())
        window->endProgram();
}

Screen* newFormMenu()
{
    return new FormMenu;
}
