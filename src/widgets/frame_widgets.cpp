// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/frame_widgets.h"

#include "widgets/fonts.h"
#include "widgets/pictures.h"

#include <QAccessible>
#include <QEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace {

// The yes and no icons of the score panel, drawn once.
QImage drawScoreIcon(bool yes)
{
    const int side = 256;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = yes ? QColor(0x3c, 0xb3, 0x4a) : QColor(0xe5, 0x39, 0x35);
    const QColor rim = yes ? QColor(0x24, 0x7a, 0x30) : QColor(0xa3, 0x1f, 0x1c);
    painter.setPen(QPen(rim, 10));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(8, 8, side - 16, side - 16));
    QPen mark(Qt::white, 30, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(mark);
    painter.setBrush(Qt::NoBrush);
    if (yes) {
        QPainterPath tick;
        tick.moveTo(70, 134);
        tick.lineTo(112, 178);
        tick.lineTo(190, 86);
        painter.drawPath(tick);
    } else {
        painter.drawLine(QPointF(84, 84), QPointF(172, 172));
        painter.drawLine(QPointF(172, 84), QPointF(84, 172));
    }
    return image;
}

} // namespace

QFont fittedFont(QFont font, const QString& text, const QRectF& box)
{
    for (int guard = 0; guard < 60 && font.pixelSize() > 6; ++guard) {
        const QRectF needed = QFontMetricsF(font).boundingRect(box, Qt::AlignCenter, text);
        if (needed.width() <= box.width() && needed.height() <= box.height())
            break;
        font.setPixelSize(font.pixelSize() - 1);
    }
    return font;
}

namespace {

// Draws the entry bar and sizes its entries from the bar's own font, so they scale with it. A
// style, not a style sheet: a style sheet's sizes do not follow the font, and setting a new one
// at every scale costs a full polish each time a screen opens.
class EntryBarStyle final : public QProxyStyle
{
public:
    static int letters(const QWidget* widget)
    {
        return widget ? std::max(1, QFontInfo(widget->font()).pixelSize()) : 26;
    }
    // At the design size (26 px letters) an entry is 54 px high with its margin.
    static int padding(int px) { return std::max(1, qRound(px * 0.3)); }
    static int margin(int px) { return std::max(1, qRound(px * 0.08)); }
    static int border(int px) { return std::max(1, qRound(px * 0.08)); }
    static int gap(int px) { return std::max(1, qRound(px * 0.3)); } // beside an entry

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        if (type != CT_MenuBarItem)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        const int px = letters(widget);
        return {size.width() + qRound(px * 0.6) + 2 * (gap(px) + border(px)),
                size.height() + 2 * (padding(px) + margin(px) + border(px))};
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (metric) {
        case PM_MenuBarVMargin:
        case PM_MenuBarItemSpacing:
        case PM_MenuBarPanelWidth: return 0;
        case PM_MenuBarHMargin: return 0;
        default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element != CE_MenuBarItem && element != CE_MenuBarEmptyArea) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const int px = letters(widget);
        const QColor rim(0xe0, 0xa8, 0x3c);
        painter->save();
        // The bar: a light strip with a line along its bottom.
        const QRect bar = widget ? widget->rect() : option->rect;
        painter->fillRect(option->rect, QColor(0xff, 0xf3, 0xd6));
        painter->fillRect(QRect(option->rect.left(), bar.bottom() - 1, option->rect.width(), 2), rim);
        if (element == CE_MenuBarItem) {
            const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            const bool pressed = option->state & State_Sunken;
            const bool hovered = option->state & State_Selected;
            const int b = border(px);
            const QRectF box = QRectF(option->rect)
                                   .adjusted(gap(px) + b / 2.0, margin(px) + b / 2.0, -gap(px) - b / 2.0,
                                             -margin(px) - b / 2.0);
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(QPen(rim, b));
            painter->setBrush(pressed       ? QColor(0xff, 0xb7, 0x4d)
                                  : hovered ? QColor(0xff, 0xd2, 0x7f)
                                            : QColor(0xff, 0xe2, 0xa8));
            painter->drawRoundedRect(box, px * 0.35, px * 0.35);
            if (item) {
                painter->setPen(QColor(0x3b, 0x2a, 0x10));
                painter->setFont(widget ? widget->font() : painter->font());
                painter->drawText(box.adjusted(px * 0.6, 0, 0, 0),
                                  Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, item->text);
            }
        }
        painter->restore();
    }
};

} // namespace

