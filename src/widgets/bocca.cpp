// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/bocca.h"

#include "widgets/pictures.h"

#include <QMetaMethod>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTimer>
#include <QtMath>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

Bocca::Bocca(const QString& owner, QWidget* parent)
    : Clickable(parent), owner_(owner), service_(SpeechService::instance()), channel_(service_.openChannel(owner))
{
    connect(this, &Clickable::clicked, this, &Bocca::Bocca_Click);
    setAccessibleName(QStringLiteral("mouth"));
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("click me"));
    setAttribute(Qt::WA_Hover); // the rim darkens under the pointer
    animation_ = new QTimer(this);
    animation_->setInterval(90);
    connect(animation_, &QTimer::timeout, this, &Bocca::animate);
}

bool Bocca::isClickable() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&Bocca::Bocca_Click));
}

Bocca::~Bocca() = default;

void Bocca::Speak(const QString& text)
{
    qCDebug(lcSpeech).noquote() << owner_ + QStringLiteral(": speak \"") + text + QLatin1Char('"');
    channel_->speak(text);
    if (!animation_->isActive())
        animation_->start();
    update();
}

void Bocca::StopSpeech()
{
    qCDebug(lcSpeech).noquote() << owner_ + QStringLiteral(": stop");
    channel_->stop();
    update();
}

int Bocca::SpeakingNow() const
{
    return channel_->speakingNow() ? 1 : 0;
}

void Bocca::whenSilent(std::function<void()> then)
{
    channel_->whenSilent(std::move(then));
}

void Bocca::setSpeechRate(int rate)
{
    channel_->setRate(rate);
}

int Bocca::VoiceCount() const
{
    return service_.voiceCount();
}

QString Bocca::VoiceName(int number) const
{
    return service_.voiceName(number);
}

int Bocca::VoiceKind(int number) const
{
    return service_.voiceKind(number);
}

void Bocca::setVoiceFlag(qint16 flag)
{
    channel_->setFlag(flag);
}

bool Bocca::setVoiceNumber(int number)
{
    return channel_->setVoice(number);
}

int Bocca::VoiceNumber() const
{
    return channel_->voice();
}

void Bocca::animate()
{
    if (channel_->speakingNow()) {
        ++phase_;
    } else {
        phase_ = 0;
        animation_->stop();
    }
    update();
}

namespace {

// The talking mouth cycles through this many shapes, 90 ms each.
constexpr int TalkingFrames = 8;

struct Disc
{
    qreal side;
    QPointF c; // the face's centre
    qreal r;   // and radius
};

Disc discIn(QSize size, bool down)
{
    const qreal side = qMin(size.width(), size.height());
    const qreal inset = side * 0.1;
    const QPointF centre(size.width() / 2.0, size.height() / 2.0 + (down ? side * 0.025 : 0));
    return {side, centre, side / 2 - inset};
}

// The round, raised button without its mouth.
void drawFace(QPainter& painter, QSize size, bool down, bool hover)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const Disc d = discIn(size, down);
    const qreal side = d.side, r = d.r;
    const QPointF c = d.c;
    const QRectF disc(c.x() - r, c.y() - r, 2 * r, 2 * r);
    // A soft shadow below that shrinks when it is pressed.
    const qreal lift = down ? side * 0.01 : side * 0.04;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 55));
    painter.drawEllipse(disc.translated(0, down ? -side * 0.025 : 0)
                            .translated(side * 0.01, lift + side * 0.015)
                            .adjusted(side * 0.01, side * 0.02, -side * 0.01, 0));

    QRadialGradient face(c - QPointF(r * 0.35, r * 0.45), r * 1.5);
    face.setColorAt(0.0, QColor(0xff, 0xf6, 0xc8));
    face.setColorAt(0.55, QColor(0xff, 0xd5, 0x5a));
    face.setColorAt(1.0, QColor(0xf5, 0xa6, 0x23));
    painter.setBrush(face);
    painter.setPen(QPen(hover ? QColor(0xe0, 0x5a, 0x10) : QColor(0xd9, 0x7a, 0x1c), side * 0.025));
    painter.drawEllipse(disc);

    // Shine on the top left: a shiny button.
    QRadialGradient shine(c - QPointF(r * 0.35, r * 0.5), r * 0.5);
    shine.setColorAt(0.0, QColor(255, 255, 255, 170));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shine);
    painter.drawEllipse(c - QPointF(r * 0.35, r * 0.5), r * 0.5, r * 0.32);
}

