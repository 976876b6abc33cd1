// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/word_drag.h"

#include "layout/clsresize.h"
#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

ExerciseConfig form8Config()
{
    ExerciseConfig config;
    config.title = QStringLiteral("exercise 9.. combine the words to the sketches.");
    config.mouthRepeats = false;                 // the mouth has nothing to repeat here
    config.next = ExerciseConfig::Next::Enabled; // the first set may be skipped
    return config;
}

// Design layout: three columns clear of the mouth and the score panel above and of "next"
// below right; in each, the picture, its box, and a place in the row of words.
constexpr int ColumnLeft = 42, ColumnStep = 330, ColumnWidth = 280;
constexpr int PictureTop = 198, PictureSide = 186;
constexpr int BoxTop = 394, BoxHeight = 78;
constexpr int WordTop = 508, WordHeight = 78;
constexpr int FontSize = 44;

const QColor boxYellow(255, 255, 192);
const QColor ink(0x1d, 0x1f, 0x3a);
const QColor chosenRing(0xff, 0x8f, 0x00);
const QColor draggedRing(0x1e, 0x88, 0xe5);

} // namespace

DragWord::DragWord(int index, QWidget* parent) : WordLabel(parent), index_(index)
{
    setCursor(Qt::OpenHandCursor);
}

void DragWord::setSelected(bool selected)
{
    if (selected_ == selected)
        return;
    selected_ = selected;
    update();
}

void DragWord::setDragging(bool dragging)
{
    if (dragging_ == dragging)
        return;
    dragging_ = dragging;
    setCursor(dragging ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
    update();
}

void DragWord::paintEvent(QPaintEvent* event)
{
    const qreal side = std::min(width(), height());
    if (caption().isEmpty()) {
        // The word has gone into its box: only a faint outline of its place is left.
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal line = std::max(2.0, side * 0.035);
        const QRectF box = QRectF(rect()).adjusted(line, line, -line, -line);
        painter.setPen(QPen(QColor(0xc8, 0xbf, 0xa6), line, Qt::DashLine));
        painter.setBrush(QColor(255, 255, 255, 70));
        painter.drawRoundedRect(box, side * 0.22, side * 0.22);
        return;
    }
    WordLabel::paintEvent(event);
    if (!selected_ && !dragging_)
        return;
    // A thick ring a child sees from the back of the class: this word is in hand.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal line = std::max(4.0, side * 0.11);
    const QRectF box = QRectF(rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(selected_ ? chosenRing : draggedRing, line));
    painter.drawRoundedRect(box, side * 0.22, side * 0.22);
}

AnswerBox::AnswerBox(QWidget* parent) : Clickable(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("box"));
}

void AnswerBox::setCaption(const QString& caption)
{
    caption_ = caption;
    setAccessibleName(caption.isEmpty() ? QStringLiteral("box") : caption);
    update();
}

void AnswerBox::setInviting(bool inviting)
{
    if (inviting_ == inviting)
        return;
    inviting_ = inviting;
    update();
}

void AnswerBox::setTargeted(bool targeted)
{
    if (targeted_ == targeted)
        return;
    targeted_ = targeted;
    update();
}

void AnswerBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const qreal radius = side * 0.18;
    qreal line = std::max(2.0, side * 0.045);
    QColor rim(0xc9, 0xa2, 0x27);
    Qt::PenStyle style = caption_.isEmpty() ? Qt::DashLine : Qt::SolidLine;
    QColor fill = boxYellow;
    if (!caption_.isEmpty()) {
        rim = QColor(0x43, 0xa0, 0x47); // a word in its box: done
    } else if (targeted_) {
        rim = QColor(0x2e, 0x7d, 0x32);
        fill = QColor(255, 244, 150);
        line = std::max(4.0, side * 0.1);
        style = Qt::SolidLine;
    } else if (inviting_) {
        rim = chosenRing;
        line = std::max(3.0, side * 0.07);
    }
    const QRectF box = QRectF(rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2);
    painter.setPen(QPen(rim, line, style, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, radius, radius);
    if (!caption_.isEmpty()) {
        const QRectF textBox = box.adjusted(side * 0.12, 0, -side * 0.12, 0);
        painter.setPen(ink);
        painter.setFont(fittedFont(font(), caption_, textBox));
        painter.drawText(textBox, Qt::AlignCenter, caption_);
    }
}

