// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exercise 9: three pictures in a row, an empty box under each and their three written words
// shuffled beneath. The child drags each word into the box under its picture, or taps the word
// and then the box (easier for small hands on a whiteboard). Three right drops make one right
// answer.
//
// The drag is the screen's own press / move / release handling, not the platform's drag and
// drop, so a mouse, a finger and a whiteboard pen all work the same, and so do tests. The
// screen watches the mouse events of all its controls while it is shown: whichever control
// the window system hands a move to, the pointer is read in the screen's coordinates.

#include "exercises/exercise_screen.h"

#include <array>

// A word to drag or tap: white while it can be moved, ringed while it is chosen for a tap on
// a box, a faint empty place once it has gone into its box.
class DragWord : public WordLabel
{
    Q_OBJECT
public:
    DragWord(int index, QWidget* parent = nullptr);

    int index() const { return index_; }
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    void setDragging(bool dragging);
    bool isDragging() const { return dragging_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int index_;
    bool selected_ = false;
    bool dragging_ = false;
};

// An answer box: light yellow, named "box" while empty and by its word once filled. It lights
// up while it can take the word being moved.
class AnswerBox : public Clickable
{
    Q_OBJECT
public:
    explicit AnswerBox(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    void setInviting(bool inviting);
    bool isInviting() const { return inviting_; }
    void setTargeted(bool targeted);
    bool isTargeted() const { return targeted_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    bool inviting_ = false; // a word is chosen or dragged: the box can take it
    bool targeted_ = false; // the dragged word is over this box
};

// Exercise 9 ("9 - read the words").
class Form8 : public ExerciseScreen
{
    Q_OBJECT
public:
    explicit Form8(QWidget* parent = nullptr);
    ~Form8() override;

    void Sposta();
    // A word label was dropped on box Label2(Index).
    void Label2_DragDrop(int Index, DragWord* Source);
    void Command1_Click() override;
    // Tap, then tap: a tap on a word chooses it (or lets it go again), a tap on a box drops the
    // chosen word there; after a wrong box it stays chosen for the next box. Screen readers and
    // the keyboard press the same way.
    void Label1_Click(int Index);
    void Label2_Click(int Index);

    std::array<PictureBox*, 3> Image1{};
    std::array<AnswerBox*, 3> Label2{};
    std::array<DragWord*, 3> Label1{};

    // The chosen word of tap-then-tap, -1 for none.
    int selectedWord() const { return selected_; }
    // The word being dragged, -1 for none.
    int draggedWord() const { return drag_.dragging ? drag_.word : -1; }
    // The box whose design rectangle holds a point given in window coordinates, -1 for none.
    int boxAt(QPointF windowPoint) const;

    // Label1(order[k][p]) goes to place p.
    static constexpr std::array<std::array<int, 3>, 6> orders{
        {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 1, 0}, {2, 0, 1}}};
    // How far a press may slide and still be a tap, in window pixels.
    static int tapSlack();

    const std::array<qint16, 3>& posizioni() const { return Posizioni; }
    int abbinamenti() const { return Abbinamenti; }
    const std::array<int, 3>& words() const { return words_; }
    // Which of the orders the words stand in (0..5).
    int order() const { return order_; }

protected:
    void CaricaPalla() override;
    void measurePlaces() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::array<qint16, 3> Posizioni{}; // left edges of the three word places, design units
    qint16 Abbinamenti = 0;            // words in their right box in this set
    std::array<int, 3> words_{};       // the word index of each picture
    int order_ = 0;                    // the words' order beneath the boxes: orders[order_]
    struct Drag
    {
        int word = -1;         // pressed or dragged word, -1 for none
        QPointF pressAt;       // where the press was, screen coordinates
        QPointF grab;          // the pointer's place on the word
        QPoint home;           // the word's place when it was taken, screen coordinates
        bool dragging = false; // moved further than a tap
        int target = -1;       // the box under the pointer
    };

    int wordAt(QPointF at) const;
    void followPointer(QPointF at);
    // The left button's press, moves and release on the screen; true when the drag took them.
    bool pointerPressed(QPointF at);
    bool pointerMoved(QPointF at, Qt::MouseButtons buttons);
    bool pointerReleased(QPointF at);
    // The dragged word back in its place, no drop.
    void cancelDrag();
    void select(int word);
    void showInvitation();

    int selected_ = -1;
    Drag drag_;
};
