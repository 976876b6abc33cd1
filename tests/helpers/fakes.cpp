// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/fakes.h"

#include "record/answer_record.h"
#include "settings/modulo1.h"
#include "units/unit.h"
#include "widgets/pictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>

namespace {

class RecordingChannel final : public SpeechChannel
{
public:
    RecordingChannel(RecordingSpeechService& service, QString owner)
        : service_(service), owner_(std::move(owner)),
          watch_(std::make_shared<SilenceWatch>([this] { return speakingNow(); },
                                                [this]() -> qint64 {
                                                    if (service_.holdSpeaking)
                                                        return -1;
                                                    return std::max<qint64>(0, service_.speakingMs - until_.elapsed());
                                                }))
    {
        ++service_.openChannels;
        service_.watches.push_back(watch_);
    }
    ~RecordingChannel() override { --service_.openChannels; }

    void speak(const QString& text) override
    {
        service_.events.push_back({owner_, QStringLiteral("speak"), text, 0});
        speaking_ = true;
        until_.start();
    }
    void stop() override
    {
        service_.events.push_back({owner_, QStringLiteral("stop"), QString(), 0});
        speaking_ = false;
        SilenceWatch::post(watch_);
    }
    bool speakingNow() const override
    {
        if (!speaking_)
            return false;
        if (service_.holdSpeaking)
            return true;
        return service_.speakingMs > 0 && until_.elapsed() < service_.speakingMs;
    }
    void whenSilent(std::function<void()> then) override { watch_->add(std::move(then)); }
    void setRate(int velocita) override
    {
        service_.events.push_back({owner_, QStringLiteral("rate"), QString(), velocita});
    }
    bool setVoice(int number) override
    {
        if (number < 1 || number > service_.voiceCount() || service_.refusedVoices.contains(number))
            return false;
        voice_ = number;
        service_.events.push_back({owner_, QStringLiteral("voice"), QString(), number});
        return true;
    }
    int voice() const override { return voice_; }
    void setFlag(int flag) override { service_.events.push_back({owner_, QStringLiteral("flag"), QString(), flag}); }

private:
    RecordingSpeechService& service_;
    QString owner_;
    bool speaking_ = false;
    QElapsedTimer until_;
    int voice_ = 1;
    std::shared_ptr<SilenceWatch> watch_;
};

} // namespace

RecordingSpeechService::Switch& RecordingSpeechService::Switch::operator=(bool on)
{
    const bool off = on_ && !on;
    on_ = on;
    if (off) {
        for (const std::weak_ptr<SilenceWatch>& watch : service_.watches)
            SilenceWatch::post(watch);
        std::erase_if(service_.watches, [](const std::weak_ptr<SilenceWatch>& w) { return w.expired(); });
    }
    return *this;
}

RecordingSpeechService::RecordingSpeechService()
{
    SpeechService::install(this);
}

RecordingSpeechService::~RecordingSpeechService()
{
    SpeechService::install(nullptr);
}

QString RecordingSpeechService::voiceName(int number) const
{
    return number >= 1 && number <= voiceNames.size() ? voiceNames.at(number - 1) : QString();
}

int RecordingSpeechService::voiceKind(int number) const
{
    return number >= 1 && number <= voiceKinds.size() ? voiceKinds.at(number - 1) : 0;
}

std::unique_ptr<SpeechChannel> RecordingSpeechService::openChannel(const QString& owner)
{
    return std::make_unique<RecordingChannel>(*this, owner);
}

QStringList RecordingSpeechService::spoken(const QString& owner) const
{
    QStringList texts;
    for (const Event& e : events)
        if (e.kind == QLatin1String("speak") && (owner.isEmpty() || e.owner == owner))
            texts << e.text;
    return texts;
}

QStringList RecordingSpeechService::log(const QString& owner) const
{
    QStringList lines;
    for (const Event& e : events) {
        if (!owner.isEmpty() && e.owner != owner)
            continue;
        if (e.kind == QLatin1String("speak"))
            lines << e.owner + QStringLiteral(": speak \"") + e.text + QLatin1Char('"');
        else if (e.kind == QLatin1String("stop"))
            lines << e.owner + QStringLiteral(": stop");
    }
    return lines;
}

int RecordingSpeechService::lastValue(const QString& owner, const QString& kind) const
{
    for (auto it = events.rbegin(); it != events.rend(); ++it)
        if (it->owner == owner && it->kind == kind)
            return it->value;
    return -1;
}

ScriptedRandom::ScriptedRandom()
{
    RandomSource::install(this);
}

ScriptedRandom::~ScriptedRandom()
{
    RandomSource::install(nullptr);
}

double ScriptedRandom::next()
{
    ++used;
    if (draws.empty()) {
        // Unscripted draws still vary, so a screen's "draw again until different" loops end.
        ++ranShort;
        return (ranShort * 7 % 30 + 0.5) / 30.0;
    }
    const double x = draws.front();
    draws.pop_front();
    return x;
}

ScriptedDialogs::ScriptedDialogs()
{
    Dialogs::install(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    Dialogs::install(nullptr);
}

void ScriptedDialogs::ask(QWidget*, const QString& text, const QString& title, BoxIcon icon, BoxButtons buttons,
                          Then then, int closeAfterMs)
{
    shown.append({text, title, icon, buttons, closeAfterMs});
    BoxAnswer answer = BoxAnswer::Ok;
    if (buttons == BoxButtons::YesNo) {
        answer = answers.empty() ? BoxAnswer::Yes : answers.front();
        if (!answers.empty())
            answers.pop_front();
    }
    if (then)
        then(answer);
}

TempFolders::TempFolders()
{
    Modulo1::setSettingsFolder(settings());
    Modulo1::FileImpostazioni = settings() + QStringLiteral("/programmiinglese.ini");
    // The program folder holds the real pictures, as an installed tree does.
    QDir(program()).mkpath(QStringLiteral("jpg"));
    const QString source = qEnvironmentVariable("MUNCHORA_SOURCE_DIR", QStringLiteral(MUNCHORA_SOURCE_DIR_DEFAULT));
    const QDir pictures(source + QStringLiteral("/assets/jpg"));
    // Links, not copies: a copy is written through to the disk, and every rig makes a folder.
    // A test can still take one picture away by removing its link.
    for (const QString& name : pictures.entryList({QStringLiteral("*.jpg")}, QDir::Files))
        QFile::link(pictures.absoluteFilePath(name), program() + QStringLiteral("/jpg/") + name);
    Modulo1::setProgramFolder(program());
    PictureLoader::instance().clearCache();
}

TempFolders::~TempFolders()
{
    Modulo1::setSettingsFolder(QString());
    Modulo1::setProgramFolder(QString());
    PictureLoader::instance().clearCache();
}

void resetSharedState()
{
    using namespace Modulo1;
    CaricaParole();
    Voce = DefaultVoce;
    Velocita = DefaultVelocita;
    FlagVoce = 0;
    AnswerRecord::setUnit(QLatin1String(units::BuiltInId));
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
