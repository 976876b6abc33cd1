// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/stall_meter.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QMetaEnum>
#include <QThread>
#include <QTimer>

#include <ctime>
#include <sys/resource.h>

namespace {

StallMeter* theMeter = nullptr;

} // namespace

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void runEventLoopFor(int ms)
{
    // An event loop of its own, which sleeps in the dispatcher as the program's loop does
    // (QTest::qWait sleeps beside it).
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

StallMeter::StallMeter()
{
    clock_.start();
    theMeter = this;
    QInternal::registerCallback(QInternal::EventNotifyCallback, &StallMeter::onNotify);
    // Going to sleep in any event loop, nested ones included, ends the piece of work.
    sleeping_ = QObject::connect(
        QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread()),
        &QAbstractEventDispatcher::aboutToBlock, QCoreApplication::instance(),
        [] {
            if (theMeter)
                theMeter->close("sleep");
        },
        Qt::DirectConnection);
}

StallMeter::~StallMeter()
{
    QInternal::unregisterCallback(QInternal::EventNotifyCallback, &StallMeter::onNotify);
    QObject::disconnect(sleeping_);
    theMeter = nullptr;
}

bool StallMeter::onNotify(void** data)
{
    if (theMeter && QThread::currentThread() == QCoreApplication::instance()->thread())
        theMeter->beat(static_cast<QObject*>(data[0]), static_cast<QEvent*>(data[1]));
    return false; // the event goes on as usual
}

namespace {
qint64 threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// How often this thread gave up the processor to wait (a lock, the disk), and how often it
// was pushed off it by other work.
std::pair<long, long> threadSwitches()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return {usage.ru_nvcsw, usage.ru_nivcsw};
}
} // namespace

void StallMeter::beat(QObject* receiver, QEvent* event)
{
    ++beats_;
    const qint64 now = clock_.nsecsElapsed();
    if (counting_ && now - since_ > longestNs_)
        close("beat");
    counting_ = true;
    since_ = now;
    sinceCpu_ = threadCpuNs();
    sinceSwitches_ = threadSwitches();
    lastClass_ = receiver ? receiver->metaObject()->className() : "?";
    lastType_ = event ? int(event->type()) : 0;
}

void StallMeter::close(const char*)
{
    if (!counting_)
        return;
    const qint64 gap = clock_.nsecsElapsed() - since_;
    counting_ = false;
    if (gap <= longestNs_)
        return;
    longestNs_ = gap;
    longestCpuNs_ = threadCpuNs() - sinceCpu_;
    const auto [waits, preempted] = threadSwitches();
    const char* type = QMetaEnum::fromType<QEvent::Type>().valueToKey(lastType_);
    longestWhere_ = place_ + QStringLiteral(": ") + QLatin1String(lastClass_ ? lastClass_ : "(driver)")
        + QLatin1Char(' ') + (type ? QLatin1String(type) : QString::number(lastType_))
        + QStringLiteral("; it waited %1 times, was pushed off the processor %2 times")
              .arg(waits - sinceSwitches_.first)
              .arg(preempted - sinceSwitches_.second);
}

void StallMeter::resume()
{
    counting_ = true;
    since_ = clock_.nsecsElapsed();
    sinceCpu_ = threadCpuNs();
    sinceSwitches_ = threadSwitches();
    lastClass_ = nullptr;
    lastType_ = 0;
}

void StallMeter::pause()
{
    close("pause");
}
