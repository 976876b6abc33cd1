// SPDX-License-Identifier: GPL-3.0-or-later
#include "home/unit_chooser.h"

#include "home/splash.h"
#include "home/unit_choice.h"
#include "settings/modulo1.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"
#include "widgets/gradient_background.h"
#include "widgets/impostavoce.h"
#include "widgets/picture_button.h"

#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace {

const QString SayUnits = QStringLiteral("units");

// Design layout (1024 x 768): the mouth and the title above, the tiles below them in a grid,
// each as big as the grid lets it be, up to this size.
constexpr int tileWidth = 340, tileHeight = 408, gap = 28;
const QRect tileArea(40, 166, 944, 574);
constexpr int tileFont = 30;

// The tiles' places: in the number of columns that makes them biggest, the gaps shrinking with
// them, and centred.
QList<QRect> tilePlaces(int count)
{
    int columns = 1;
    double scale = 0;
    for (int c = 1; c <= count; ++c) {
        const int r = (count + c - 1) / c;
        const double fits = std::min({1.0, tileArea.width() / double(c * tileWidth + (c - 1) * gap),
                                      tileArea.height() / double(r * tileHeight + (r - 1) * gap)});
        if (fits > scale) {
            scale = fits;
            columns = c;
        }
    }
    const int w = int(tileWidth * scale), h = int(tileHeight * scale), g = int(gap * scale);
    const int rows = (count + columns - 1) / columns;
    const int top = tileArea.top() + (tileArea.height() - rows * h - (rows - 1) * g) / 2;
    QList<QRect> places;
    for (int i = 0; i < count; ++i) {
        const int row = i / columns;
        // A short last row is centred too.
        const int inRow = std::min(columns, count - row * columns);
        const int left = tileArea.left() + (tileArea.width() - inRow * w - (inRow - 1) * g) / 2;
        places.append(QRect(left + (i % columns) * (w + g), top + row * (h + g), w, h));
    }
    return places;
}

// A unit's tile; the one in play wears a green tick in its corner.
class UnitTile final : public PictureButton
{
public:
    UnitTile(const OfferedUnit& unit, bool inPlay, QWidget* parent)
        : PictureButton(unit.number > 0 ? QStringLiteral("%1\nUnit %2").arg(unit.name).arg(unit.number) : unit.name,
                        ButtonPicture::Unit, 0, inPlay ? QColor(0xa5, 0xd6, 0xa7) : QColor(0xff, 0xcc, 0x80),
                        Shape::Tile, parent),
          inPlay_(inPlay)
    {
        setObjectName(QStringLiteral("unit_") + unit.id);
        setUnitPictures(unit.pictures);
        setCaptionLines(2);
        setAccessibleName(unit.name);
        QStringList about;
        if (unit.number > 0)
            about << QStringLiteral("unit %1").arg(unit.number);
        if (inPlay)
            about << QStringLiteral("the unit in play");
        setAccessibleDescription(about.join(QStringLiteral(", ")));
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        PictureButton::paintEvent(event);
        if (!inPlay_)
            return;
        QPainter p(this);
        const double side = std::min(width(), height()) * 0.24;
        drawButtonPicture(p, QRectF(width() - side * 1.08, side * 0.04, side, side), ButtonPicture::Confirm, 0);
    }

private:
    bool inPlay_;
};

} // namespace

UnitChooser::UnitChooser(QWidget* parent) : Screen(QStringLiteral("UnitChooser"), parent)
{
    // The menu's own background: on an upright whiteboard the bands above and below go on in
    // the menu's colours, which the window keeps while the chooser lies over it.
    ARGradient1 = new GradientBackground(this);
    ARGradient1->setGeometry(0, 0, DesignWidth, DesignHeight);

    Bocca = new ::Bocca(objectName(), this);
    Bocca->setObjectName(QStringLiteral("Bocca"));
    Bocca->setGeometry(40, 30, 120, 120);
    Bocca->setFocusPolicy(Qt::TabFocus);
    connect(Bocca, &::Bocca::Bocca_Click, this, [this] { Bocca->Speak(SayUnits); });

    title = new QLabel(QStringLiteral("Units"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setGeometry(180, 30, 664, 120);
    title->setFont(designFont(QStringLiteral("Comic Neue"), 84, true));
    title->setAlignment(Qt::AlignCenter);
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, QColor(0xe8, 0x54, 0x2f));
    title->setPalette(palette);
    title->setAccessibleName(title->text());

    const std::vector<OfferedUnit>& units = offeredUnits();
    const QList<QRect> places = tilePlaces(int(units.size()));
    for (size_t i = 0; i < units.size(); ++i) {
        auto* tile = new UnitTile(units[i], units[i].id == Modulo1::unitInPlay().id, this);
        tile->setGeometry(places[qsizetype(i)]);
        tile->setFont(designFont(QStringLiteral("Liberation Sans"),
                                 std::max(16, tileFont * places[qsizetype(i)].width() / tileWidth), true));
        connect(tile, &QPushButton::clicked, this, [this, id = units[i].id] { choose(id); });
        tiles_.append(tile);
    }
}

UnitChooser::~UnitChooser() = default;

void UnitChooser::Form_Load()
{
    Screen::Form_Load();
    ::ImpostaVoce(*Bocca);
    Bocca->Speak(SayUnits);
    // Keys go to this screen, not to the button of the menu beneath that opened it.
    PictureButton* first = tile(Modulo1::unitInPlay().id);
    if (!first && !tiles_.isEmpty())
        first = tiles_.first();
    if (first)
        first->setFocus(Qt::OtherFocusReason);
}

QStringList UnitChooser::spokenTexts() const
{
    return {SayUnits};
}

PictureButton* UnitChooser::tile(const QString& id) const
{
    return findChild<PictureButton*>(QStringLiteral("unit_") + id, Qt::FindDirectChildrenOnly);
}

void UnitChooser::choose(const QString& id)
{
    ScreenHost* window = host();
    if (id == Modulo1::unitInPlay().id) {
        closeRequested();
        return;
    }
    playOfferedUnit(id);
    // The new unit's splash greets the child with its name; a click leads on to its menu.
    if (window)
        window->showScreen(new FormAvvio);
}

void UnitChooser::closeRequested()
{
    if (ScreenHost* window = host())
        window->closeOverlay();
}
