// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pieces every exercise and game screen is built from: the "next" button, the score panel,
// the frame around a found picture, a clickable word label, a card cover and a letter cell.
// Each scales with its screen (everything is drawn from its current size and font), names
// itself for accessibility tools, and a clickable one takes a tap that slides a little.

#include "shell/clickable.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QWidget>

#include <memory>

class PictureBox;

// The font at its asked size, made smaller only as far as the text needs to fit the box.
QFont fittedFont(QFont font, const QString& text, const QRectF& box);

// The "next" button: a big drawn arrow, or a written caption when it has one ("new").
class NextButton : public QPushButton
{
    Q_OBJECT
public:
    explicit NextButton(QWidget* parent = nullptr);

signals:
    // It has been enabled or disabled.
    void enabledChanged(bool enabled);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
};

// The menu bar of "Voice" and "Go back": big entries a finger finds on a whiteboard (54 px
// high at the design size), drawn by a style of its own that sizes them from the bar's font,
// so they grow and shrink with the screen.
class EntryBar : public QMenuBar
{
    Q_OBJECT
public:
    explicit EntryBar(QWidget* parent = nullptr);
    ~EntryBar() override;

private:
    std::unique_ptr<QStyle> style_;
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

// A written word the child clicks: white while the question is open, pure red once it has
// been clicked rightly, faded while it takes no clicks. Its accessible name is its caption.
class WordLabel : public Clickable
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

// The back of a memory card: a plain pale yellow cover that hides the card beneath it until it
// is clicked. It is named "card", so a screen reader gives nothing away either.
class CardCover : public Clickable
{
    Q_OBJECT
public:
    explicit CardCover(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One letter of a letter grid, or an empty cell of a table; its colour shows its state (a word
// being chosen, found, a cell answered). Its accessible name is its letter unless given another.
class GridCell : public Clickable
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
