#include "speech/bocca.h"

#include "app/modulo1.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <cmath>

Q_LOGGING_CATEGORY(lcSpeech, "munchora.speech", QtInfoMsg)

Bocca::Bocca(const QString& owner, QWidget* parent)
    : QWidget(parent), owner_(owner), channel_(SpeechService::instance().openChannel(owner))
{
    setAccessibleName(QStringLiteral("mouth"));
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("click me"));
    animation_ = new QTimer(this);
    animation_->setInterval(90);
    connect(animation_, &QTimer::timeout, this, &Bocca::animate);
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

void Bocca::setSpeechRate(int rate)
{
    channel_->setRate(rate);
}

int Bocca::VoiceCount() const
{
    return SpeechService::instance().voiceCount();
}

QString Bocca::VoiceName(int number) const
{
    return SpeechService::instance().voiceName(number);
}

int Bocca::VoiceKind(int number) const
{
    return SpeechService::instance().voiceKind(number);
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

void Bocca::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height());
    const QRectF box((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    const QPointF centre = box.center();

    // A round sticker so the mouth reads as a button.
    painter.setPen(QPen(QColor(0xd0, 0x60, 0x30), side * 0.03));
    painter.setBrush(QColor(0xff, 0xe0, 0x8a));
    painter.drawEllipse(box.adjusted(side * 0.03, side * 0.03, -side * 0.03, -side * 0.03));

    // How open the mouth is: closed smile when silent, a rhythm while speaking.
    const bool speaking = animation_->isActive() && channel_->speakingNow();
    const qreal open = speaking ? 0.12 + 0.13 * std::fabs(std::sin(phase_ * 1.3)) : 0.03;

    const qreal w = side * 0.62;
    const qreal top = centre.y() - side * 0.05;
    QPainterPath lips;
    lips.moveTo(centre.x() - w / 2, top);
    lips.cubicTo(centre.x() - w / 4, top - side * 0.08, centre.x() + w / 4, top - side * 0.08,
                 centre.x() + w / 2, top);
    lips.cubicTo(centre.x() + w / 4, top + side * (0.12 + open * 1.6), centre.x() - w / 4,
                 top + side * (0.12 + open * 1.6), centre.x() - w / 2, top);
    painter.setPen(QPen(QColor(0x9b, 0x1b, 0x30), side * 0.03));
    painter.setBrush(QColor(0xe0, 0x3c, 0x52));
    painter.drawPath(lips);

    if (open > 0.05) {
        // Dark inside and a tongue when open.
        QPainterPath inside;
        const qreal iw = w * 0.7;
        inside.moveTo(centre.x() - iw / 2, top + side * 0.02);
        inside.cubicTo(centre.x() - iw / 4, top - side * 0.01, centre.x() + iw / 4, top - side * 0.01,
                       centre.x() + iw / 2, top + side * 0.02);
        inside.cubicTo(centre.x() + iw / 4, top + side * open * 1.5, centre.x() - iw / 4,
                       top + side * open * 1.5, centre.x() - iw / 2, top + side * 0.02);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x5a, 0x10, 0x20));
        painter.drawPath(inside);
        painter.setBrush(QColor(0xff, 0x8a, 0x9a));
        painter.drawEllipse(QPointF(centre.x(), top + side * open * 0.95), iw * 0.22, side * open * 0.3);
    } else {
        // Teeth line of the closed smile.
        painter.setPen(QPen(QColor(0x9b, 0x1b, 0x30), side * 0.02));
        painter.drawLine(QPointF(centre.x() - w * 0.4, top + side * 0.03),
                         QPointF(centre.x() + w * 0.4, top + side * 0.03));
    }
}

void Bocca::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
}

void Bocca::mouseReleaseEvent(QMouseEvent* event)
{
    const bool inside = rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton && pressed_ && inside) {
        pressed_ = false;
        emit Bocca_Click();
        return;
    }
    pressed_ = false;
}

void ImpostaVoce(Bocca& bocca)
{
    using namespace Modulo1;
    if (!bocca.setVoiceNumber(Voce)) {
        // A stored number the service refuses must not leave the screen mute.
        qCWarning(lcSpeech) << bocca.owner() << ": voice" << Voce << "refused, using voice 1";
        bocca.setVoiceNumber(1);
    }
    const int v = bocca.VoiceNumber();
    const int k = bocca.VoiceKind(v);
    FlagVoce = (k == 1) ? 0 : 1;
    bocca.setVoiceFlag(FlagVoce);
    bocca.setSpeechRate(Velocita);
}
