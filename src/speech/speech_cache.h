// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Synthesised speech kept for the next time: the program says a closed set of texts (titles,
// thirty words, their sentences, the feedback), so a text is made once per voice and speed and
// then read back. Three places, looked in in this order:
//   memory   - the texts said lately, bounded in bytes, oldest out first;
//   shared   - read-only folders filled once for a whole classroom (munchora --prepare-speech),
//              trusted only as OpenSSH trusts its files: the folder, each folder above it and
//              each entry belong to root or to this user and cannot be written by group or
//              others, a sticky folder above excepted (what one pupil could plant there, every
//              pupil would hear);
//   own      - the user's cache folder, bounded in bytes, oldest files out first.
// An entry names everything that shaped its sound (engine and its version, voice, speed, the
// exact text); one that is truncated, corrupt, of another key or unreadable is never played.
// Files are written whole or not at all, so copies filling one folder at once see whole entries.
// Used by one thread at a time (the speech worker, or the preparing command).

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

namespace speech {

struct CatalogueVoice;

class SpeechCache
{
public:
    struct Folders
    {
        QString own;        // written and trimmed; empty: none
        QStringList shared; // only read
        qint64 ownLimit = 96LL << 20;
        qint64 memoryLimit = 2LL << 20;
    };

    explicit SpeechCache(Folders folders);

    // The program's folders: $XDG_CACHE_HOME/munchora/speech, and the shared folder
    // (MUNCHORA_SHARED_SPEECH, else /var/cache/munchora/speech) when it exists.
    static Folders programFolders();

    // Everything that changes the sound of text, as one key.
    static QByteArray keyFor(const CatalogueVoice& voice, int velocita, const QString& text);

    // The samples kept for key, or null.
    std::shared_ptr<const std::vector<int16_t>> find(const QByteArray& key);
    // Keeps samples for key in memory and in the own folder (when it can be written).
    void store(const QByteArray& key, const std::vector<int16_t>& samples);

    // One entry's file in a folder, and reading and writing it. write is atomic.
    static QString entryPath(const QString& folder, const QByteArray& key);
    // With trustedOnly, an entry another user could have written is refused.
    static bool readEntry(const QString& path, const QByteArray& key, std::vector<int16_t>& samples,
                          bool trustedOnly = false);
    static bool writeEntry(const QString& path, const QByteArray& key, const std::vector<int16_t>& samples);

    // For tests and benchmarks.
    int diskReads() const { return diskReads_; }
    int memoryHits() const { return memoryHits_; }

private:
    void remember(const QByteArray& key, std::shared_ptr<const std::vector<int16_t>> samples);
    void trimOwn();

    Folders folders_;
    bool ownWritable_ = true;
    qint64 ownBytes_ = -1;               // -1: not counted yet
    QHash<QString, quint64> writeOrder_; // own entries by file name: the order they were written
    quint64 writes_ = 0;
    struct Kept
    {
        QByteArray key;
        std::shared_ptr<const std::vector<int16_t>> samples;
    };
    std::list<Kept> recent_; // most recent first
    QHash<QByteArray, std::list<Kept>::iterator> index_;
    qint64 memoryBytes_ = 0;
    int diskReads_ = 0;
    int memoryHits_ = 0;
};

} // namespace speech
