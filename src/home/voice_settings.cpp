// SPDX-License-Identifier: GPL-3.0-or-later
#include "home/voice_settings.h"

#include "settings/modulo1.h"
#include "shell/dialogs.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"
#include "widgets/impostavoce.h"
#include "widgets/number_text.h"
#include "widgets/picture_button.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionSlider>

#include <memory>

namespace {

const QString SayClickHere = QStringLiteral("click here");
const QString SayWelcome = QStringLiteral("welcome ");

constexpr int MinSpeed = 50;
constexpr int MaxSpeed = 200;

// A scroll bar a child can work with a finger: round arrow buttons as tall as the bar, a big
// thumb, and the part up to the thumb coloured, so "faster" is seen as well as heard.
class BigScrollBarStyle final : public QProxyStyle
{
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override
    {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar || bar->orientation != Qt::Horizontal)
            return QProxyStyle::subControlRect(control, option, sub, widget);
        const QRect r = bar->rect;
        const int button = std::min(r.height(), r.width() / 4);
        const QRect groove(r.left() + button, r.top(), r.width() - 2 * button, r.height());
        const int range = bar->maximum - bar->minimum;
        int length = range + bar->pageStep > 0 ? groove.width() * bar->pageStep / (range + bar->pageStep)
                                               : groove.width();
        length = std::clamp(std::max(length, r.height() * 6 / 5), 1, std::max(1, groove.width()));
        const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                                  groove.width() - length, bar->upsideDown);
        const QRect slider(groove.left() + start, r.top(), length, r.height());
        switch (sub) {
        case SC_ScrollBarSubLine: return QRect(r.left(), r.top(), button, r.height());
        case SC_ScrollBarAddLine: return QRect(r.right() - button + 1, r.top(), button, r.height());
        case SC_ScrollBarGroove: return groove;
        case SC_ScrollBarSlider: return slider;
        case SC_ScrollBarSubPage: return QRect(groove.left(), r.top(), slider.left() - groove.left(), r.height());
        case SC_ScrollBarAddPage:
            return QRect(slider.right() + 1, r.top(), groove.right() - slider.right(), r.height());
        default: return QRect();
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar || bar->orientation != Qt::Horizontal) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const double h = bar->rect.height();
        const QRectF groove = subControlRect(control, option, SC_ScrollBarGroove, widget);
        const QRectF slider = subControlRect(control, option, SC_ScrollBarSlider, widget);
        const QRectF track(groove.left() + h * 0.1, groove.center().y() - h * 0.16, groove.width() - h * 0.2, h * 0.32);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0xcf, 0xd8, 0xdc));
        painter->drawRoundedRect(track, track.height() / 2, track.height() / 2);
        painter->setBrush(QColor(0x42, 0xa5, 0xf5));
        painter->drawRoundedRect(QRectF(track.left(), track.top(), slider.center().x() - track.left(), track.height()),
                                 track.height() / 2, track.height() / 2);

        const bool sunken = bar->state & State_Sunken;
        auto drawArrowButton = [&](SubControl sub, bool pointsRight) {
            const QRectF area = subControlRect(control, option, sub, widget);
            const double d = std::min(area.width(), area.height()) * 0.9;
            const QRectF disc(area.center().x() - d / 2, area.center().y() - d / 2, d, d);
            const bool pressed = sunken && (bar->activeSubControls & sub);
            painter->setPen(QPen(QColor(0xe6, 0x51, 0x00), d * 0.05));
            painter->setBrush(pressed ? QColor(0xfb, 0x8c, 0x00) : QColor(0xff, 0xb7, 0x4d));
            painter->drawEllipse(disc);
            const QPointF c = disc.center();
            const double s = d * 0.22;
            QPolygonF arrow;
            if (pointsRight)
                arrow << QPointF(c.x() - s * 0.7, c.y() - s) << QPointF(c.x() + s, c.y())
                      << QPointF(c.x() - s * 0.7, c.y() + s);
            else
                arrow << QPointF(c.x() + s * 0.7, c.y() - s) << QPointF(c.x() - s, c.y())
                      << QPointF(c.x() + s * 0.7, c.y() + s);
            painter->setPen(QPen(Qt::white, d * 0.06, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter->setBrush(Qt::white);
            painter->drawPolygon(arrow);
        };
        drawArrowButton(SC_ScrollBarSubLine, false);
        drawArrowButton(SC_ScrollBarAddLine, true);

        const bool grabbed = sunken && (bar->activeSubControls & SC_ScrollBarSlider);
        const QRectF thumb = slider.adjusted(h * 0.05, h * 0.08, -h * 0.05, -h * 0.08);
        painter->setPen(QPen(QColor(0x15, 0x65, 0xc0), h * 0.07));
        painter->setBrush(grabbed ? QColor(0xbb, 0xde, 0xfb) : QColor(Qt::white));
        painter->drawRoundedRect(thumb, thumb.height() / 2, thumb.height() / 2);
        painter->restore();
    }
};

