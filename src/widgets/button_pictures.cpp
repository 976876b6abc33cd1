// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/button_pictures.h"

#include "settings/modulo1.h"
#include "widgets/pictures.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace {

// Every picture is drawn in a 4:3 box centred in the area it is given, in fractions of the
// box, so it keeps its proportions on a square button and on a wide one.
struct Box
{
    QRectF r;

    double x(double f) const { return r.left() + f * r.width(); }
    double y(double f) const { return r.top() + f * r.height(); }
    double h(double f) const { return f * r.height(); }
    // A square of side size × box height, centred at (cx, cy).
    QRectF square(double cx, double cy, double size) const
    {
        const double s = h(size);
        return QRectF(x(cx) - s / 2, y(cy) - s / 2, s, s);
    }
    QRectF part(double x0, double y0, double x1, double y1) const
    {
        return QRectF(QPointF(x(x0), y(y0)), QPointF(x(x1), y(y1)));
    }
};

Box boxIn(const QRectF& area)
{
    double w = area.width();
    double h = w * 3.0 / 4.0;
    if (h > area.height()) {
        h = area.height();
        w = h * 4.0 / 3.0;
    }
    return Box{QRectF(area.center().x() - w / 2, area.center().y() - h / 2, w, h)};
}

QString foodFor(int variant, int slot)
{
    // Foods chosen so that neighbouring buttons never look alike. The last rows are for the
    // pictures with words written on them (a word to read, a memory card): short words, which
    // stay readable at 1024 x 768.
    static const std::array<std::array<const char*, 3>, 12> foods{{
        {"apple", "pizza", "banana"},
        {"cake", "fish", "grapes"},
        {"carrot", "milk", "cheese"},
        {"ice cream", "orange", "bread"},
        {"chocolate", "pear", "tomato"},
        {"sandwiches", "lemon", "eggs"},
        {"chicken", "chips", "salad"},
        {"pasta", "coffee", "biscuits"},
        {"bread", "eggs", "lemon"},
        {"pear", "ham", "beans"},
        {"milk", "coke", "chips"},
        {"fish", "cake", "beer"},
    }};
    const auto& row = foods[static_cast<size_t>(std::abs(variant) % int(foods.size()))];
    return QString::fromLatin1(row[static_cast<size_t>(slot % 3)]);
}

// Letters smaller than this many of the screen's own pixels are a smudge, not a word.
constexpr double MinLetters = 8;

void drawText(QPainter& p, const QRectF& r, const QString& text, const QString& family, bool bold, const QColor& colour,
              double heightShare = 0.7)
{
    QFont font(family);
    font.setBold(bold);
    const double smallest = MinLetters / deviceRatio(p);
    double size = std::max(smallest, r.height() * heightShare);
    font.setPixelSize(std::max(1, int(size)));
    while (QFontMetricsF(font).horizontalAdvance(text) > r.width() * 0.92) {
        if (size <= smallest)
            return; // too small to read: better left out than a smudge
        size -= 1;
        font.setPixelSize(int(size));
    }
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}

// The largest side of r in the painter's device pixels, which a picture is decoded for.
int shownAt(const QPainter& p, const QRectF& r)
{
    return int(std::ceil(qMax(r.width(), r.height()) * deviceRatio(p)));
}

void drawPicture(QPainter& p, const QRectF& r, const QImage& image, const QString& name)
{
    if (!image.isNull()) {
        p.drawImage(r, image);
        return;
    }
    // Without its picture file the thing is a coloured disc with its initial.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xb7, 0x4d));
    p.drawEllipse(r.adjusted(r.width() * 0.1, r.height() * 0.1, -r.width() * 0.1, -r.height() * 0.1));
    drawText(p, r, name.left(1).toUpper(), QStringLiteral("Comic Neue"), true, Qt::white, 0.5);
}

void drawFood(QPainter& p, const QRectF& r, const QString& word)
{
    drawPicture(p, r, PictureLoader::instance().picture(word, shownAt(p, r)), word);
}