EntryBar::EntryBar(QWidget* parent) : QMenuBar(parent), style_(std::make_unique<EntryBarStyle>())
{
    setNativeMenuBar(false);
    setStyle(style_.get());
}

EntryBar::~EntryBar()
{
    setStyle(nullptr); // before the style goes
}

NextButton::NextButton(QWidget* parent) : QPushButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    // Tab reaches it; a click leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
}

void NextButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        emit enabledChanged(isEnabled());
}

void NextButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const QRectF box = QRectF(rect()).adjusted(side * 0.04, side * 0.04, -side * 0.04, -side * 0.04);
    const qreal radius = side * 0.2;

    QColor top(0xff, 0xb7, 0x4d), bottom(0xf5, 0x7c, 0x00), rim(0xc2, 0x5a, 0x00);
    if (!isEnabled()) {
        top = QColor(0xe4, 0xe4, 0xe4);
        bottom = QColor(0xc8, 0xc8, 0xc8);
        rim = QColor(0xa8, 0xa8, 0xa8);
    } else if (isDown()) {
        top = top.darker(115);
        bottom = bottom.darker(115);
    }
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.setPen(QPen(rim, std::max(2.0, side * 0.035)));
    painter.setBrush(gradient);
    painter.drawRoundedRect(box, radius, radius);

    const QColor ink = isEnabled() ? Qt::white : QColor(0xf4, 0xf4, 0xf4);
    if (!text().isEmpty()) {
        painter.setPen(ink);
        painter.setFont(font());
        painter.drawText(box, Qt::AlignCenter, text());
        return;
    }
    // A fat arrow pointing on.
    const QPointF c = box.center();
    const qreal w = box.width() * 0.62, h = box.height() * 0.62;
    const qreal shaft = h * 0.36;
    QPainterPath arrow;
    arrow.moveTo(c.x() - w / 2, c.y() - shaft / 2);
    arrow.lineTo(c.x() + w * 0.02, c.y() - shaft / 2);
    arrow.lineTo(c.x() + w * 0.02, c.y() - h / 2);
    arrow.lineTo(c.x() + w / 2, c.y());
    arrow.lineTo(c.x() + w * 0.02, c.y() + h / 2);
    arrow.lineTo(c.x() + w * 0.02, c.y() + shaft / 2);
    arrow.lineTo(c.x() - w / 2, c.y() + shaft / 2);
    arrow.closeSubpath();
    painter.setPen(QPen(isEnabled() ? rim : QColor(0xb0, 0xb0, 0xb0), std::max(2.0, side * 0.03), Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(ink);
    painter.drawPath(arrow);
}

HighlightFrame::HighlightFrame(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void HighlightFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The pictures are square and drawn centred with their aspect kept: hug that square.
    const qreal side = std::min(width(), height());
    const qreal line = std::max(4.0, side * 0.045);
    const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
    const QRectF box = square.adjusted(line / 2, line / 2, -line / 2, -line / 2);
    const qreal radius = side * 0.1;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xff, 0xff, 0xff, 220), line * 1.6));
    painter.drawRoundedRect(box, radius, radius);
    painter.setPen(QPen(QColor(0x2e, 0xb8, 0x4c), line));
    painter.drawRoundedRect(box, radius, radius);
}

ScorePanel::ScorePanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PicturesattiErrati"));
    // The scaler measures the counts and icons inside the panel.
    setProperty("container", true);

    const QFont heading = designFont(QStringLiteral("Liberation Sans"), 32, true);
    const QFont count = designFont(QStringLiteral("Liberation Sans"), 40, true);
    auto makeLabel = [this](const char* name, const QString& text, const QFont& font, QRect where, const QColor& colour,
                            Qt::Alignment align) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        label->setFont(font);
        label->setGeometry(where);
        label->setAlignment(align | Qt::AlignVCenter);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
        return label;
    };
    const QColor green(0x1e, 0x7d, 0x32), red(0xc6, 0x28, 0x28);
    LabelEst = makeLabel("LabelEst", QStringLiteral("Correct"), heading, {18, 10, 160, 54}, green, Qt::AlignLeft);
    EtichettaEsatti = makeLabel("EtichettaEsatti", QStringLiteral("0"), count, {176, 10, 96, 54}, green,
                                Qt::AlignRight);
    LabelErt = makeLabel("LabelErt", QStringLiteral("Mistake"), heading, {18, 68, 160, 54}, red, Qt::AlignLeft);
    EtichettaErrati = makeLabel("EtichettaErrati", QStringLiteral("0"), count, {176, 68, 96, 54}, red, Qt::AlignRight);

    const QRect icon(274, 22, 88, 88);
    ComandoIconaSi = new PictureBox(this);
    ComandoIconaSi->setObjectName(QStringLiteral("ComandoIconaSi"));
    ComandoIconaSi->setImage(drawScoreIcon(true), QStringLiteral("yes"));
    ComandoIconaSi->setGeometry(icon);
    ComandoIconaSi->hide();
    ComandoIconaNo = new PictureBox(this);
    ComandoIconaNo->setObjectName(QStringLiteral("ComandoIconaNo"));
    ComandoIconaNo->setImage(drawScoreIcon(false), QStringLiteral("no"));
    ComandoIconaNo->setGeometry(icon);
    ComandoIconaNo->hide();
}

void ScorePanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const qreal radius = std::min(width(), height()) * 0.16;
    painter.setPen(QPen(QColor(0xe0, 0xa8, 0x3c), 3));
    painter.setBrush(QColor(255, 255, 255, 215));
    painter.drawRoundedRect(box, radius, radius);
}

// The pieces a child answers with show a hand under the pointer and are Tab stops.
WordLabel::WordLabel(QWidget* parent) : Clickable(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void WordLabel::setCaption(const QString& caption)
{
    caption_ = caption;
    setAccessibleName(caption);
    update();
}

void WordLabel::setBackground(const QColor& colour)
{
    background_ = colour;
    update();
}

void WordLabel::open()
{
    setEnabled(true);
    setBackground(Qt::white);
}

void WordLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const qreal line = std::max(2.0, side * 0.05);
    const QRectF box = QRectF(rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2);
    const qreal radius = side * 0.22;
    const bool white = background_ == QColor(Qt::white);
    painter.setPen(QPen(isEnabled() ? QColor(0x8e, 0x7c, 0xc3) : QColor(0xc8, 0xc8, 0xc8), line));
    painter.setBrush(background_);
    painter.drawRoundedRect(box, radius, radius);
    // Dark ink on white; on the red of a right answer, white ink reads best.
    QColor ink = white ? QColor(0x1d, 0x1f, 0x3a) : QColor(Qt::white);
    if (!isEnabled() && white)
        ink = QColor(0x9e, 0x9e, 0x9e);
    painter.setPen(ink);
    const QRectF textBox = box.adjusted(side * 0.1, 0, -side * 0.1, 0);
    painter.setFont(fittedFont(font(), caption_, textBox));
    painter.drawText(textBox, Qt::AlignCenter, caption_);
}

CardCover::CardCover(QWidget* parent) : Clickable(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("card"));
}

void CardCover::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const qreal line = std::max(2.0, side * 0.03);
    const QRectF box = QRectF(rect()).adjusted(line, line, -line, -line);
    const qreal radius = side * 0.1;
    painter.setPen(QPen(QColor(0xc9, 0xa2, 0x27), line));
    painter.setBrush(QColor(255, 255, 128)); // pale yellow
    painter.drawRoundedRect(box, radius, radius);
    // A soft question mark, so a child sees the card is there to be turned.
    QFont mark = font();
    mark.setBold(true);
    mark.setPixelSize(std::max(8, int(side * 0.45)));
    painter.setFont(mark);
    painter.setPen(QColor(0xe0, 0xb8, 0x3a));
    painter.drawText(box, Qt::AlignCenter, QStringLiteral("?"));
}

GridCell::GridCell(QWidget* parent) : Clickable(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    // A grid repaints a hundred of these: nothing beneath them needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GridCell::setLetter(QChar letter)
{
    letter_ = letter;
    // An empty cell has no name (QString(QChar()) would be a one-character string).
    setAccessibleName(letter.isNull() ? QString() : QString(letter));
    update();
}

void GridCell::setBackground(const QColor& colour)
{
    background_ = colour;
    update();
}

void GridCell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal line = std::max(1.0, std::min(width(), height()) * 0.03);
    painter.fillRect(rect(), background_);
    painter.setPen(QPen(QColor(0xb0, 0xbe, 0xc5), line));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2));
    if (!letter_.isNull()) {
        painter.setPen(QColor(0x1d, 0x1f, 0x3a));
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, QString(letter_));
    }
}