class BigScrollBar final : public QScrollBar
{
public:
    explicit BigScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent), style_(new BigScrollBarStyle)
    {
        setStyle(style_.get());
        setCursor(Qt::PointingHandCursor);
    }
    ~BigScrollBar() override { setStyle(nullptr); } // before the style goes

private:
    std::unique_ptr<BigScrollBarStyle> style_;
};

// The voice list drawn to match the scroll bar: a rounded white field and a big round button
// with the arrow. Any click on it opens the list, as on every drop-down list.
class BigComboBox final : public QComboBox
{
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double h = height();
        const QRectF field = QRectF(rect()).adjusted(h * 0.04, h * 0.04, -h * 0.04, -h * 0.04);
        p.setPen(QPen(hasFocus() ? QColor(0x15, 0x65, 0xc0) : QColor(0x90, 0xca, 0xf9), h * 0.05));
        p.setBrush(isEnabled() ? QColor(Qt::white) : QColor(0xee, 0xee, 0xee));
        p.drawRoundedRect(field, field.height() / 2, field.height() / 2);

        const double d = field.height() * 0.8;
        const QRectF button(field.right() - d - field.height() * 0.1, field.center().y() - d / 2, d, d);
        p.setPen(QPen(QColor(0xe6, 0x51, 0x00), d * 0.05));
        p.setBrush(QColor(0xff, 0xb7, 0x4d));
        p.drawEllipse(button);
        const QPointF c = button.center();
        const double a = d * 0.2;
        QPolygonF arrow;
        arrow << QPointF(c.x() - a, c.y() - a * 0.6) << QPointF(c.x() + a, c.y() - a * 0.6)
              << QPointF(c.x(), c.y() + a * 0.8);
        p.setPen(QPen(Qt::white, d * 0.06, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::white);
        p.drawPolygon(arrow);

        const QRectF textArea(field.left() + field.height() * 0.45, field.top(),
                              button.left() - field.left() - field.height() * 0.6, field.height());
        p.setFont(font());
        p.setPen(QColor(0x1d, 0x1f, 0x3a));
        p.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft,
                   QFontMetrics(font()).elidedText(currentText(), Qt::ElideRight, int(textArea.width())));
    }
};