void drawBadge(QPainter& p, const QPointF& centre, double radius, const QColor& colour, const QString& text)
{
    p.setPen(QPen(Qt::white, radius * 0.18));
    p.setBrush(colour);
    p.drawEllipse(centre, radius, radius);
    drawText(p, QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), text,
             QStringLiteral("Liberation Sans"), true, Qt::white, 1.1);
}

void drawSpeaker(QPainter& p, const Box& b, double cx, double cy, double scale)
{
    const double s = b.h(scale);
    QPainterPath body;
    body.addRoundedRect(QRectF(b.x(cx) - s * 0.5, b.y(cy) - s * 0.18, s * 0.3, s * 0.36), s * 0.05, s * 0.05);
    QPolygonF cone;
    cone << QPointF(b.x(cx) - s * 0.22, b.y(cy) - s * 0.18) << QPointF(b.x(cx) + s * 0.05, b.y(cy) - s * 0.42)
         << QPointF(b.x(cx) + s * 0.05, b.y(cy) + s * 0.42) << QPointF(b.x(cx) - s * 0.22, b.y(cy) + s * 0.18);
    body.addPolygon(cone);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x37, 0x47, 0x4f));
    p.drawPath(body.simplified());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x1e, 0x88, 0xe5), s * 0.08, Qt::SolidLine, Qt::RoundCap));
    for (int i = 1; i <= 3; ++i) {
        const double radius = s * 0.16 * i;
        p.drawArc(QRectF(b.x(cx) + s * 0.08 - radius, b.y(cy) - radius, 2 * radius, 2 * radius), -40 * 16, 80 * 16);
    }
}

void drawListen(QPainter& p, const Box& b, int variant)
{
    drawSpeaker(p, b, 0.24, 0.5, 0.62);
    drawFood(p, b.square(0.72, 0.5, 0.78), foodFor(variant, 0));
}

void drawWhatIsIt(QPainter& p, const Box& b, int variant)
{
    // A blue speech bubble asks; the chosen picture is framed in green.
    QPainterPath bubble;
    const QRectF bubbleRect = b.part(0.36, 0.03, 0.64, 0.36);
    bubble.addRoundedRect(bubbleRect, b.h(0.08), b.h(0.08));
    QPolygonF tail;
    tail << QPointF(b.x(0.46), b.y(0.34)) << QPointF(b.x(0.54), b.y(0.34)) << QPointF(b.x(0.5), b.y(0.45));
    bubble.addPolygon(tail);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1e, 0x88, 0xe5));
    p.drawPath(bubble.simplified());
    drawText(p, bubbleRect, QStringLiteral("?"), QStringLiteral("Comic Neue"), true, Qt::white, 0.85);
    const int chosen = (variant + 1) % 3;
    for (int i = 0; i < 3; ++i) {
        const QRectF food = b.square(0.17 + 0.33 * i, 0.72, 0.4);
        drawFood(p, food, foodFor(variant, i));
        if (i == chosen) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(0x43, 0xa0, 0x47), b.h(0.04)));
            p.drawRoundedRect(food.adjusted(-b.h(0.03), -b.h(0.03), b.h(0.03), b.h(0.03)), b.h(0.05), b.h(0.05));
        }
    }
}

void drawListenOrder(QPainter& p, const Box& b, int variant)
{
    for (int i = 0; i < 3; ++i) {
        const QRectF food = b.square(0.18 + 0.32 * i, 0.6, 0.5);
        drawFood(p, food, foodFor(variant, i));
        drawBadge(p, QPointF(food.center().x(), b.y(0.16)), b.h(0.14), QColor(0xfb, 0x8c, 0x00),
                  QString::number(i + 1));
    }
}

