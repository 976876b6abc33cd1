// SPDX-License-Identifier: GPL-3.0-or-later
#include "home/splash.h"

#include "home/program_boxes.h"
#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"
#include "widgets/gradient_background.h"
#include "widgets/impostavoce.h"
#include "widgets/pictures.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QString SayWelcome = QStringLiteral("welcome. unit 7. munchora");

// A food picture on a white card, slightly tilted, as if laid on the table.
class TiltedCard final : public PictureBox
{
public:
    TiltedCard(double tilt, QWidget* parent) : PictureBox(parent), tilt_(tilt) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QSize side(std::min(width(), height()) * 9 / 10, std::min(width(), height()) * 9 / 10);
        QPainter p(this);
        const QPixmap picture = hasPicture() ? fitted(side * 88 / 100, deviceRatio(p)) : QPixmap();
        if (picture.isNull()) {
            p.end();
            PictureBox::paintEvent(event); // the card with the word
            return;
        }
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.translate(width() / 2.0, height() / 2.0);
        p.rotate(tilt_);
        const QRectF card(-side.width() / 2.0, -side.height() / 2.0, side.width(), side.height());
        const double radius = side.width() * 0.08;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawRoundedRect(card.translated(side.width() * 0.02, side.width() * 0.03), radius, radius);
        // The orange edge as a card beneath a slightly smaller white one: two fills cost
        // less than stroking the rounded outline, and look the same.
        const double edge = std::max(2.0, side.width() * 0.015) / 2;
        p.setBrush(QColor(0xff, 0xb7, 0x4d));
        p.drawRoundedRect(card.adjusted(-edge, -edge, edge, edge), radius + edge, radius + edge);
        p.setBrush(Qt::white);
        p.drawRoundedRect(card.adjusted(edge, edge, -edge, -edge), radius - edge, radius - edge);
        const QSizeF shown = picture.deviceIndependentSize();
        p.drawPixmap(QPointF(-shown.width() / 2, -shown.height() / 2), picture);
    }

private:
    double tilt_;
};

// The title, with a white edge below and to the right. Letters this large are drawn as
// outlines, the dearest part of the first frame: they are drawn once, and the edge is the same
// letters recoloured, kept with them in one picture until the size changes.
class TitleLabel final : public QLabel
{
public:
    using QLabel::QLabel;
    void setEdge(double offset)
    {
        edge_ = offset;
        picture_ = QPixmap();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (picture_.isNull() || pictureText_ != text())
            drawPicture(devicePixelRatioF());
        QPainter(this).drawPixmap(pictureAt_, picture_);
    }

    void resizeEvent(QResizeEvent* event) override
    {
        picture_ = QPixmap();
        QLabel::resizeEvent(event);
    }

    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
            picture_ = QPixmap();
        QLabel::changeEvent(event);
    }

private:
    void drawPicture(qreal ratio)
    {
        // Only the letters' own area, with room for the edge and for strokes that reach a
        // little beyond the letters' advance.
        const QFontMetrics metrics(font());
        const int room = metrics.height() / 8 + int(std::ceil(edge_));
        const QRect area =
            metrics.boundingRect(contentsRect(), int(alignment()), text()).adjusted(-room, -room, room, room) & rect();
        pictureAt_ = area.topLeft();
        QImage letters(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        letters.setDevicePixelRatio(ratio);
        letters.fill(Qt::transparent);
        {
            QPainter p(&letters);
            p.translate(-area.topLeft());
            p.setFont(font());
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(contentsRect(), int(alignment()), text());
        }
        QImage both(letters.size(), QImage::Format_ARGB32_Premultiplied);
        both.setDevicePixelRatio(ratio);
        both.fill(Qt::transparent);
        {
            QPainter p(&both);
            p.drawImage(QPointF(edge_, edge_), letters);
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(QRectF(QPointF(0, 0), QSizeF(area.size())), QColor(255, 255, 255, 230));
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.drawImage(QPointF(0, 0), letters);
        }
        picture_ = QPixmap::fromImage(std::move(both));
        pictureText_ = text();
    }

    double edge_ = 4;
    QPoint pictureAt_;
    QPixmap picture_;
    QString pictureText_;
};

