// SPDX-License-Identifier: GPL-3.0-or-later
// How well can a machine listener make out each offered voice? Every voice says each of the
// thirty words exactly as the program renders them (speed 135 unless --speed is given); each
// rendering goes to a 16 kHz mono WAV file, and the pocketsphinx recogniser, restricted by a
// grammar to the thirty words, names the word it heard. Prints words recognised / 30 per voice,
// as heard in a quiet room (the score that counts) and, for comparison, in digital silence.
//
//   bench_speech_intelligibility [--speed N] [--noise N] [--keep DIR] [--try VOICE ...]
//   VOICE = flite:NAME:STRETCH  or  espeak:NAME[+VARIANT]:WPM[:PITCH:RANGE]
//   (--try scores engine voices that are not offered, to choose new ones.)

#include "settings/modulo1.h"
#include "speech/speech_engines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <random>

using namespace speech;

namespace {

const QString Model = QStringLiteral("/usr/share/pocketsphinx/model/en-us");

struct Candidate
{
    QString label;
    CatalogueVoice entry;
};

std::deque<QByteArray> keepAlive; // CatalogueVoice holds plain C strings

bool parseVoice(const QString& text, Candidate& out)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 3)
        return false;
    keepAlive.push_back(parts[1].toUtf8());
    CatalogueVoice entry{"", Engine::Flite, keepAlive.back().constData(), 1, parts[2].toDouble()};
    if (parts[0] == QLatin1String("espeak"))
        entry.engine = Engine::Espeak;
    else if (parts[0] != QLatin1String("flite"))
        return false;
    if (parts.size() >= 5) {
        entry.pitch = parts[3].toInt();
        entry.range = parts[4].toInt();
    }
    out = {text, entry};
    return true;
}

// The recogniser listens as in a quiet room: 300 ms of quiet on either side and a faint
// steady noise (about -66 dB below full scale) under everything. In digital silence, which no
// room has, pocketsphinx's noise estimate goes astray and the scores of the formant voices
// (eSpeak NG) drop by several words; the second column shows that for comparison.
constexpr int PadMs = 300;
int NoiseLevel = 30; // --noise N changes it, to see how much the scores depend on it

struct Score
{
    int right = -1; // -1: the recogniser failed
    QStringList missed;
};

Pcm listeningCopy(const Pcm& spoken, bool room, unsigned seed)
{
    Pcm pcm = resample(spoken, 16000);
    const std::vector<int16_t> pad(size_t(16000 * PadMs / 1000), 0);
    pcm.samples.insert(pcm.samples.begin(), pad.begin(), pad.end());
    pcm.samples.insert(pcm.samples.end(), pad.begin(), pad.end());
    if (room) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> noise(-NoiseLevel, NoiseLevel);
        for (int16_t& s : pcm.samples)
            s = int16_t(std::clamp(int(s) + noise(random), -32768, 32767));
    }
    return pcm;
}

QString normalised(QString words)
{
    return words.simplified().toLower();
}

