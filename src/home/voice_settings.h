// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The voice settings screen: choose the voice and the speed, try them on the mouth, and keep
// them with "conferma". It lies over the screen that opened it, which stays loaded.

#include "shell/screen.h"

class Bocca;
class PictureButton;
class QComboBox;
class QLabel;
class QScrollBar;

class FormImposta : public Screen
{
    Q_OBJECT
public:
    explicit FormImposta(QWidget* parent = nullptr);
    ~FormImposta() override;

    void Form_Load() override;

    void Combo1_Click();
    void HScroll1_Change();
    void Bocca_Click();
    void BottoneEsci_Click();
    // Closing the window (or Escape) goes back: the choices hold for this run, but only
    // "conferma" writes them.
    void closeRequested() override;
    QStringList spokenTexts() const override;

    QComboBox* Combo1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QLabel* Label1 = nullptr;
    PictureButton* BottoneEsci = nullptr;
    ::Bocca* Bocca = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showVoice(int voice);

    int lastGoodVoice_ = 1; // the last voice the mouth accepted; a refused choice goes back to it
};