// The mouth on the face: talking (frame 0..TalkingFrames-1) or closed (-1).
void drawMouth(QPainter& painter, QSize size, int frame, bool down)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const Disc d = discIn(size, down);
    const qreal side = d.side, r = d.r;
    const QPointF c = d.c;
    const bool speaking = frame >= 0;

    const QColor lip(0xd8, 0x2e, 0x4a);
    const QColor lipLine(0x8e, 0x16, 0x2c);
    const QPointF m = c + QPointF(0, r * 0.05); // the mouth fills the button
    if (!speaking) {
        // Closed: a wide smile, full lips with the line between them.
        const qreal w = r * 1.4;
        const QPointF left(m.x() - w / 2, m.y() - r * 0.16);
        const QPointF right(m.x() + w / 2, m.y() - r * 0.16);
        QPainterPath lips;
        lips.moveTo(left);
        lips.cubicTo(m.x() - w / 4, m.y() - r * 0.02, m.x() + w / 4, m.y() - r * 0.02, right.x(), right.y());
        lips.cubicTo(m.x() + w * 0.3, m.y() + r * 0.5, m.x() - w * 0.3, m.y() + r * 0.5, left.x(), left.y());
        painter.setBrush(lip);
        painter.setPen(QPen(lipLine, side * 0.02, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(lips);
        QPainterPath line;
        line.moveTo(left);
        line.cubicTo(m.x() - w / 4, m.y() + r * 0.2, m.x() + w / 4, m.y() + r * 0.2, right.x(), right.y());
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(lipLine, side * 0.028, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(line);
        return;
    }

    // Speaking: the mouth opens and changes shape in a talking rhythm.
    const qreal t = frame;
    const qreal open = 0.25 + 0.75 * std::fabs(std::sin(t * 0.9) * std::cos(t * 0.37 + 0.6));
    const qreal w = r * (1.05 + 0.35 * std::fabs(std::sin(t * 0.53 + 1.0)));
    const qreal top = m.y() - r * 0.25;
    const qreal depth = r * (0.25 + 0.5 * open);
    QPainterPath mouth;
    mouth.moveTo(m.x() - w / 2, top);
    mouth.cubicTo(m.x() - w / 4, top - r * 0.08, m.x() + w / 4, top - r * 0.08, m.x() + w / 2, top);
    mouth.cubicTo(m.x() + w * 0.45, top + depth * 1.3, m.x() - w * 0.45, top + depth * 1.3, m.x() - w / 2, top);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x5a, 0x0e, 0x1e));
    painter.drawPath(mouth);
    painter.save();
    painter.setClipPath(mouth);
    painter.setBrush(Qt::white); // upper teeth
    painter.drawRect(QRectF(m.x() - w / 2, top - r * 0.1, w, r * 0.2));
    painter.setBrush(QColor(0xff, 0x86, 0x9a)); // tongue
    painter.drawEllipse(QPointF(m.x(), top + depth * 1.05), w * 0.3, depth * 0.38);
    painter.restore();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(lip, side * 0.055, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(mouth);
}

// Sound waves beside the face, so a child sees it is the mouth that talks; they pulse, the
// inner and outer wave strong in turn.
void drawWaves(QPainter& painter, QSize size, int pulse, bool down)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const Disc d = discIn(size, down);
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < 2; ++i) {
        const int alpha = 110 + 120 * ((pulse + i) % 2);
        painter.setPen(QPen(QColor(0x1f, 0x6f, 0xd1, alpha), d.side * 0.028, Qt::SolidLine, Qt::RoundCap));
        const qreal radius = d.r * (1.08 + 0.14 * i);
        const QRectF arc(d.c.x() - radius, d.c.y() - radius, 2 * radius, 2 * radius);
        painter.drawArc(arc, -28 * 16, 56 * 16); // right
        painter.drawArc(arc, 152 * 16, 56 * 16); // left
    }
}

// A part of the mouth's look drawn once: the picture, and where it goes in the mouth.
struct Part
{
    QPixmap pixmap;
    QPointF at;
};

