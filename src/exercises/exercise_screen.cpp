#include "exercises/exercise_screen.h"

#include "app/app_window.h"
#include "app/dialogs.h"
#include "app/modulo1.h"
#include "app/number_text.h"
#include "app/pictures.h"
#include "app/random_source.h"
#include "layout/clsresize.h"
#include "app/impostavoce.h"
#include "speech/bocca.h"

#include <QAction>
#include <QLabel>
#include <QLinearGradient>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
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

// The score panel: a soft card that holds the counts and the icons.
class ScorePanel : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        const qreal radius = std::min(width(), height()) * 0.16;
        painter.setPen(QPen(QColor(0xe0, 0xa8, 0x3c), 3));
        painter.setBrush(QColor(255, 255, 255, 215));
        painter.drawRoundedRect(box, radius, radius);
    }
};

} // namespace

NextButton::NextButton(QWidget* parent) : QPushButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
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
    painter.setPen(QPen(isEnabled() ? rim : QColor(0xb0, 0xb0, 0xb0), std::max(2.0, side * 0.03),
                        Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
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

ExerciseScreen::ExerciseScreen(const QString& name, ExerciseConfig config, QWidget* parent)
    : Screen(name, parent), config_(std::move(config))
{
    ARGradient1 = new GradientBackground(this);
    ARGradient1->setGeometry(0, 0, DesignWidth, DesignHeight);

    buildMenu();

    Bocca = new ::Bocca(name, this);
    Bocca->setObjectName(QStringLiteral("Bocca"));
    Bocca->setGeometry(mouthRect());
    if (config_.mouthRepeats)
        connect(Bocca, &::Bocca::Bocca_Click, this, &ExerciseScreen::Bocca_Click);

    if (config_.scorePanel)
        buildScorePanel();

    if (config_.next != ExerciseConfig::Next::None) {
        Command1 = new NextButton(this);
        Command1->setObjectName(QStringLiteral("Command1"));
        Command1->setGeometry(nextRect());
        if (config_.nextCaption.isEmpty()) {
            Command1->setAccessibleName(QStringLiteral("next"));
            Command1->setToolTip(QStringLiteral("next"));
        } else {
            Command1->setText(config_.nextCaption);
            Command1->setFont(designFont(QStringLiteral("Comic Neue"), 44, true));
        }
        Command1->setEnabled(config_.next == ExerciseConfig::Next::Enabled);
        connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    }
}

ExerciseScreen::~ExerciseScreen()
{
    // The controls outlive this part of the screen (the widget base deletes them later):
    // they must not report their end to the placement table, which is gone by then.
    for (QWidget* control : std::as_const(watched_))
        disconnect(control, &QObject::destroyed, this, nullptr);
}

void ExerciseScreen::buildMenu()
{
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setNativeMenuBar(false);
    menuBar->setFont(designFont(QStringLiteral("Comic Neue"), 26, true));
    menuBar->setStyleSheet(QStringLiteral(
        "QMenuBar { background: #fff3d6; border-bottom: 2px solid #e0a83c; }"
        "QMenuBar::item { color: #3b2a10; padding: 0.05em 0 0.05em 0.6em;"
        " margin: 0.12em 0.3em; border: 2px solid #e0a83c; border-radius: 0.35em;"
        " background: #ffe2a8; }"
        "QMenuBar::item:selected { background: #ffd27f; }"
        "QMenuBar::item:pressed { background: #ffb74d; }"));
    if (config_.voiceEntry) {
        mnuImposta = menuBar->addAction(QStringLiteral("Voice     "));
        mnuImposta->setObjectName(QStringLiteral("mnuImposta"));
        connect(mnuImposta, &QAction::triggered, this, &ExerciseScreen::mnuImposta_Click);
    }
    mnuEsci = menuBar->addAction(QStringLiteral("Go back     "));
    mnuEsci->setObjectName(QStringLiteral("mnuEsci"));
    connect(mnuEsci, &QAction::triggered, this, &ExerciseScreen::mnuEsci_Click);
    // Last: styling a menu bar fits its height to the entries it has at that moment.
    menuBar->setGeometry(0, 0, DesignWidth, MenuHeight);
}

void ExerciseScreen::buildScorePanel()
{
    PicturesattiErrati = new ScorePanel(this);
    PicturesattiErrati->setObjectName(QStringLiteral("PicturesattiErrati"));
    PicturesattiErrati->setProperty("container", true);
    PicturesattiErrati->setGeometry(scorePanelRect());

    const QFont heading = designFont(QStringLiteral("Liberation Sans"), 32, true);
    const QFont count = designFont(QStringLiteral("Liberation Sans"), 40, true);
    auto makeLabel = [this](const char* name, const QString& text, const QFont& font, QRect where,
                            const QColor& colour, Qt::Alignment align) {
        auto* label = new QLabel(text, PicturesattiErrati);
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
    LabelEst = makeLabel("LabelEst", QStringLiteral("Correct"), heading, {18, 10, 160, 54}, green,
                         Qt::AlignLeft);
    EtichettaEsatti = makeLabel("EtichettaEsatti", QStringLiteral("0"), count, {176, 10, 96, 54},
                                green, Qt::AlignRight);
    LabelErt = makeLabel("LabelErt", QStringLiteral("Mistake"), heading, {18, 68, 160, 54}, red,
                         Qt::AlignLeft);
    EtichettaErrati = makeLabel("EtichettaErrati", QStringLiteral("0"), count, {176, 68, 96, 54},
                                red, Qt::AlignRight);

    const QRect icon(274, 22, 88, 88);
    ComandoIconaSi = new PictureBox(PicturesattiErrati);
    ComandoIconaSi->setObjectName(QStringLiteral("ComandoIconaSi"));
    ComandoIconaSi->setImage(drawScoreIcon(true), QStringLiteral("yes"));
    ComandoIconaSi->setGeometry(icon);
    ComandoIconaSi->hide();
    ComandoIconaNo = new PictureBox(PicturesattiErrati);
    ComandoIconaNo->setObjectName(QStringLiteral("ComandoIconaNo"));
    ComandoIconaNo->setImage(drawScoreIcon(false), QStringLiteral("no"));
    ComandoIconaNo->setGeometry(icon);
    ComandoIconaNo->hide();
}

void ExerciseScreen::Form_Load()
{
    design_.clear();
    recordDesign(this);
    Screen::Form_Load();
    applyPlacements();
}

void ExerciseScreen::recordDesign(QObject* parent)
{
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow())
            continue;
        design_.insert(widget, widget->geometry());
        if (widget->property("container").toBool())
            recordDesign(widget);
    }
}

void ExerciseScreen::Form_Activate()
{
    if (config_.scorePanel)
        resetScore();
    placeFullScreen();
    measurePlaces();
    ImpostaVoce(*Bocca);
    speakTitle();
    CaricaPalla();
}

void ExerciseScreen::resetScore()
{
    Modulo1::Esatti = 0;
    Modulo1::Errati = 0;
    // A new start shows the counts it really has, and no answer yet.
    if (EtichettaEsatti)
        EtichettaEsatti->setText(QStringLiteral("0"));
    if (EtichettaErrati)
        EtichettaErrati->setText(QStringLiteral("0"));
    if (ComandoIconaSi)
        ComandoIconaSi->hide();
    if (ComandoIconaNo)
        ComandoIconaNo->hide();
}

void ExerciseScreen::speakTitle()
{
    Bocca->Speak(config_.title);
}

void ExerciseScreen::SegnaEsatto()
{
    if (ComandoIconaSi)
        ComandoIconaSi->show();
    if (ComandoIconaNo)
        ComandoIconaNo->hide();
    // The 16-bit counter stops at its largest value; the screen goes on.
    if (Modulo1::Esatti < 32767)
        ++Modulo1::Esatti;
    if (EtichettaEsatti)
        EtichettaEsatti->setText(NumberText(Modulo1::Esatti));
}

void ExerciseScreen::SegnaErrato()
{
    if (ComandoIconaSi)
        ComandoIconaSi->hide();
    if (ComandoIconaNo)
        ComandoIconaNo->show();
    if (Modulo1::Errati < 32767)
        ++Modulo1::Errati;
    if (EtichettaErrati)
        EtichettaErrati->setText(NumberText(Modulo1::Errati));
    Bocca->Speak(QStringLiteral("No! repeat!"));
}

void ExerciseScreen::Bocca_Click()
{
    Bocca->StopSpeech();
    const QStringList items = mouthItems();
    for (const QString& text : items)
        Bocca->Speak(text);
}

void ExerciseScreen::mnuImposta_Click()
{
    Bocca->Speak(QStringLiteral("VOICE"));
    if (ScreenHost* window = host())
        window->showOverlay(newFormImposta());
}

void ExerciseScreen::mnuEsci_Click()
{
    Bocca->Speak(QStringLiteral("go back?"));
    const BoxAnswer answer = MsgBox(this, QStringLiteral("go back? "), QStringLiteral("munchora"),
                                    BoxIcon::Question, BoxButtons::YesNo);
    if (answer != BoxAnswer::Yes)
        return;
    if (ScreenHost* window = host())
        window->showScreen(newFormMenu()); // unloads this screen
}

int ExerciseScreen::drawWordExcept(const std::vector<int>& taken)
{
    int word = RandomWordIndex();
    while (std::find(taken.begin(), taken.end(), word) != taken.end())
        word = RandomWordIndex();
    return word;
}

QRect ExerciseScreen::designRect(const QWidget* control) const
{
    const auto found = design_.constFind(control);
    QRect rect = found != design_.constEnd() ? found.value() : control->geometry();
    const auto moved = placed_.constFind(const_cast<QWidget*>(control));
    if (moved != placed_.constEnd())
        rect.moveTopLeft(moved.value().toPoint());
    return rect;
}

QPointF ExerciseScreen::designPosition(const QWidget* control) const
{
    const auto moved = placed_.constFind(const_cast<QWidget*>(control));
    if (moved != placed_.constEnd())
        return moved.value();
    const auto found = design_.constFind(control);
    return found != design_.constEnd() ? QPointF(found.value().topLeft()) : QPointF(control->pos());
}

void ExerciseScreen::placeControl(QWidget* control, QPointF designTopLeft)
{
    if (!watched_.contains(control)) {
        // A control a screen removes must not be moved on the next resize.
        watched_.insert(control);
        connect(control, &QObject::destroyed, this, [this, control] {
            placed_.remove(control);
            watched_.remove(control);
        });
    }
    placed_.insert(control, designTopLeft);
    control->move(toScreen(designTopLeft));
}

void ExerciseScreen::clearPlacement(QWidget* control)
{
    placed_.remove(control);
    const auto found = design_.constFind(control);
    if (found != design_.constEnd())
        control->move(toScreen(found.value().topLeft()));
}

QPoint ExerciseScreen::toScreen(QPointF designPoint) const
{
    const clsResize* resizer = scaler();
    if (!resizer || resizer->BaseWidth() <= 0 || resizer->BaseHeight() <= 0)
        return designPoint.toPoint();
    // The same factors and rounding the scaler uses, so moved controls line up with the rest.
    const double horizontal = double(width()) / resizer->BaseWidth();
    const double vertical = double(height()) / resizer->BaseHeight();
    return {qRound(designPoint.x() * horizontal), qRound(designPoint.y() * vertical)};
}

void ExerciseScreen::applyPlacements()
{
    for (auto it = placed_.constBegin(); it != placed_.constEnd(); ++it)
        it.key()->move(toScreen(it.value()));
}

void ExerciseScreen::resizeEvent(QResizeEvent* event)
{
    Screen::resizeEvent(event); // the scaler puts every control at its scaled design place
    applyPlacements();
}
