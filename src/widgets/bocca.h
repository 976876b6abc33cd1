// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The mouth every screen carries: the screen's speech channel, drawn as a friendly mouth
// that moves while it speaks and can be clicked.

#include "shell/clickable.h"
#include "speech/speech_log.h"
#include "speech/speech_service.h"

#include <QWidget>

#include <functional>
#include <memory>

class QTimer;

class Bocca : public Clickable
{
    Q_OBJECT
public:
    // owner names the screen in the speech log ("Form2").
    explicit Bocca(const QString& owner, QWidget* parent = nullptr);
    ~Bocca() override;

    void Speak(const QString& text);
    void StopSpeech();
    int SpeakingNow() const;
    // Runs then from the event loop once everything given so far has been said or stopped; the
    // speech side tells, nothing polls. Dropped with the mouth.
    void whenSilent(std::function<void()> then);
    void setSpeechRate(int rate);
    int VoiceCount() const;
    QString VoiceName(int number) const;
    // 1: the engine's voice as shipped (Flite's slt, rms, awb, kal16);
    // 2: a voice the program adjusts (an eSpeak NG voice with a variant, such as "en+edward");
    // 0: no such voice.
    int VoiceKind(int number) const;
    // ImpostaVoce sets the flag from the kind: 0 for a voice as shipped, 1 for an adjusted one.
    // The mouth keeps it with the voice; the sound depends on the voice number alone, so a
    // saved voice number always sounds the same.
    void setVoiceFlag(qint16 flag);
    // Selects a voice; false when refused (the previous voice stays).
    bool setVoiceNumber(int number);
    int VoiceNumber() const;

    QString owner() const { return owner_; }
    // Something on the screen answers a click on the mouth (on some screens nothing does).
    bool isClickable() const override;

signals:
    void Bocca_Click();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void animate();

    QString owner_;
    // The service this mouth was made with answers everything it asks, even if another is
    // installed later (tests swap services between screens).
    SpeechService& service_;
    std::unique_ptr<SpeechChannel> channel_;
    QTimer* animation_ = nullptr;
    int phase_ = 0;
};