// What draw paints inside area (in the mouth's coordinates), in a picture at the device's
// ratio whose corner lies on a whole device pixel, so that it is copied back as drawn.
template <typename Draw>
Part drawnPart(const QRectF& area, qreal ratio, Draw draw)
{
    const QRect device = QRectF(area.topLeft() * ratio, area.size() * ratio).toAlignedRect();
    Part part{QPixmap(device.size()), QPointF(device.topLeft()) / ratio};
    part.pixmap.setDevicePixelRatio(ratio);
    part.pixmap.fill(Qt::transparent);
    QPainter painter(&part.pixmap);
    painter.translate(-part.at);
    draw(painter);
    return part;
}

// The dear parts of the look, shared by all mouths: the face (gradients, shine) and the waves
// (wide arcs with round caps) cost several times what the mouth's few curves do, and a talking
// mouth is repainted ten times a second, so they are drawn once and then only copied; the mouth
// is drawn at each paint. Only the parts of the size, ratio and state last painted are kept: a
// screen has one mouth, and a talking one costs one face in memory and four small waves.
class MouthLooks
{
public:
    static MouthLooks& shared()
    {
        static MouthLooks looks;
        return looks;
    }

    const Part& face(QSize size, qreal ratio, bool down, bool hover)
    {
        const Look look{size, ratio, down, hover};
        if (!(look == look_)) {
            look_ = look;
            waves_ = {};
        }
        // The faces of the last few looks: the menu's mouth and an exercise's, pressed and not,
        // so going back and forth draws no face again.
        auto kept = std::find_if(faces_.begin(), faces_.end(), [&](const auto& face) { return face.first == look; });
        if (kept == faces_.end()) {
            const qreal side = std::min(size.width(), size.height());
            const QRectF square((size.width() - side) / 2, (size.height() - side) / 2, side, side);
            faces_.insert(faces_.begin(),
                          {look, drawnPart(square, ratio, [&](QPainter& p) { drawFace(p, size, down, hover); })});
            if (faces_.size() > KeptFaces)
                faces_.pop_back();
        } else if (kept != faces_.begin()) {
            std::rotate(faces_.begin(), kept, kept + 1);
        }
        return faces_.front().second;
    }

    // The waves of a pulse, left and right; after face(), for the same look.
    const std::array<Part, 2>& waves(int pulse)
    {
        std::array<Part, 2>& waves = waves_[size_t(pulse)];
        if (waves[0].pixmap.isNull()) {
            const Disc d = discIn(look_.size, look_.down);
            // Around the arcs' ends, with room for their width and its antialiased edge.
            const qreal reach = d.side * 0.028 / 2 + 1;
            const qreal outer = d.r * 1.22 + reach, inner = d.r * 1.08 * std::cos(qDegreesToRadians(28.0)) - reach;
            const qreal high = d.r * 1.22 * std::sin(qDegreesToRadians(28.0)) + reach;
            // The left waves and the right ones in a picture each: the face between needs none.
            for (int right : {0, 1}) {
                const QRectF area(right ? d.c.x() + inner : d.c.x() - outer, d.c.y() - high, outer - inner, 2 * high);
                waves[size_t(right)] = drawnPart(area, look_.ratio,
                                                 [&](QPainter& p) { drawWaves(p, look_.size, pulse, look_.down); });
            }
        }
        return waves;
    }

private:
    struct Look
    {
        QSize size;
        qreal ratio = 0;
        bool down = false, hover = false;
        bool operator==(const Look&) const = default;
    };
    static constexpr size_t KeptFaces = 4;

    Look look_;
    std::vector<std::pair<Look, Part>> faces_; // the last used first
    std::array<std::array<Part, 2>, 2> waves_;
};

} // namespace

void Bocca::paintEvent(QPaintEvent*)
{
    const bool speaking = animation_->isActive() && channel_->speakingNow();
    const bool down = isPressed() && underMouse();
    QPainter painter(this);
    MouthLooks& looks = MouthLooks::shared();
    const Part& face = looks.face(size(), deviceRatio(painter), down, underMouse());
    painter.drawPixmap(face.at, face.pixmap);
    if (speaking)
        for (const Part& wave : looks.waves(phase_ % 2))
            painter.drawPixmap(wave.at, wave.pixmap);
    drawMouth(painter, size(), speaking ? phase_ % TalkingFrames : -1, down);
}
