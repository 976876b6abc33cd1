// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/speech_cache.h"

#include "files/trust.h"
#include "speech/speech_engines.h"
#include "speech/speech_log.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace speech {

namespace {

// Raise it when the samples the program makes from the same engine output change (trimming,
// the output rate): older entries then no longer match and are made again.
constexpr const char* KeyFormat = "munchora speech 1";
constexpr char Magic[8] = {'M', 'N', 'C', 'H', 'S', 'P', 'K', '1'};
// Longer than anything the program says; a header that claims more is corrupt.
constexpr quint64 MostSamples = quint64(OutputRate) * 120;

struct Header
{
    char magic[8];
    quint32 keyBytes;
    quint32 sampleRate;
    quint64 sampleCount;
    quint64 checksum;
};
static_assert(sizeof(Header) == 32);

// FNV-1a, 64 bits: cheap, and any flipped or lost byte changes it.
quint64 checksumOf(const QByteArray& key, const int16_t* samples, size_t count)
{
    quint64 hash = 1469598103934665603ULL;
    auto mix = [&hash](const unsigned char* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            hash ^= data[i];
            hash *= 1099511628211ULL;
        }
    };
    mix(reinterpret_cast<const unsigned char*>(key.constData()), size_t(key.size()));
    mix(reinterpret_cast<const unsigned char*>(samples), count * sizeof(int16_t));
    return hash;
}

qint64 bytesOf(const std::vector<int16_t>& samples)
{
    return qint64(samples.size() * sizeof(int16_t));
}

} // namespace

SpeechCache::SpeechCache(Folders folders) : folders_(std::move(folders))
{
    QStringList readable;
    for (const QString& folder : std::as_const(folders_.shared)) {
        files::Trust why;
        const QString real = files::trustedFolder(folder, &why);
        if (!real.isEmpty())
            readable << real;
        else
            qCWarning(lcSpeech).noquote()
                << "the shared speech folder" << folder << "is not read:" << files::describe(why)
                << "- the speech is made here instead";
    }
    folders_.shared = readable;
}

SpeechCache::Folders SpeechCache::programFolders()
{
    Folders folders;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        folders.own = cache + QStringLiteral("/munchora/speech");
    QString shared = qEnvironmentVariable("MUNCHORA_SHARED_SPEECH");
    if (shared.isEmpty())
        shared = QStringLiteral("/var/cache/munchora/speech");
    if (QFileInfo(shared).isDir() && QFileInfo(shared).absoluteFilePath() != QFileInfo(folders.own).absoluteFilePath())
        folders.shared << shared;
    return folders;
}

QByteArray SpeechCache::keyFor(const CatalogueVoice& voice, int velocita, const QString& text)
{
    QByteArray key(KeyFormat);
    key += '\n';
    key += engineIdentity(voice);
    key += "\nvoice " + QByteArray(voice.engineVoice) + ' ' + QByteArray::number(voice.pace, 'g', 10) + ' '
        + QByteArray::number(voice.pitch) + ' ' + QByteArray::number(voice.range);
    key += "\nrate " + QByteArray::number(OutputRate) + " speed " + QByteArray::number(std::clamp(velocita, 50, 200));
    key += "\ntext " + text.toUtf8();
    return key;
}

QString SpeechCache::entryPath(const QString& folder, const QByteArray& key)
{
    return folder + QLatin1Char('/')
        + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex()) + QStringLiteral(".pcm");
}

