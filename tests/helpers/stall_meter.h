// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How long the user-interface thread goes without turning its event loop, for the monkey and
// the soak; and the process's resident memory, which both watch.

#include <QElapsedTimer>
#include <QMetaObject>
#include <QString>

#include <utility>

class QEvent;
class QObject;

// This process's resident memory (VmRSS) in kB; -1 when it cannot be read.
long residentKb();

// Runs the event loop for ms milliseconds; the thread sleeps in it when there is nothing to do.
void runEventLoopFor(int ms);

// The longest time the user-interface thread spent on one piece of work before it went on
// to the next event or back to waiting. Time the thread sleeps waiting for something to do
// is not counted, nor time the driver (the monkey itself) spends between its events: only
// what lies between pause() and resume() is left out.
class StallMeter
{
public:
    StallMeter();
    ~StallMeter();
    StallMeter(const StallMeter&) = delete;
    StallMeter& operator=(const StallMeter&) = delete;

    // The driver hands the thread to the program...
    void resume();
    // ... and takes it back.
    void pause();

    qint64 longestNs() const { return longestNs_; }
    // Of the longest stall, the time the thread was on the processor (the rest it was waiting:
    // for a lock, for the disk, or for a processor on a busy machine).
    qint64 longestCpuNs() const { return longestCpuNs_; }
    // What the thread was doing when the longest stall began ("FormMenu: PictureButton MouseButtonRelease").
    QString longestWhere() const { return longestWhere_; }
    qint64 beats() const { return beats_; }
    // Where the stall is attributed to: the name of the screen in front.
    void setPlace(const QString& place) { place_ = place; }

private:
    static bool onNotify(void** data);
    void beat(QObject* receiver, QEvent* event);
    void close(const char* why);

    QElapsedTimer clock_;
    QMetaObject::Connection sleeping_;
    bool counting_ = false;
    qint64 since_ = 0;
    qint64 longestNs_ = 0;
    qint64 sinceCpu_ = 0;
    std::pair<long, long> sinceSwitches_{0, 0};
    qint64 longestCpuNs_ = 0;
    QString longestWhere_;
    QString place_;
    const char* lastClass_ = nullptr;
    int lastType_ = 0;
    qint64 beats_ = 0;
};
