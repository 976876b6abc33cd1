// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/listen_order.h"

#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "widgets/bocca.h"
#include "widgets/number_text.h"

#include <QPainter>

namespace {

ExerciseConfig configFor(const QString& title)
{
    ExerciseConfig config;
    config.title = title;
    config.next = ExerciseConfig::Next::Disabled; // the first sequence cannot be skipped
    return config;
}

// A place of the upper row: a dashed card while it waits for its picture. An empty place has
// no name, so a screen reader passes over it.
class Place final : public PictureBox
{
public:
    using PictureBox::PictureBox;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (!word().isEmpty()) {
            PictureBox::paintEvent(event);
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        // The square a picture will fill, so the place matches the picture beneath it.
        const qreal side = std::min(width(), height());
        const qreal line = std::max(2.0, side * 0.02);
        const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
        const QRectF box = square.adjusted(line, line, -line, -line);
        painter.setPen(QPen(QColor(0xb0, 0x9a, 0x70), line, Qt::DashLine));
        painter.setBrush(QColor(255, 255, 255, 120));
        painter.drawRoundedRect(box, side * 0.08, side * 0.08);
    }
};

struct RowLayout
{
    int side, gap, upperTop, lowerTop;
};

// Both rows of N square pictures, centred, columns lined up; clear of the mouth, the score
// panel and "next".
RowLayout layoutFor(int n)
{
    switch (n) {
    case 3: return {180, 50, 206, 420};
    case 4: return {180, 36, 206, 420};
    default: return {170, 24, 206, 420};
    }
}

} // namespace

ListenOrder::ListenOrder(const QString& name, const QString& title, int n, QWidget* parent)
    : ExerciseScreen(name, configFor(title), parent), n_(n)
{
    Q_ASSERT(n >= 3 && n <= 5);
    const RowLayout layout = layoutFor(n);
    const int left = (DesignWidth - (n * layout.side + (n - 1) * layout.gap)) / 2;
    auto column = [&](int c) { return left + c * (layout.side + layout.gap); };
    for (int k = 0; k < n; ++k) {
        auto* place = new Place(this);
        place->setObjectName(QStringLiteral("Image2_%1").arg(k));
        place->setGeometry(column(k), layout.upperTop, layout.side, layout.side);
        Image2.push_back(place);
    }
    for (int k = 0; k < n; ++k) {
        auto* picture = new PictureBox(this);
        picture->setObjectName(QStringLiteral("Image1_%1").arg(k));
        // Starting layout: Image1(1), Image1(0), then Image1(2) .. Image1(N - 1).
        const int c = k == 0 ? 1 : k == 1 ? 0 : k;
        picture->setGeometry(column(c), layout.lowerTop, layout.side, layout.side);
        picture->setCursor(Qt::PointingHandCursor);
        connect(picture, &PictureBox::clicked, this, [this, k] { Image1_Click(k); });
        addAnswerControl(picture);
        Image1.push_back(picture);
    }
}

int ListenOrder::sequenceWord(int k) const
{
    return k >= 0 && k < int(sequence_.size()) ? sequence_[size_t(k)] : 0;
}

void ListenOrder::measurePlaces()
{
    // Read again on every activation from the pictures as they stand: the same N places,
    // perhaps in another order.
    auto left = [this](int k) { return qRound(designPosition(Image1[size_t(k)]).x()); };
    Posizioni[0] = left(1);
    Posizioni[1] = left(0);
    for (int k = 2; k < n_; ++k)
        Posizioni[size_t(k)] = left(k);
}

void ListenOrder::Sposta()
{
    for (PictureBox* place : Image2)
        place->setImage(QImage(), QString());
    dealToPlaces({Image1.begin(), Image1.end()}, [this](int c, int s) {
        PictureBox* picture = Image1[size_t(c)];
        placeControl(picture, QPointF(Posizioni[size_t(s)], designPosition(picture).y()));
    });
}

void ListenOrder::CaricaPalla()
{
    using namespace Modulo1;
    Sposta();
    Contatore = 0;
    sequence_ = RandomDistinctWords(n_);
    for (int k = 0; k < n_; ++k)
        Image1[size_t(k)]->setWord(Parola(sequence_[size_t(k)]));
    // Nothing is said: the child hears the sequence from the mouth.
}

QStringList ListenOrder::mouthItems() const
{
    QStringList texts;
    for (int k = 0; k < n_; ++k)
        texts << Modulo1::Parola(sequenceWord(k)) + QLatin1Char('.');
    return texts;
}

void ListenOrder::Image1_Click(int Index)
{
    // Each picture put in its place answers "which comes next?".
    const bool right = Index == Contatore && Contatore < n_;
    recordWordAnswer(Contatore < n_ ? Image1[size_t(Contatore)]->word() : QString(), Image1[size_t(Index)]->word(),
                     right);
    if (!right) {
        // Out of turn, already in its place, or the sequence is complete.
        SegnaErrato();
        return;
    }
    Image2[size_t(Contatore)]->setWord(Image1[size_t(Contatore)]->word());
    ++Contatore;
    showRightIcon();
    if (Contatore == n_) {
        SegnaEsatto(); // the whole sequence is one right answer
        Command1->setEnabled(true);
    }
}

void ListenOrder::Command1_Click()
{
    Bocca->StopSpeech();
    Command1->setEnabled(false);
    CaricaPalla();
}

Form4a::Form4a(QWidget* parent)
    : ListenOrder(QStringLiteral("Form4a"), QStringLiteral("exercise 4.. Listen and order."), 3, parent)
{}

Form4b::Form4b(QWidget* parent)
    : ListenOrder(QStringLiteral("Form4b"), QStringLiteral("exercise 5.. Listen and order."), 4, parent)
{}

Form4c::Form4c(QWidget* parent)
    : ListenOrder(QStringLiteral("Form4c"), QStringLiteral("exercise 6.. Listen and order."), 5, parent)
{}