Form8::Form8(QWidget* parent) : ExerciseScreen(QStringLiteral("Form8"), form8Config(), parent)
{
    const QFont font = designFont(QStringLiteral("Liberation Sans"), FontSize, true);
    for (int k = 0; k < 3; ++k) {
        const int left = ColumnLeft + k * ColumnStep;
        auto* picture = new PictureBox(this);
        picture->setObjectName(QStringLiteral("Image1_%1").arg(k));
        picture->setGeometry(left + (ColumnWidth - PictureSide) / 2, PictureTop, PictureSide, PictureSide);
        Image1[size_t(k)] = picture;

        auto* box = new AnswerBox(this);
        box->setObjectName(QStringLiteral("Label2_%1").arg(k));
        box->setGeometry(left, BoxTop, ColumnWidth, BoxHeight);
        box->setFont(font);
        connect(box, &AnswerBox::clicked, this, [this, k] { Label2_Click(k); });
        addAnswerControl(box);
        Label2[size_t(k)] = box;
    }
    // The words last: made after the boxes, they would be drawn above them anyway.
    for (int k = 0; k < 3; ++k) {
        auto* word = new DragWord(k, this);
        word->setObjectName(QStringLiteral("Label1_%1").arg(k));
        word->setGeometry(ColumnLeft + k * ColumnStep, WordTop, ColumnWidth, WordHeight);
        word->setFont(font);
        // Only the keyboard and screen readers come this way; the mouse goes through eventFilter.
        connect(word, &DragWord::clicked, this, [this, k] { Label1_Click(k); });
        addAnswerControl(word);
        Label1[size_t(k)] = word;
    }
    // Whichever of its controls the window system hands a move to, the screen sees it.
    qApp->installEventFilter(this);
}

Form8::~Form8()
{
    qApp->removeEventFilter(this);
}

int Form8::tapSlack()
{
    return std::max(QApplication::startDragDistance(), 12);
}

void Form8::measurePlaces()
{
    // A start (also after the voice settings) ends any drag or choice left from before.
    cancelDrag();
    select(-1);
    // The words go back to the places under their pictures first, so that order 0 always
    // means every word under its own picture, also after a shuffled set.
    for (int k = 0; k < 3; ++k) {
        clearPlacement(Label1[size_t(k)]);
        Posizioni[size_t(k)] = qint16(std::lrint(designPosition(Label1[size_t(k)]).x()));
    }
}

void Form8::CaricaPalla()
{
    using namespace Modulo1;
    cancelDrag();
    select(-1);
    Abbinamenti = 0;
    for (int k = 0; k < 3; ++k) {
        Label1[size_t(k)]->setCaption(QString());
        Label2[size_t(k)]->setCaption(QString());
    }
    const std::vector<int> drawn = RandomDistinctWords(3);
    for (int k = 0; k < 3; ++k) {
        const int word = drawn[size_t(k)];
        words_[size_t(k)] = qint16(word);
        Image1[size_t(k)]->setWord(Parola(word));
        Label1[size_t(k)]->setCaption(Parola(word));
    }
    Sposta();
    showInvitation();
}

void Form8::Sposta()
{
    const int k = RandomChoice(6);
    order_ = k;
    for (int place = 0; place < 3; ++place) {
        DragWord* word = Label1[size_t(orders[size_t(k)][size_t(place)])];
        placeControl(word, QPointF(Posizioni[size_t(place)], designPosition(word).y()));
    }
    for (DragWord* word : Label1)
        word->setEnabled(true);
}

void Form8::Label2_DragDrop(int Index, DragWord* Source)
{
    if (!Source || Index < 0 || Index > 2 || !Source->isEnabled())
        return; // a word already in its box cannot count twice
    Bocca->StopSpeech();
    // Each word put on a picture answers "what is this picture?".
    const bool right = Source->index() == Index;
    recordWordAnswer(Image1[size_t(Index)]->word(), Source->caption(), right);
    if (right) {
        select(-1);
        Bocca->Speak(Source->caption());
        Label2[size_t(Index)]->setCaption(Label1[size_t(Index)]->caption());
        Label1[size_t(Index)]->setCaption(QString());
        ++Abbinamenti;
        Source->setEnabled(false);
        if (Abbinamenti == 3) {
            SegnaEsatto();
            Command1->setEnabled(true);
            for (AnswerBox* box : Label2)
                box->setEnabled(false);
        }
    } else {
        SegnaErrato(); // a word chosen by a tap stays chosen, for a tap on another box
    }
    showInvitation();
}

void Form8::Command1_Click()
{
    Command1->setEnabled(false);
    for (AnswerBox* box : Label2)
        box->setEnabled(true);
    CaricaPalla();
}

void Form8::Label1_Click(int Index)
{
    if (Index < 0 || Index > 2)
        return;
    DragWord* word = Label1[size_t(Index)];
    if (!word->isEnabled() || word->caption().isEmpty())
        return;
    select(selected_ == Index ? -1 : Index);
}

void Form8::Label2_Click(int Index)
{
    if (selected_ < 0 || Index < 0 || Index > 2)
        return;
    if (Label2[size_t(Index)]->isEnabled())
        Label2_DragDrop(Index, Label1[size_t(selected_)]);
}

void Form8::select(int word)
{
    selected_ = word;
    for (DragWord* label : Label1)
        label->setSelected(label->index() == word);
    showInvitation();
}