void drawPill(QPainter& p, const QRectF& r, const QString& word, const QColor& fill, const QColor& line)
{
    p.setPen(QPen(line, r.height() * 0.08));
    p.setBrush(fill);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    drawText(p, r.adjusted(r.height() * 0.3, 0, -r.height() * 0.3, 0), word, QStringLiteral("Comic Neue"), true,
             QColor(0x26, 0x32, 0x38), 0.62);
}

void drawReadWords(QPainter& p, const Box& b, int variant)
{
    const QString food = foodFor(variant, 0);
    drawFood(p, b.square(0.24, 0.5, 0.74), food);
    const QRectF first = b.part(0.52, 0.16, 0.98, 0.44);
    const QRectF second = b.part(0.52, 0.56, 0.98, 0.84);
    // The right word is not always on top.
    const bool rightOnTop = variant % 2 == 0;
    drawPill(p, rightOnTop ? first : second, food, QColor(0xc8, 0xe6, 0xc9), QColor(0x43, 0xa0, 0x47));
    drawPill(p, rightOnTop ? second : first, foodFor(variant, 1), QColor(0xee, 0xee, 0xee), QColor(0x9e, 0x9e, 0x9e));
}

void drawThinkingSmiley(QPainter& p, const QRectF& r, bool pleased, const QString& food)
{
    drawFood(p, r, pleased ? QStringLiteral("smileys1") : QStringLiteral("smileys2"));
    // The food sits in the thought balloon of the picture.
    const double s = r.width() * 0.34;
    drawFood(p, QRectF(r.left() + r.width() * 0.67 - s / 2, r.top() + r.height() * 0.27 - s / 2, s, s), food);
}

void drawILike(QPainter& p, const Box& b, int variant)
{
    switch (variant % 3) {
    case 0: drawThinkingSmiley(p, b.square(0.5, 0.5, 1.0), true, foodFor(variant, 0)); break;
    case 1: drawThinkingSmiley(p, b.square(0.5, 0.5, 1.0), false, foodFor(variant, 0)); break;
    default:
        drawThinkingSmiley(p, b.square(0.25, 0.55, 0.66), true, foodFor(variant, 0));
        drawThinkingSmiley(p, b.square(0.75, 0.55, 0.66), false, foodFor(variant, 1));
        break;
    }
}

void drawChild(QPainter& p, const Box& b, double cx, double cy, bool girl)
{
    const double r = b.h(0.17);
    const QPointF c(b.x(cx), b.y(cy));
    const QColor hair = girl ? QColor(0xf9, 0xa8, 0x25) : QColor(0x6d, 0x4c, 0x41);
    p.setPen(Qt::NoPen);
    p.setBrush(hair);
    if (girl) {
        p.drawEllipse(QPointF(c.x() - r * 1.05, c.y() + r * 0.1), r * 0.38, r * 0.5);
        p.drawEllipse(QPointF(c.x() + r * 1.05, c.y() + r * 0.1), r * 0.38, r * 0.5);
    }
    p.setBrush(QColor(0xff, 0xcc, 0x99));
    p.drawEllipse(c, r, r);
    // Hair on top of the head.
    p.setBrush(hair);
    p.drawChord(QRectF(c.x() - r * 1.02, c.y() - r * 1.05, r * 2.04, r * 1.6), 15 * 16, 150 * 16);
    p.setBrush(QColor(0x26, 0x32, 0x38));
    p.drawEllipse(QPointF(c.x() - r * 0.35, c.y() + r * 0.1), r * 0.1, r * 0.13);
    p.drawEllipse(QPointF(c.x() + r * 0.35, c.y() + r * 0.1), r * 0.1, r * 0.13);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xc6, 0x28, 0x28), r * 0.12, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - r * 0.4, c.y() + r * 0.05, r * 0.8, r * 0.6), -20 * 16, -140 * 16);
}

