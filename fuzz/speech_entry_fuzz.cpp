// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the speech cache's reader: any bytes in an entry's place (a shared folder's
// files come from outside). An entry is refused or read whole, never a crash or a hang; what is
// read adds up to the file exactly, and nothing is allocated beyond the file's size (run with
// -malloc_limit_mb, see README.md).
#include "speech/speech_cache.h"
#include "speech/speech_engines.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

// The key of a real text; the fuzzer finds its bytes in the seed entry.
const QByteArray& theKey()
{
    static const QByteArray key = speech::SpeechCache::keyFor(speech::voiceCatalogue()[0], 135,
                                                              QStringLiteral("cheese"));
    return key;
}

} // namespace

// MUNCHORA_FUZZ_SEED=FILE writes a whole entry of 200 samples there first, to seed the corpus.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const QString seed = qEnvironmentVariable("MUNCHORA_FUZZ_SEED");
    if (!seed.isEmpty()) {
        std::vector<int16_t> samples(200);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = int16_t(int(i * 997 % 4000) - 2000);
        speech::SpeechCache::writeEntry(seed, theKey(), samples);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray& key = theKey();
    static const QString path = [] {
        const QString folder = QDir::tempPath() + QStringLiteral("/munchora-fuzz-%1").arg(getpid());
        QDir().mkpath(folder);
        return folder + QStringLiteral("/entry.pcm");
    }();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    std::vector<int16_t> samples;
    if (speech::SpeechCache::readEntry(path, key, samples, true)
        && 32 + size_t(key.size()) + samples.size() * 2 != size) {
        std::fprintf(stderr, "speech cache reader: %zu samples read from %zu bytes\n", samples.size(), size);
        std::abort();
    }
    return 0;
}
