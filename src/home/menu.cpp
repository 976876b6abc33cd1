// SPDX-License-Identifier: GPL-3.0-or-later
#include "home/menu.h"

#include "home/program_boxes.h"
#include "home/screen_catalogue.h"
#include "home/unit_choice.h"
#include "home/unit_chooser.h"
#include "settings/modulo1.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"
#include "widgets/gradient_background.h"
#include "widgets/impostavoce.h"
#include "widgets/picture_button.h"

#include <QResizeEvent>

#include <algorithm>

namespace {

const QString SayVoice = QStringLiteral("Voice");

// Design layout (1024 x 768): the eighteen screens in a 6 x 3 grid of tiles, big enough for
// a finger on a whiteboard; the mouth, "Voice", "?" and, set apart, "Exit" in a bar below.
// More rows of tiles share the same height.
constexpr int columns = 6;
constexpr int tileWidth = 150, tileHeight = 178, gap = 16, marginLeft = 22, marginTop = 22;
constexpr int barTop = 618, barHeight = 118;
constexpr int tilesHeight = barTop - 2 * marginTop + gap / 2;
constexpr int tileFont = 18, barFont = 30;

// The bar's buttons after the mouth, left and width; "Exit" set apart at the right end. With
// units to choose from the unit in play's button comes first, and the others narrow with their
// captions whole in a slightly smaller font, on an upright whiteboard too (where the pictures
// grow with the height and the letters with the width).
struct BarLayout
{
    int unit[2], voice[2], credits[2], exit[2];
    int font;
};
constexpr BarLayout oneUnitBar{{0, 0}, {150, 270}, {436, 180}, {752, 250}, barFont};
constexpr BarLayout unitsBar{{148, 257}, {417, 206}, {635, 152}, {820, 182}, 28};

// The unit in play as the menu offers it; by its own name when it is not among those offered.
OfferedUnit offeredUnitInPlay()
{
    const Modulo1::UnitInPlay& unit = Modulo1::unitInPlay();
    for (const OfferedUnit& offered : offeredUnits())
        if (offered.id == unit.id)
            return offered;
    return {unit.id, unit.name.isEmpty() ? QStringLiteral("Unit %1").arg(unit.number) : unit.name, unit.number, {}};
}

} // namespace

