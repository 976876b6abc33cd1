// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The units a child may choose, laid over the menu: a big tile for each, with its name and
// pictures, the one in play marked. Choosing another unit plays it and greets the child with
// its splash; the one in play, Escape or closing the window go back to the menu as it was.

#include "shell/screen.h"

#include <QList>

class Bocca;
class GradientBackground;
class PictureButton;
class QLabel;

class UnitChooser : public Screen
{
    Q_OBJECT
public:
    explicit UnitChooser(QWidget* parent = nullptr);
    ~UnitChooser() override;

    void Form_Load() override;
    void closeRequested() override;
    QStringList spokenTexts() const override;

    // The tile of a unit by its id; null when it is not offered.
    PictureButton* tile(const QString& id) const;
    QList<PictureButton*> tiles() const { return tiles_; }

    GradientBackground* ARGradient1 = nullptr;
    ::Bocca* Bocca = nullptr;
    QLabel* title = nullptr;

private:
    void choose(const QString& id);

    QList<PictureButton*> tiles_;
};
