// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main menu: one button per exercise and game, the voice settings, the credits and "Exit",
// and, when more than one unit is offered, the unit in play. Opening a screen replaces the
// menu; the voice settings and the units to choose from are laid over it.

#include "shell/screen.h"

#include <QList>

class Bocca;
class GradientBackground;
class PictureButton;

class FormMenu : public Screen
{
    Q_OBJECT
public:
    explicit FormMenu(QWidget* parent = nullptr);
    ~FormMenu() override;

    void Form_Load() override;

    void Command1_Click();    // "Voice"
    void chooseUnit();        // the unit in play's button, when there are units to choose from
    void Command14_Click();   // "?"
    void BottoneEsci_Click(); // "Exit"
    void closeRequested() override;
    QStringList spokenTexts() const override;

    // A button by its name ("Command3", "BottoneEsci").
    PictureButton* button(const QString& name) const;
    QList<PictureButton*> buttons() const { return buttons_; }

    GradientBackground* ARGradient1 = nullptr;
    ::Bocca* Bocca = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void openScreen(Screen* screen);

    QList<PictureButton*> buttons_;
    QList<PictureButton*> tiles_; // the screens' buttons, in the grid
};