void setTextColour(QLabel* label, const QColor& colour)
{
    // The palette, not a style sheet: the first style sheet sets up a style for the whole program.
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

FormAvvio::FormAvvio(QWidget* parent) : Screen(QStringLiteral("FormAvvio"), parent)
{
    // Designed at 1024 x 768; the background first so that it lies beneath everything.
    ARGradient1 = new GradientBackground(this);
    ARGradient1->setGeometry(0, 0, DesignWidth, DesignHeight);
    ARGradient1->setColors(QColor(0x9e, 0xdc, 0xff), QColor(0xff, 0xf0, 0xb3));
    connect(ARGradient1, &GradientBackground::clicked, this, &FormAvvio::leaveSplash);
    // It covers the window: nothing beneath it need be painted.
    ARGradient1->setAttribute(Qt::WA_OpaquePaintEvent);

    // The unit's title: the built-in unit's is the program's name.
    const Modulo1::UnitInPlay& unit = Modulo1::unitInPlay();
    Label2 = new TitleLabel(unit.builtIn ? QStringLiteral("Munchora") : unit.name, this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(112, 34, 800, 160);
    Label2->setFont(designFont(QStringLiteral("Comic Neue"), 128, true));
    Label2->setAlignment(Qt::AlignCenter);
    setTextColour(Label2, QColor(0xe8, 0x54, 0x2f));

    static constexpr double tilts[3] = {-5, 2, 6};
    for (int i = 0; i < 3; ++i) {
        auto* picture = new TiltedCard(tilts[i], this);
        picture->setObjectName(QStringLiteral("Image1_%1").arg(i));
        picture->setGeometry(97 + i * 290, 214, 250, 250);
        picture->setCursor(Qt::PointingHandCursor);
        picture->setFocusPolicy(Qt::TabFocus);
        connect(picture, &PictureBox::clicked, this, &FormAvvio::leaveSplash);
        Image1[static_cast<size_t>(i)] = picture;
    }

    Bocca = new ::Bocca(objectName(), this);
    Bocca->setObjectName(QStringLiteral("Bocca"));
    Bocca->setGeometry(447, 500, 130, 130);
    Bocca->setFocusPolicy(Qt::TabFocus);
    connect(Bocca, &::Bocca::Bocca_Click, this, &FormAvvio::leaveSplash);

    Label1 = new QLabel(unit.builtIn ? QStringLiteral("06 ottobre 2003") : QString(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(262, 664, 500, 56);
    Label1->setFont(designFont(QStringLiteral("Comic Neue"), 32, true));
    Label1->setAlignment(Qt::AlignCenter);
    setTextColour(Label1, QColor(0x2b, 0x4a, 0x8b));

    for (QLabel* label : {Label1, Label2}) {
        label->setAccessibleName(label->text());
        // A click on a label is a click on the background beneath it, which leaves the splash.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    setCursor(Qt::PointingHandCursor);

    // What to do here, for a screen reader: it reads the description of the control with the
    // focus (a picture, at first) and of the window.
    const QString begin = QStringLiteral("press a key or click to begin");
    setAccessibleDescription(begin);
    ARGradient1->setAccessibleDescription(begin);
    Bocca->setAccessibleDescription(begin);
    for (PictureBox* picture : Image1)
        picture->setAccessibleDescription(begin);
}

FormAvvio::~FormAvvio() = default;

void FormAvvio::Form_Load()
{
    Screen::Form_Load();
    // One draw per picture, in order; the same word may come up more than once.
    for (PictureBox* picture : Image1)
        picture->setWord(Modulo1::Parola(RandomWordIndex()));
    ::ImpostaVoce(*Bocca);
    Bocca->Speak(welcome());
}

QString FormAvvio::welcome()
{
    const Modulo1::UnitInPlay& unit = Modulo1::unitInPlay();
    if (unit.builtIn)
        return SayWelcome;
    return unit.number > 0 ? QStringLiteral("welcome. unit %1. %2").arg(unit.number).arg(unit.name)
                           : QStringLiteral("welcome. %1").arg(unit.name);
}

QStringList FormAvvio::spokenTexts() const
{
    return {welcome()};
}

void FormAvvio::resizeEvent(QResizeEvent* event)
{
    Screen::resizeEvent(event);
    // The title's white edge grows with the title.
    if (Label2) {
        const double factor = std::min(width() / double(DesignWidth), height() / double(DesignHeight));
        static_cast<TitleLabel*>(Label2)->setEdge(4 * factor);
    }
}

void FormAvvio::leaveSplash()
{
    // A second click before the menu is up must not make a second menu.
    if (leaving_)
        return;
    leaving_ = true;
    loadBundledFonts(); // the menu's
    if (ScreenHost* window = host())
        window->showMenu();
}

void FormAvvio::closeRequested()
{
    loadBundledFonts(); // the question's
    askToExit(*this, *Bocca);
}
