// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the speech tests share: a journal of the worker's reports, and waits that do not
// handle events, as the screens that poll SpeakingNow do.

#include "speech/engine_speech_service.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QStringList>
#include <QThread>

#include <vector>

namespace speech_tests {

// Records what the worker did, from its own thread.
struct Journal
{
    struct Entry
    {
        EngineSpeechService::Event event;
        QString owner;
        QString text;
        bool sink;
        qint64 when;
    };

    void attach(EngineSpeechService& service)
    {
        service.setObserver([this](EngineSpeechService::Event event, const QString& owner, const QString& text,
                                   bool sink, qint64 when) {
            QMutexLocker lock(&mutex);
            entries.push_back({event, owner, text, sink, when});
        });
    }

    QStringList texts(EngineSpeechService::Event event, const QString& owner = QString())
    {
        QMutexLocker lock(&mutex);
        QStringList result;
        for (const Entry& e : entries)
            if (e.event == event && (owner.isEmpty() || e.owner == owner))
                result << e.text;
        return result;
    }

    // [first audio, end] of each text heard or stopped, in the order they began.
    std::vector<std::pair<qint64, qint64>> spans()
    {
        QMutexLocker lock(&mutex);
        std::vector<std::pair<qint64, qint64>> result;
        for (const Entry& e : entries) {
            if (e.event == EngineSpeechService::Event::FirstAudio)
                result.push_back({e.when, -1});
            else if (!result.empty() && result.back().second < 0)
                result.back().second = e.when;
        }
        return result;
    }

    bool usedSink()
    {
        QMutexLocker lock(&mutex);
        for (const Entry& e : entries)
            if (e.sink)
                return true;
        return false;
    }

    QMutex mutex;
    std::vector<Entry> entries;
};

// Polls like the screens that wait for silence: no event processing at all. Returns the
// milliseconds it took, or -1 when still speaking after limitMs.
inline qint64 pollUntilSilent(const SpeechChannel& channel, qint64 limitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (channel.speakingNow()) {
        if (timer.elapsed() > limitMs)
            return -1;
    }
    return timer.elapsed();
}

// Waits (sleeping, not handling events) until a condition holds.
template <typename F>
bool waitUntil(F condition, int limitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs)
            return false;
        QThread::msleep(5);
    }
    return true;
}

} // namespace speech_tests