bool SpeechCache::readEntry(const QString& path, const QByteArray& key, std::vector<int16_t>& samples, bool trustedOnly)
{
    // Only a plain file, judged as opened: a pipe left in its place would wait for ever, and a
    // link could point anywhere.
    struct stat st;
    const int fd = files::openPlainFile(path, &st);
    if (fd < 0)
        return false;
    if (const files::Trust why = files::judge(st); trustedOnly && !why.trusted()) {
        static bool told = false; // once: a planted folder may hold many
        if (!std::exchange(told, true))
            qCWarning(lcSpeech).noquote()
                << "a shared speech entry is not read:" << files::describe(why) << "-" << path;
        ::close(fd);
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    Header header;
    if (file.read(reinterpret_cast<char*>(&header), sizeof header) != qint64(sizeof header))
        return false;
    if (std::memcmp(header.magic, Magic, sizeof Magic) != 0 || header.sampleRate != quint32(OutputRate)
        || header.keyBytes != quint32(key.size()) || header.sampleCount > MostSamples)
        return false;
    // Truncated or grown: the sizes must add up exactly.
    if (file.size() != qint64(sizeof header) + qint64(header.keyBytes) + qint64(header.sampleCount) * 2)
        return false;
    if (file.read(header.keyBytes) != key)
        return false;
    std::vector<int16_t> read(size_t(header.sampleCount));
    const qint64 bytes = qint64(read.size() * sizeof(int16_t));
    if (file.read(reinterpret_cast<char*>(read.data()), bytes) != bytes)
        return false;
    if (checksumOf(key, read.data(), read.size()) != header.checksum)
        return false;
    samples = std::move(read);
    return true;
}

bool SpeechCache::writeEntry(const QString& path, const QByteArray& key, const std::vector<int16_t>& samples)
{
    Header header;
    std::memcpy(header.magic, Magic, sizeof Magic);
    header.keyBytes = quint32(key.size());
    header.sampleRate = quint32(OutputRate);
    header.sampleCount = samples.size();
    header.checksum = checksumOf(key, samples.data(), samples.size());
    // A temporary file renamed over the entry: a reader sees the old file or the new, whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const qint64 bytes = bytesOf(samples);
    if (file.write(reinterpret_cast<const char*>(&header), sizeof header) != qint64(sizeof header)
        || file.write(key) != key.size() || file.write(reinterpret_cast<const char*>(samples.data()), bytes) != bytes) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::shared_ptr<const std::vector<int16_t>> SpeechCache::find(const QByteArray& key)
{
    if (auto it = index_.find(key); it != index_.end()) {
        recent_.splice(recent_.begin(), recent_, it.value());
        ++memoryHits_;
        return it.value()->samples;
    }
    QStringList folders = folders_.shared;
    if (!folders_.own.isEmpty())
        folders << folders_.own;
    for (const QString& folder : std::as_const(folders)) {
        auto samples = std::make_shared<std::vector<int16_t>>();
        if (readEntry(entryPath(folder, key), key, *samples, folder != folders_.own)) {
            ++diskReads_;
            remember(key, samples);
            return samples;
        }
    }
    return nullptr;
}

void SpeechCache::store(const QByteArray& key, const std::vector<int16_t>& samples)
{
    if (samples.empty())
        return;
    remember(key, std::make_shared<const std::vector<int16_t>>(samples));
    if (folders_.own.isEmpty() || !ownWritable_)
        return;
    if (!QDir().mkpath(folders_.own) || !writeEntry(entryPath(folders_.own, key), key, samples)) {
        // A full disk or a folder that cannot be written: speech goes on, made each time.
        qCInfo(lcSpeech) << "the speech cache" << folders_.own << "cannot be written: texts are made each time";
        ownWritable_ = false;
        return;
    }
    writeOrder_.insert(QFileInfo(entryPath(folders_.own, key)).fileName(), ++writes_);
    if (ownBytes_ >= 0)
        ownBytes_ += qint64(sizeof(Header)) + key.size() + bytesOf(samples);
    trimOwn();
}

void SpeechCache::remember(const QByteArray& key, std::shared_ptr<const std::vector<int16_t>> samples)
{
    const qint64 bytes = bytesOf(*samples);
    if (bytes > folders_.memoryLimit)
        return;
    if (auto it = index_.find(key); it != index_.end()) {
        memoryBytes_ -= bytesOf(*it.value()->samples);
        recent_.erase(it.value());
        index_.erase(it);
    }
    recent_.push_front({key, std::move(samples)});
    index_.insert(key, recent_.begin());
    memoryBytes_ += bytes;
    while (memoryBytes_ > folders_.memoryLimit) {
        memoryBytes_ -= bytesOf(*recent_.back().samples);
        index_.remove(recent_.back().key);
        recent_.pop_back();
    }
}

void SpeechCache::trimOwn()
{
    if (ownBytes_ >= 0 && ownBytes_ <= folders_.ownLimit)
        return;
    // Counted once, and again whenever it is over the limit: other copies write here too.
    QFileInfoList entries = QDir(folders_.own).entryInfoList({QStringLiteral("*.pcm")}, QDir::Files);
    qint64 total = 0;
    for (const QFileInfo& entry : std::as_const(entries))
        total += entry.size();
    if (total > folders_.ownLimit) {
        // Oldest first. File times may not tell apart entries of one second: those this cache
        // wrote go in the order it wrote them, after any other copy's.
        const auto age = [this](const QFileInfo& entry) {
            return std::pair(entry.lastModified().toSecsSinceEpoch(), writeOrder_.value(entry.fileName()));
        };
        std::sort(entries.begin(), entries.end(),
                  [&age](const QFileInfo& a, const QFileInfo& b) { return age(a) < age(b); });
        // Down to three quarters, so the next few texts do not trim again.
        for (const QFileInfo& entry : std::as_const(entries)) {
            if (total <= folders_.ownLimit / 4 * 3)
                break;
            if (QFile::remove(entry.absoluteFilePath()))
                total -= entry.size();
        }
    }
    ownBytes_ = total;
}

} // namespace speech