void drawTomSusy(QPainter& p, const Box& b, int variant)
{
    drawChild(p, b, 0.25, 0.3, false);
    drawChild(p, b, 0.75, 0.3, true);
    drawFood(p, b.square(0.25, 0.76, 0.42), foodFor(variant, 0));
    drawFood(p, b.square(0.75, 0.76, 0.42), foodFor(variant, 1));
    // A small heart between them: they like these foods.
    const double s = b.h(0.09);
    const QPointF c(b.x(0.5), b.y(0.6));
    QPainterPath heart;
    heart.moveTo(c.x(), c.y() + s);
    heart.cubicTo(c.x() - s * 1.6, c.y() - s * 0.2, c.x() - s * 0.6, c.y() - s * 1.3, c.x(), c.y() - s * 0.4);
    heart.cubicTo(c.x() + s * 0.6, c.y() - s * 1.3, c.x() + s * 1.6, c.y() - s * 0.2, c.x(), c.y() + s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe9, 0x1e, 0x63));
    p.drawPath(heart);
}

void drawWordSearch(QPainter& p, const Box& b)
{
    // MILK down the first column, PEAR along the top, HAM down the last column.
    static const char* const rows[4] = {"MPEAR", "ITOSH", "LBUNA", "KFEGM"};
    const double cell = std::min(b.r.width() * 0.9 / 5, b.r.height() * 0.92 / 4);
    const QRectF grid(b.r.center().x() - cell * 2.5, b.r.center().y() - cell * 2, cell * 5, cell * 4);
    auto cellRect = [&](int col, int row) {
        return QRectF(grid.left() + col * cell, grid.top() + row * cell, cell, cell);
    };
    const double pad = cell * 0.1;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xe0, 0x82));
    p.drawRoundedRect(cellRect(1, 0).united(cellRect(4, 0)).adjusted(pad, pad, -pad, -pad), cell * 0.4, cell * 0.4);
    p.setBrush(QColor(0xa5, 0xd6, 0xa7));
    p.drawRoundedRect(cellRect(0, 0).united(cellRect(0, 3)).adjusted(pad, pad, -pad, -pad), cell * 0.4, cell * 0.4);
    p.setBrush(QColor(0xf8, 0xbb, 0xd0));
    p.drawRoundedRect(cellRect(4, 1).united(cellRect(4, 3)).adjusted(pad, pad, -pad, -pad), cell * 0.4, cell * 0.4);
    p.setPen(QPen(QColor(0xcf, 0xd8, 0xdc), std::max(1.0, cell * 0.03)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(grid);
    for (int i = 1; i < 5; ++i)
        p.drawLine(QPointF(grid.left() + i * cell, grid.top()), QPointF(grid.left() + i * cell, grid.bottom()));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(grid.left(), grid.top() + i * cell), QPointF(grid.right(), grid.top() + i * cell));
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 5; ++col)
            drawText(p, cellRect(col, row), QString(QLatin1Char(rows[row][col])), QStringLiteral("Liberation Sans"),
                     true, QColor(0x26, 0x32, 0x38), 0.62);
}

void drawMemory(QPainter& p, const Box& b, int variant)
{
    // 0 a card back, 1 a food face, 2 a word face.
    static const int layouts[2][6] = {{0, 1, 0, 2, 0, 0}, {1, 0, 2, 0, 0, 1}};
    const int* layout = layouts[variant % 2];
    const QString food = foodFor(variant + 10, 0);
    const double w = b.r.width() * 0.29;
    const double h = b.r.height() * 0.44;
    for (int i = 0; i < 6; ++i) {
        const QRectF card(b.x(0.03 + (i % 3) * 0.33), b.y(0.04 + (i / 3) * 0.5), w, h);
        const double radius = w * 0.12;
        if (layout[i] == 0) {
            p.setPen(QPen(QColor(0x51, 0x2d, 0xa8), w * 0.04));
            p.setBrush(QColor(0x7e, 0x57, 0xc2));
            p.drawRoundedRect(card, radius, radius);
            drawText(p, card, QStringLiteral("?"), QStringLiteral("Comic Neue"), true, Qt::white, 0.6);
            continue;
        }
        p.setPen(QPen(QColor(0x9e, 0x9e, 0x9e), w * 0.03));
        p.setBrush(Qt::white);
        p.drawRoundedRect(card, radius, radius);
        if (layout[i] == 1) {
            const double s = std::min(w, h) * 0.9;
            drawFood(p, QRectF(card.center().x() - s / 2, card.center().y() - s / 2, s, s), food);
        } else {
            drawText(p, card.adjusted(w * 0.05, 0, -w * 0.05, 0), food, QStringLiteral("Comic Neue"), true,
                     QColor(0x26, 0x32, 0x38), 0.3);
        }
    }
}