// The arrow keys change a closed list without a word from a screen reader under Qt 6.4: Orca
// takes no name change from a list box and cannot read the description change Qt sends. So
// the chosen entry of the hidden drop-down is reported as taking the focus, as GTK's lists
// report it, and Orca says it ("Robert (US)"); the keys stay on the list. An open drop-down
// reports its entries itself.
void tellChosenEntry(QComboBox& list)
{
    if (!QAccessible::isActive() || !list.hasFocus() || list.view()->isVisible())
        return;
    QAccessibleInterface* entries = QAccessible::queryAccessibleInterface(list.view());
    QAccessibleInterface* chosen = entries ? entries->child(list.currentIndex()) : nullptr;
    if (!chosen)
        return;
    QAccessibleEvent event(chosen, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

QString speedCaption(int speed)
{
    return QStringLiteral("Velocità = ") + NumberText(speed);
}

} // namespace

FormImposta::FormImposta(QWidget* parent) : Screen(QStringLiteral("FormImposta"), parent)
{
    Bocca = new ::Bocca(objectName(), this);
    Bocca->setObjectName(QStringLiteral("Bocca"));
    Bocca->setGeometry(432, 56, 160, 160);
    Bocca->setFocusPolicy(Qt::TabFocus);
    connect(Bocca, &::Bocca::Bocca_Click, this, &FormImposta::Bocca_Click);

    Combo1 = new BigComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(212, 262, 600, 70);
    Combo1->setFont(designFont(QStringLiteral("Liberation Sans"), 32));
    Combo1->setAccessibleName(QStringLiteral("voice"));
    Combo1->setCursor(Qt::PointingHandCursor);
    // On Linux a screen reader names a list by the label that is its buddy, not by the list's
    // own name: an empty-sized label that only it finds.
    auto* voiceLabel = new QLabel(QStringLiteral("voice"), this);
    voiceLabel->setObjectName(QStringLiteral("voiceLabel"));
    voiceLabel->setGeometry(212, 262, 0, 0);
    voiceLabel->setBuddy(Combo1);

    Label1 = new QLabel(QStringLiteral("Velocità"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(212, 372, 600, 60);
    Label1->setFont(designFont(QStringLiteral("Liberation Sans"), 40, true));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setStyleSheet(QStringLiteral("color: #1d1f3a;"));
    Label1->setAccessibleName(Label1->text());

    HScroll1 = new BigScrollBar(this);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setGeometry(152, 446, 720, 84);
    HScroll1->setRange(MinSpeed, MaxSpeed);
    HScroll1->setSingleStep(5);
    HScroll1->setPageStep(25);
    HScroll1->setAccessibleName(QStringLiteral("speed"));
    HScroll1->setFocusPolicy(Qt::StrongFocus); // the arrows move it, as they do the list
    // Right and Up make the voice faster (a scroll bar's keys are the other way round).
    HScroll1->setInvertedControls(false);

    BottoneEsci = new PictureButton(QStringLiteral("conferma"), ButtonPicture::Confirm, 0, QColor(0xa5, 0xd6, 0xa7),
                                    PictureButton::Shape::Bar, this);
    BottoneEsci->setObjectName(QStringLiteral("BottoneEsci"));
    BottoneEsci->setGeometry(372, 590, 280, 120);
    BottoneEsci->setFont(designFont(QStringLiteral("Liberation Sans"), 32, true));
    connect(BottoneEsci, &QPushButton::clicked, this, &FormImposta::BottoneEsci_Click);
}

FormImposta::~FormImposta() = default;

void FormImposta::Form_Load()
{
    using namespace Modulo1;
    Screen::Form_Load();

    const int count = Bocca->VoiceCount();
    {
        const QSignalBlocker blocker(Combo1);
        for (int i = 1; i <= count; ++i)
            Combo1->addItem(Bocca->VoiceName(i));
    }
    lastGoodVoice_ = Bocca->VoiceNumber();
    if (count > 0) {
        // A stored voice the list does not hold opens the screen on the first voice.
        if (Voce < 1 || Voce > count)
            Voce = 1;
        showVoice(Voce);
        Combo1_Click();
    }
    connect(Combo1, &QComboBox::currentIndexChanged, this, &FormImposta::Combo1_Click);

    Bocca->StopSpeech();
    Label1->setText(speedCaption(Velocita));
    Label1->setAccessibleName(Label1->text());
    {
        // A stored speed outside the bar's range stands at its nearest end, and the speed
        // follows the bar from here on.
        const QSignalBlocker blocker(HScroll1);
        HScroll1->setValue(Velocita);
    }
    HScroll1_Change();
    connect(HScroll1, &QScrollBar::valueChanged, this, &FormImposta::HScroll1_Change);

    Bocca->Speak(SayClickHere);
    // Keys go to this screen, not to the button of the screen below that opened it.
    BottoneEsci->setFocus(Qt::OtherFocusReason);
}

QStringList FormImposta::spokenTexts() const
{
    return {SayClickHere, SayWelcome};
}

void FormImposta::showVoice(int voice)
{
    const QSignalBlocker blocker(Combo1);
    Combo1->setCurrentIndex(voice - 1);
}

void FormImposta::Combo1_Click()
{
    using namespace Modulo1;
    const int index = Combo1->currentIndex();
    if (index < 0)
        return;
    Voce = static_cast<qint16>(index + 1);
    if (!applyVoice(*Bocca, Voce)) {
        MsgBox(this, QStringLiteral("non posso selezionare questa voce"), QStringLiteral("Munchora"));
        // The refused number is never kept, so it can never be saved.
        Voce = static_cast<qint16>(lastGoodVoice_);
        showVoice(lastGoodVoice_);
        return;
    }
    lastGoodVoice_ = Voce;
    // What a screen reader says when the list takes the focus, after its label ("voice").
    Combo1->setAccessibleDescription(Combo1->currentText());
    tellChosenEntry(*Combo1);
}

void FormImposta::HScroll1_Change()
{
    Modulo1::Velocita = static_cast<qint16>(HScroll1->value());
    Label1->setText(speedCaption(Modulo1::Velocita));
    Label1->setAccessibleName(Label1->text());
}

void FormImposta::Bocca_Click()
{
    Bocca->setSpeechRate(Modulo1::Velocita);
    Bocca->Speak(SayWelcome);
}

void FormImposta::BottoneEsci_Click()
{
    using namespace Modulo1;
    // A settings file that cannot be written loses nothing for this run: the settings stay in
    // memory and the screen closes all the same. But the teacher who confirmed them must know
    // they will not come back at the next start, and which file to look at.
    const auto close = [this] {
        if (ScreenHost* window = host())
            window->closeOverlay();
    };
    if (SalvaImpostazioni()) {
        close();
        return;
    }
    const QString crlf = QStringLiteral("\r\n");
    MsgBox(this,
           QStringLiteral("non posso salvare la voce e la velocità nel file") + crlf + settingsFileDisplayPath() + crlf
               + QStringLiteral("valgono solo fino alla chiusura del programma"),
           QStringLiteral("Munchora"), BoxIcon::Critical, BoxButtons::Ok, [close](BoxAnswer) { close(); });
}

void FormImposta::paintEvent(QPaintEvent*)
{
    // No gradient control on this screen: a calm plain background with a soft light panel.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(0xe3, 0xf2, 0xfd));
    const double sx = width() / double(DesignWidth);
    const double sy = height() / double(DesignHeight);
    const QRectF panel(112 * sx, 30 * sy, 800 * sx, 708 * sy);
    p.setPen(QPen(QColor(0x90, 0xca, 0xf9), std::max(2.0, 4 * std::min(sx, sy))));
    p.setBrush(QColor(0xff, 0xfd, 0xf5));
    const double radius = 40 * std::min(sx, sy);
    p.drawRoundedRect(panel, radius, radius);
}

void FormImposta::closeRequested()
{
    // Escape or the window's close: the choices hold for this run, but only "conferma" writes
    // them. A pupil who only looked must not get a file that hides the classroom preset.
    if (ScreenHost* window = host())
        window->closeOverlay();
}
