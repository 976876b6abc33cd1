#pragma once
// The pieces every exercise and game screen is built from: the "next" button, the score panel,
// the frame around a found picture, a clickable word label, a memory card and a letter cell.
// Each scales with its screen (everything is drawn from its current size and font), names
// itself for accessibility tools, and a clickable one takes a tap that slides a little.

#include <QLabel>
#include <QPushButton>
#include <QWidget>

class PictureBox;

// The "next" button: a big drawn arrow, or a written caption when it has one ("new").
class NextButton : public QPushButton
{
    Q_OBJECT
public:
    explicit NextButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The score panel: "Correct" and "Mistake" with their counts, and the yes / no icon that
// tells how the last answer went. Its controls are scaled inside it.
class ScorePanel : public QWidget
{
    Q_OBJECT
public:
    explicit ScorePanel(QWidget* parent = nullptr);

    QLabel* LabelEst = nullptr;
    QLabel* EtichettaEsatti = nullptr;
    QLabel* LabelErt = nullptr;
    QLabel* EtichettaErrati = nullptr;
    PictureBox* ComandoIconaSi = nullptr;
    PictureBox* ComandoIconaNo = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The frame drawn around the right picture once it has been found. It lets every click
// through to what lies beneath.
class HighlightFrame : public QWidget
{
    Q_OBJECT
public:
    explicit HighlightFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Shared by the clickable pieces below: a left press and release inside is a click, wherever
// the pointer slid in between; a disabled control takes none. Tab reaches it and Space or
// Enter clicks it; screen readers get a press action.
class ClickableWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ClickableWidget(QWidget* parent = nullptr);
    Q_INVOKABLE void accessiblePress();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    // A dashed ring inside box while the keyboard has brought the focus here.
    void drawFocusRing(QPainter& painter, const QRectF& box, qreal radius) const;

private:
    bool pressed_ = false;
    bool keyboardFocus_ = false;
};

// A written word the child clicks: white while the question is open, pure red once it has
// been clicked rightly, faded while it takes no clicks. Its accessible name is its caption.
class WordLabel : public ClickableWidget
{
    Q_OBJECT
public:
    explicit WordLabel(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    // The background: white (open) or pure red (rightly clicked).
    void setBackground(const QColor& colour);
    QColor background() const { return background_; }
    // Enabled, white: the state of every label of a new question.
    void open();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    QColor background_ = Qt::white;
};

// A memory card: face down it shows its back (named "card"); face up, the picture of its word
// or the word written on it.
class MemoryCard : public ClickableWidget
{
    Q_OBJECT
public:
    enum class Face { Picture, Word };
    explicit MemoryCard(QWidget* parent = nullptr);

    void deal(const QString& word, Face face);
    QString word() const { return word_; }
    Face face() const { return face_; }
    void turnUp();
    void turnDown();
    bool isUp() const { return up_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateName();

    QString word_;
    Face face_ = Face::Picture;
    bool up_ = false;
};

// One letter of a letter grid; its colour shows whether it is part of a word being chosen or
// already found. Its accessible name is its letter.
class GridCell : public ClickableWidget
{
    Q_OBJECT
public:
    explicit GridCell(QWidget* parent = nullptr);

    // A null QChar empties the cell.
    void setLetter(QChar letter);
    QChar letter() const { return letter_; }
    void setBackground(const QColor& colour);
    QColor background() const { return background_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QChar letter_;
    QColor background_ = Qt::white;
};