// Writes the renderings as WAV files, lets pocketsphinx name each, and counts the right ones.
Score score(const QString& dir, const QString& tag, const std::vector<Pcm>& spoken, const QStringList& words, bool room)
{
    Score result;
    QStringList control;
    for (size_t w = 0; w < spoken.size(); ++w) {
        const QString name = QStringLiteral("%1_%2").arg(tag).arg(w + 1, 2, 10, QLatin1Char('0'));
        QFile wav(dir + QLatin1Char('/') + name + QStringLiteral(".wav"));
        if (!wav.open(QIODevice::WriteOnly))
            return result;
        const std::vector<char> bytes = wavFile(listeningCopy(spoken[w], room, unsigned(w + 1)));
        wav.write(bytes.data(), qint64(bytes.size()));
        control << name;
    }
    const QString ctl = dir + QLatin1Char('/') + tag + QStringLiteral(".ctl");
    const QString hyp = dir + QLatin1Char('/') + tag + QStringLiteral(".hyp");
    QFile list(ctl);
    if (!list.open(QIODevice::WriteOnly))
        return result;
    list.write((control.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    list.close();

    QProcess sphinx;
    sphinx.start(QStringLiteral("pocketsphinx_batch"),
                 {QStringLiteral("-hmm"),    Model + QStringLiteral("/en-us"),
                  QStringLiteral("-dict"),   Model + QStringLiteral("/cmudict-en-us.dict"),
                  QStringLiteral("-jsgf"),   dir + QStringLiteral("/words.gram"),
                  QStringLiteral("-adcin"),  QStringLiteral("yes"),
                  QStringLiteral("-adchdr"), QStringLiteral("44"),
                  QStringLiteral("-cepdir"), dir,
                  QStringLiteral("-cepext"), QStringLiteral(".wav"),
                  QStringLiteral("-ctl"),    ctl,
                  QStringLiteral("-hyp"),    hyp,
                  QStringLiteral("-logfn"),  QStringLiteral("/dev/null")});
    if (!sphinx.waitForFinished(600000) || sphinx.exitCode() != 0)
        return result;
    QFile answers(hyp);
    if (!answers.open(QIODevice::ReadOnly))
        return result;
    const QStringList lines = QString::fromUtf8(answers.readAll()).split(QLatin1Char('\n'));
    result.right = 0;
    for (int w = 0; w < control.size(); ++w) {
        // A line is "hypothesis (name score)"; nothing heard is "(name score)".
        QString heard;
        for (const QString& line : lines) {
            const int open = int(line.lastIndexOf(QStringLiteral(" (") + control[w] + QLatin1Char(' ')));
            if (open >= 0 || line.startsWith(QLatin1Char('(') + control[w] + QLatin1Char(' '))) {
                heard = open >= 0 ? normalised(line.left(open)) : QString();
                break;
            }
        }
        if (heard == normalised(words[w]))
            ++result.right;
        else
            result.missed << QStringLiteral("%1 (%2)").arg(words[w], heard.isEmpty() ? QStringLiteral("-") : heard);
    }
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Modulo1::CaricaParole();

    int speed = Modulo1::DefaultVelocita;
    QString keepDir;
    std::vector<Candidate> candidates;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--speed") && i + 1 < args.size()) {
            speed = args[++i].toInt();
        } else if (args[i] == QLatin1String("--noise") && i + 1 < args.size()) {
            NoiseLevel = std::max(1, args[++i].toInt());
        } else if (args[i] == QLatin1String("--keep") && i + 1 < args.size()) {
            keepDir = args[++i];
        } else if (args[i] == QLatin1String("--try")) {
            while (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--"))) {
                Candidate c;
                if (!parseVoice(args[++i], c)) {
                    std::fprintf(stderr, "bad voice: %s\n", qPrintable(args[i]));
                    return 2;
                }
                candidates.push_back(c);
            }
        }
    }
    if (candidates.empty()) {
        int number = 0;
        for (const CatalogueVoice& entry : voiceCatalogue())
            candidates.push_back(
                {QStringLiteral("%1 %2").arg(++number).arg(QString::fromUtf8(entry.displayName)), entry});
    }

    QTemporaryDir temp;
    const QString dir = keepDir.isEmpty() ? temp.path() : keepDir;
    QDir().mkpath(dir);

    // The grammar: exactly one of the thirty words.
    QStringList words;
    for (int i = 1; i <= Modulo1::WordCount(); ++i)
        words << Modulo1::Parola(i);
    {
        QFile grammar(dir + QStringLiteral("/words.gram"));
        if (!grammar.open(QIODevice::WriteOnly))
            return 1;
        grammar.write("#JSGF V1.0;\ngrammar food;\npublic <word> = ");
        grammar.write(words.join(QStringLiteral(" | ")).toUtf8());
        grammar.write(";\n");
    }

    std::printf("Intelligibility: pocketsphinx (%s), grammar of the %d words, speed %d.\n", qPrintable(Model),
                Modulo1::WordCount(), speed);
    std::printf("Each word as the program renders it (silence trimmed, %d Hz), converted to 16 kHz mono,\n"
                "with %d ms of quiet on either side; in the quiet room a faint noise (+-%d of 32767) lies\n"
                "under it all. Recogniser: pocketsphinx_batch -jsgf (one word of the thirty).\n\n",
                OutputRate, PadMs, NoiseLevel);
    std::printf("%-34s %9s %10s  %s\n", "voice", "quiet room", "dig. sil.", "missed in the quiet room (heard as)");

    int index = 0;
    for (const Candidate& candidate : candidates) {
        ++index;
        if (!voiceWorks(candidate.entry)) {
            std::printf("%-34s %9s\n", qPrintable(candidate.label), "no voice");
            continue;
        }
        std::vector<Pcm> spoken;
        for (const QString& word : words)
            spoken.push_back(synthesizeAll(candidate.entry, speed, word));
        const Score room = score(dir, QStringLiteral("v%1r").arg(index), spoken, words, true);
        const Score plain = score(dir, QStringLiteral("v%1s").arg(index), spoken, words, false);
        auto column = [](const Score& s) {
            return s.right < 0 ? QStringLiteral("failed") : QStringLiteral("%1/30").arg(s.right);
        };
        std::printf("%-34s %9s %10s  %s\n", qPrintable(candidate.label), qPrintable(column(room)),
                    qPrintable(column(plain)), qPrintable(room.missed.join(QStringLiteral(", "))));
        std::fflush(stdout);
    }
    return 0;
}