void Form8::showInvitation()
{
    // The empty boxes light up while a word is in hand, so the child sees where it can go.
    const bool inHand = selected_ >= 0 || drag_.dragging;
    for (int k = 0; k < 3; ++k) {
        AnswerBox* box = Label2[size_t(k)];
        box->setInviting(inHand && box->isEnabled() && box->caption().isEmpty());
        box->setTargeted(drag_.dragging && drag_.target == k);
    }
}

int Form8::boxAt(QPointF windowPoint) const
{
    const QPointF design = scaler() ? scaler()->toDesign(windowPoint) : windowPoint;
    for (int k = 0; k < 3; ++k)
        if (designRect(Label2[size_t(k)]).contains(design))
            return k;
    return -1;
}

int Form8::wordAt(QPointF at) const
{
    for (DragWord* word : Label1)
        if (word->isVisible() && word->isEnabled() && !word->caption().isEmpty()
            && QRectF(word->geometry()).contains(at))
            return word->index();
    return -1;
}

bool Form8::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove
        && type != QEvent::MouseButtonRelease)
        return false;
    if (!watched->isWidgetType() || !isVisible())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != this && !isAncestorOf(widget))
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    // Read where the pointer is now: a dragged word moves under it between two events.
    const QPointF at = widget == this ? mouse->position() : widget->mapTo(this, mouse->position());
    switch (type) {
    case QEvent::MouseMove: return pointerMoved(at, mouse->buttons());
    case QEvent::MouseButtonRelease: return mouse->button() == Qt::LeftButton && pointerReleased(at);
    default: return mouse->button() == Qt::LeftButton && pointerPressed(at);
    }
}

bool Form8::pointerPressed(QPointF at)
{
    const int word = wordAt(at);
    if (word < 0) {
        // A box takes the chosen word with its own click; a press anywhere else lets it go. An
        // unwanted press may reach here twice (passed on to the screen): harmless.
        const int box = boxAt(at);
        if (box < 0 || !Label2[size_t(box)]->isEnabled())
            select(-1);
        return false;
    }
    cancelDrag();
    drag_.word = word;
    drag_.pressAt = at;
    drag_.grab = at - QPointF(Label1[size_t(word)]->pos());
    drag_.home = Label1[size_t(word)]->pos();
    return true;
}

bool Form8::pointerMoved(QPointF at, Qt::MouseButtons buttons)
{
    if (drag_.word < 0)
        return false;
    if (!(buttons & Qt::LeftButton)) {
        cancelDrag(); // the release went elsewhere
        return false;
    }
    if (!drag_.dragging) {
        const QPointF slide = at - drag_.pressAt;
        if (std::hypot(slide.x(), slide.y()) <= tapSlack())
            return true; // still a tap
        drag_.dragging = true;
        select(-1);
        DragWord* word = Label1[size_t(drag_.word)];
        word->raise(); // above the pictures, the boxes and the frame
        word->setDragging(true);
    }
    followPointer(at);
    return true;
}

bool Form8::pointerReleased(QPointF at)
{
    if (drag_.word < 0)
        return false;
    const int word = drag_.word;
    if (!drag_.dragging) {
        drag_ = Drag{};
        Label1_Click(word);
        return true;
    }
    const int box = boxAt(at);
    cancelDrag(); // the word goes back to its place; a right drop then moves its caption
    if (box >= 0 && Label2[size_t(box)]->isEnabled())
        Label2_DragDrop(box, Label1[size_t(word)]);
    return true;
}

void Form8::followPointer(QPointF at)
{
    DragWord* word = Label1[size_t(drag_.word)];
    // The word keeps the spot it was taken by under the pointer, and stays on the screen.
    QPointF topLeft = at - drag_.grab;
    topLeft.setX(std::clamp(topLeft.x(), 0.0, qreal(std::max(0, width() - word->width()))));
    topLeft.setY(std::clamp(topLeft.y(), 0.0, qreal(std::max(0, height() - word->height()))));
    word->move(topLeft.toPoint());
    int target = boxAt(at);
    if (target >= 0 && !Label2[size_t(target)]->isEnabled())
        target = -1;
    if (target != drag_.target) {
        drag_.target = target;
        showInvitation();
    }
}

void Form8::cancelDrag()
{
    if (drag_.word >= 0 && drag_.dragging) {
        DragWord* word = Label1[size_t(drag_.word)];
        word->setDragging(false);
        // Back to the place the scaler keeps for it.
        if (scaler())
            placeControl(word, designPosition(word));
        else
            word->move(drag_.home);
    }
    const bool wasDragging = drag_.dragging;
    drag_ = Drag{};
    if (wasDragging)
        showInvitation();
}

void Form8::resizeEvent(QResizeEvent* event)
{
    // A drag does not survive a new scale: the word goes home before everything is rescaled.
    cancelDrag();
    ExerciseScreen::resizeEvent(event);
}

void Form8::hideEvent(QHideEvent* event)
{
    cancelDrag();
    select(-1);
    ExerciseScreen::hideEvent(event);
}