FormMenu::FormMenu(QWidget* parent) : Screen(QStringLiteral("FormMenu"), parent)
{
    ARGradient1 = new GradientBackground(this);
    ARGradient1->setGeometry(0, 0, DesignWidth, DesignHeight);

    auto makeButton = [this](const QString& name, const QString& caption, ButtonPicture picture, int variant,
                             QRgb colour, const QRect& geometry, int fontSize) {
        const auto shape = geometry.top() >= barTop ? PictureButton::Shape::Bar : PictureButton::Shape::Tile;
        auto* button = new PictureButton(caption, picture, variant, QColor(colour), shape, this);
        button->setObjectName(name);
        button->setGeometry(geometry);
        button->setFont(designFont(QStringLiteral("Liberation Sans"), fontSize, true));
        buttons_.append(button);
        return button;
    };

    const std::vector<ScreenEntry>& catalogue = screenCatalogue();
    const int rows = std::max<int>(1, (int(catalogue.size()) + columns - 1) / columns);
    const int tileH = std::min(tileHeight, (tilesHeight - (rows - 1) * gap) / rows);
    int index = 0;
    for (const ScreenEntry& entry : catalogue) {
        const QRect place(marginLeft + (index % columns) * (tileWidth + gap),
                          marginTop + (index / columns) * (tileH + gap), tileWidth, tileH);
        PictureButton* button = makeButton(entry.button, entry.caption, entry.picture, entry.variant, entry.colour,
                                           place, tileFont);
        button->setEnabled(bool(entry.make));
        tiles_.append(button);
        if (entry.make)
            connect(button, &QPushButton::clicked, this, [this, make = entry.make] { openScreen(make()); });
        ++index;
    }

    Bocca = new ::Bocca(objectName(), this);
    Bocca->setObjectName(QStringLiteral("Bocca"));
    Bocca->setGeometry(marginLeft, barTop + 4, barHeight - 8, barHeight - 8);
    // A click on the menu's mouth does nothing, so the keyboard passes it by.

    const bool unitChoice = offeredUnits().size() > 1;
    const BarLayout& bar = unitChoice ? unitsBar : oneUnitBar;
    const auto barPlace = [](const int(&place)[2]) { return QRect(place[0], barTop, place[1], barHeight); };
    if (unitChoice) {
        const OfferedUnit unit = offeredUnitInPlay();
        PictureButton* choice = makeButton(QStringLiteral("unitButton"), unit.name, ButtonPicture::Unit, 0, 0xffcc80,
                                           barPlace(bar.unit), bar.font);
        choice->setAccessibleName(QStringLiteral("Unit: ") + unit.name);
        choice->setAccessibleDescription(QStringLiteral("choose another unit"));
        connect(choice, &QPushButton::clicked, this, &FormMenu::chooseUnit);
    }
    PictureButton* voice = makeButton(QStringLiteral("Command1"), QStringLiteral("Voice"), ButtonPicture::Voice, 0,
                                      0x81d4fa, barPlace(bar.voice), bar.font);
    connect(voice, &QPushButton::clicked, this, &FormMenu::Command1_Click);
    PictureButton* credits = makeButton(QStringLiteral("Command14"), QStringLiteral("?"), ButtonPicture::Credits, 0,
                                        0xb0bec5, barPlace(bar.credits), bar.font);
    connect(credits, &QPushButton::clicked, this, &FormMenu::Command14_Click);
    PictureButton* exit = makeButton(QStringLiteral("BottoneEsci"), QStringLiteral("Exit"), ButtonPicture::Exit, 0,
                                     0xef9a9a, barPlace(bar.exit), bar.font);
    connect(exit, &QPushButton::clicked, this, &FormMenu::BottoneEsci_Click);
}

FormMenu::~FormMenu() = default;

void FormMenu::Form_Load()
{
    Screen::Form_Load();
    // The menu applies the voice settings only here: its activation only places it.
    ::ImpostaVoce(*Bocca);
}

void FormMenu::resizeEvent(QResizeEvent* event)
{
    Screen::resizeEvent(event);
    // On a wide display every caption fits on one line and the pictures get the room; the
    // screen's shape decides, not its scale.
    const double scale = std::min(double(event->size().width()) / DesignWidth,
                                  double(event->size().height()) / DesignHeight);
    const bool oneLine = std::all_of(tiles_.cbegin(), tiles_.cend(), [scale](const PictureButton* tile) {
        return tile->captionFitsOneLine(tileFont * scale);
    });
    for (PictureButton* tile : tiles_)
        tile->setCaptionLines(oneLine ? 1 : 2);
}

PictureButton* FormMenu::button(const QString& name) const
{
    for (PictureButton* b : buttons_)
        if (b->objectName() == name)
            return b;
    return nullptr;
}

void FormMenu::openScreen(Screen* screen)
{
    // The opened screen speaks its own title; the menu is unloaded by the host.
    if (ScreenHost* window = host())
        window->showScreen(screen);
    else
        delete screen;
}

QStringList FormMenu::spokenTexts() const
{
    return QStringList{SayVoice} + exitTexts();
}

void FormMenu::Command1_Click()
{
    Bocca->Speak(SayVoice);
    if (ScreenHost* window = host())
        window->showVoiceSettings();
}

void FormMenu::chooseUnit()
{
    // The chooser's own mouth says what it is.
    if (ScreenHost* window = host())
        window->showOverlay(new UnitChooser);
}

void FormMenu::Command14_Click()
{
    Modulo1::MostraCrediti(this);
}

void FormMenu::BottoneEsci_Click()
{
    askToExit(*this, *Bocca);
}

void FormMenu::closeRequested()
{
    BottoneEsci_Click();
}
