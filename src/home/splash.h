// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The splash screen: three random food pictures, the unit's title and a spoken welcome.
// A click anywhere leads on to the main menu; there is no timer.

#include "shell/screen.h"

#include <array>

class Bocca;
class GradientBackground;
class PictureBox;
class QLabel;

class FormAvvio : public Screen
{
    Q_OBJECT
public:
    explicit FormAvvio(QWidget* parent = nullptr);
    ~FormAvvio() override;

    void Form_Load() override;
    // Closing the window asks "exit?" as the menu does.
    void closeRequested() override;
    void edgeClicked() override { leaveSplash(); }
    QStringList spokenTexts() const override;
    // "welcome. unit 7. munchora"; another unit's number and name.
    static QString welcome();

    GradientBackground* ARGradient1 = nullptr;
    ::Bocca* Bocca = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    std::array<PictureBox*, 3> Image1{};

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Every click on the splash (background, mouth, pictures, labels, the form) comes here.
    void leaveSplash();

    bool leaving_ = false;
};
