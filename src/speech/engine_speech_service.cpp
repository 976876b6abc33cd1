// Placeholder until the engines land: a silent service that keeps no time.
#include "speech/engine_speech_service.h"

namespace {
class SilentChannel final : public SpeechChannel
{
public:
    void speak(const QString&) override {}
    void stop() override {}
    bool speakingNow() const override { return false; }
    void setRate(int) override {}
    bool setVoice(int number) override { if (number != 1) return false; return true; }
    int voice() const override { return 1; }
    void setFlag(int) override {}
};
class SilentService final : public SpeechService
{
public:
    int voiceCount() const override { return 1; }
    QString voiceName(int n) const override { return n == 1 ? QStringLiteral("silent") : QString(); }
    int voiceKind(int n) const override { return n == 1 ? 1 : 0; }
    std::unique_ptr<SpeechChannel> openChannel(const QString&) override { return std::make_unique<SilentChannel>(); }
};
} // namespace

std::unique_ptr<SpeechService> createEngineSpeechService()
{
    return std::make_unique<SilentService>();
}