void drawVoice(QPainter& p, const Box& b)
{
    drawSpeaker(p, b, 0.42, 0.36, 0.62);
    // A speed slider under the loudspeaker.
    const double y = b.y(0.84);
    p.setPen(QPen(QColor(0x90, 0xa4, 0xae), b.h(0.08), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(b.x(0.1), y), QPointF(b.x(0.9), y));
    p.setPen(QPen(QColor(0x1e, 0x88, 0xe5), b.h(0.08), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(b.x(0.1), y), QPointF(b.x(0.62), y));
    p.setPen(QPen(Qt::white, b.h(0.03)));
    p.setBrush(QColor(0x1e, 0x88, 0xe5));
    p.drawEllipse(QPointF(b.x(0.62), y), b.h(0.1), b.h(0.1));
}

void drawCredits(QPainter& p, const Box& b)
{
    const QRectF disc = b.square(0.5, 0.5, 0.86);
    p.setPen(QPen(QColor(0x15, 0x65, 0xc0), disc.width() * 0.05));
    p.setBrush(QColor(0x42, 0xa5, 0xf5));
    p.drawEllipse(disc);
    drawText(p, disc, QStringLiteral("?"), QStringLiteral("Comic Neue"), true, Qt::white, 0.75);
}

void drawExit(QPainter& p, const Box& b)
{
    // The door frame, the open door and the way out.
    const QRectF frame = b.part(0.14, 0.08, 0.5, 0.92);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3e, 0x27, 0x23));
    p.drawRect(frame);
    p.setBrush(QColor(0xff, 0xf1, 0x76));
    p.drawRect(frame.adjusted(b.h(0.04), b.h(0.04), -b.h(0.04), 0));
    QPolygonF door;
    door << QPointF(frame.left() + b.h(0.04), frame.top() + b.h(0.04)) << QPointF(b.x(0.34), b.y(0.17))
         << QPointF(b.x(0.34), b.y(0.98)) << QPointF(frame.left() + b.h(0.04), frame.bottom());
    p.setBrush(QColor(0x8d, 0x6e, 0x63));
    p.drawPolygon(door);
    p.setBrush(QColor(0xff, 0xd5, 0x4f));
    p.drawEllipse(QPointF(b.x(0.3), b.y(0.56)), b.h(0.03), b.h(0.03));
    const double y = b.y(0.52);
    p.setPen(QPen(QColor(0xe5, 0x39, 0x35), b.h(0.1), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(b.x(0.56), y), QPointF(b.x(0.9), y));
    p.drawLine(QPointF(b.x(0.9), y), QPointF(b.x(0.78), y - b.h(0.14)));
    p.drawLine(QPointF(b.x(0.9), y), QPointF(b.x(0.78), y + b.h(0.14)));
}

void drawConfirm(QPainter& p, const Box& b)
{
    const QRectF disc = b.square(0.5, 0.5, 0.9);
    p.setPen(QPen(QColor(0x2e, 0x7d, 0x32), disc.width() * 0.05));
    p.setBrush(QColor(0x43, 0xa0, 0x47));
    p.drawEllipse(disc);
    QPainterPath tick;
    tick.moveTo(disc.left() + disc.width() * 0.27, disc.top() + disc.height() * 0.53);
    tick.lineTo(disc.left() + disc.width() * 0.44, disc.top() + disc.height() * 0.7);
    tick.lineTo(disc.left() + disc.width() * 0.75, disc.top() + disc.height() * 0.33);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, disc.width() * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
}

void drawUnit(QPainter& p, const QRectF& area, const QStringList& files)
{
    PictureLoader& loader = PictureLoader::instance();
    const std::array<int, 3> words = unitShowcase(Modulo1::WordCount());
    // Left, right, then the middle card on top, as a hand of cards is held; the fan as large as
    // the area holds, tilted corners and all.
    struct Card
    {
        double x, y, tilt;
        int slot;
    };
    static constexpr Card cards[3] = {{-0.36, 0.05, -13, 0}, {0.36, 0.05, 13, 2}, {0, 0, 0, 1}};
    const double side = std::min(area.width() / 1.95, area.height() / 1.3);
    const double radius = side * 0.1;
    for (const Card& card : cards) {
        p.save();
        p.translate(area.center() + QPointF(card.x, card.y) * side);
        p.rotate(card.tilt);
        const QRectF face(-side / 2, -side / 2, side, side);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 45));
        p.drawRoundedRect(face.translated(side * 0.03, side * 0.04), radius, radius);
        p.setPen(QPen(QColor(0xff, 0xb7, 0x4d), std::max(1.0, side * 0.03)));
        p.setBrush(Qt::white);
        p.drawRoundedRect(face, radius, radius);
        const QRectF inside = face.adjusted(side * 0.05, side * 0.05, -side * 0.05, -side * 0.05);
        const QString file = files.isEmpty() ? QString() : files.at(card.slot % files.size());
        const QString name = files.isEmpty() ? Modulo1::Parola(words[size_t(card.slot)]) : QFileInfo(file).baseName();
        const QImage image = files.isEmpty() ? loader.picture(name, shownAt(p, inside))
                                             : loader.pictureFile(file, shownAt(p, inside));
        // A teacher's picture need not be square: it keeps its shape.
        const QSizeF fitted = image.isNull() ? inside.size()
                                             : QSizeF(image.size()).scaled(inside.size(), Qt::KeepAspectRatio);
        drawPicture(p, QRectF(inside.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted), image, name);
        p.restore();
    }
}

} // namespace

