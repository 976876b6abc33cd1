// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exercises 12, 13 and 14: "Yummy Yummy! I like ...!" and "Yuk!  I don't like ...!". A smiley,
// pleased or displeased, thinks of an item, whose picture sits in its thought balloon.
// Form11 says the sentence; on Form12 the child clicks the smiley that says it; on Form13 the
// child clicks the written sentence that fits the face.

#include "exercises/exercise_screen.h"

#include <array>

// The sentences say an item in its own form ("apples", "tomatos"): Modulo1::sentenceForm.
QString likeSentence(const QString& item);
QString dislikeSentence(const QString& item);

// What a smiley says of its item.
enum class Feeling { Likes, DoesNotLike };
QString sentenceFor(Feeling feeling, const QString& item);

// A smiley with an empty thought balloon, pleased or displeased; the item's picture is a child
// control laid into the balloon, so it stays there however the smiley is scaled.
class Smiley : public PictureBox
{
    Q_OBJECT
public:
    explicit Smiley(QWidget* parent = nullptr);

    // Shows the pleased face (smileys1.jpg) or the displeased one (smileys2.jpg) and names the
    // control after it.
    void setPleased(bool pleased);
    PictureBox* item() const { return item_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    PictureBox* item_;
};

// What the like and dislike screens share: the sentence of the question.
class LikesScreen : public ExerciseScreen
{
    Q_OBJECT
public:
    using ExerciseScreen::ExerciseScreen;

    const QString& frase() const { return Frase; }
    // Besides the frame's texts, "I like" and "I don't like" with every item.
    QStringList spokenTexts() const override;

protected:
    QString Frase; // the sentence of the question, said again by the mouth

    QStringList mouthItems() const override { return {Frase}; }
};

// What exercises 12, 13 and 14 ask: a smiley likes an item, or does not.
class SmileyScreen : public LikesScreen
{
    Q_OBJECT
public:
    using LikesScreen::LikesScreen;

    Feeling feeling() const { return feeling_; }
    int item() const { return item_; } // the item's word
    // The pleased smiley and the like sentence come first (0), the others second (1).
    static Feeling feelingAt(int choice) { return choice == 0 ? Feeling::Likes : Feeling::DoesNotLike; }
    int rightChoice() const { return feeling_ == Feeling::Likes ? 0 : 1; }

protected:
    // A new question: the feeling, then the item.
    void drawQuestion();

    Feeling feeling_ = Feeling::Likes;
    int item_ = 0;
};

// Exercise 12: listen.
class Form11 : public SmileyScreen
{
    Q_OBJECT
public:
    explicit Form11(QWidget* parent = nullptr);
    void Command1_Click() override;

    Smiley* Image1 = nullptr;
    PictureBox* Image2 = nullptr; // the item, in Image1's balloon

protected:
    void CaricaPalla() override;
};

// Exercise 13: two smileys; a click on a smiley or on the item in its balloon answers.
class Form12 : public SmileyScreen
{
    Q_OBJECT
public:
    explicit Form12(QWidget* parent = nullptr);

    // A click on a smiley, or on the item in its balloon.
    void Image1_Click(int Index);

    std::array<Smiley*, 2> Image1{};     // 0: pleased (like), 1: displeased (dislike)
    std::array<PictureBox*, 2> Image2{}; // the item in each balloon

protected:
    void CaricaPalla() override;
};

// Exercise 14: one smiley and both sentences written; the child clicks the one that fits.
class Form13 : public SmileyScreen
{
    Q_OBJECT
public:
    explicit Form13(QWidget* parent = nullptr);

    void Label3_Click(int Index);

    Smiley* Image1 = nullptr;
    PictureBox* Image2 = nullptr;
    std::array<WordLabel*, 2> Label3{}; // 0: the like sentence, 1: the dislike sentence

protected:
    void CaricaPalla() override;
    // A reading aid that does not give the answer away: both sentences, the like one first.
    QStringList mouthItems() const override;
};