std::array<int, 3> unitShowcase(int wordCount)
{
    std::array<int, 3> words{};
    for (int k = 0; k < 3; ++k)
        words[size_t(k)] = std::min(wordCount, 1 + wordCount * (2 * k + 1) / 6);
    return words;
}

void drawButtonPicture(QPainter& painter, const QRectF& area, ButtonPicture picture, int variant,
                       const QStringList& unitPictures)
{
    if (area.width() < 2 || area.height() < 2)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const Box b = boxIn(area);
    switch (picture) {
    case ButtonPicture::Listen: drawListen(painter, b, variant); break;
    case ButtonPicture::WhatIsIt: drawWhatIsIt(painter, b, variant); break;
    case ButtonPicture::ListenOrder: drawListenOrder(painter, b, variant); break;
    case ButtonPicture::ReadWords: drawReadWords(painter, b, variant); break;
    case ButtonPicture::ILike: drawILike(painter, b, variant); break;
    case ButtonPicture::TomSusy: drawTomSusy(painter, b, variant); break;
    case ButtonPicture::WordSearch: drawWordSearch(painter, b); break;
    case ButtonPicture::Memory: drawMemory(painter, b, variant); break;
    case ButtonPicture::Voice: drawVoice(painter, b); break;
    case ButtonPicture::Credits: drawCredits(painter, b); break;
    case ButtonPicture::Exit: drawExit(painter, b); break;
    case ButtonPicture::Confirm: drawConfirm(painter, b); break;
    case ButtonPicture::Unit: drawUnit(painter, area, unitPictures); break;
    }
    painter.restore();
}
