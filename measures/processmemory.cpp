#include "processmemory.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>
#endif

#include <chrono>

namespace {

#ifdef Q_OS_WIN
PROCESS_MEMORY_COUNTERS counters()
{
    PROCESS_MEMORY_COUNTERS memory{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
        return PROCESS_MEMORY_COUNTERS{};
    return memory;
}
#else
qint64 statusKb(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    // Lines such as "VmRSS:     51234 kB".
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).simplified().split(' ').value(0).toLongLong();
    }
    return 0;
}
#endif

} // namespace

namespace ProcessMemory {

#ifdef Q_OS_WIN
qint64 residentKb()
{
    return qint64(counters().WorkingSetSize / 1024);
}

qint64 peakResidentKb()
{
    return qint64(counters().PeakWorkingSetSize / 1024);
}

bool resetPeak()
{
    return false;
}

PeakWatch::PeakWatch()
    : started(true),
      systemPeakBefore(peakResidentKb()),
      sampledKb(residentKb())
{
    sampler = std::thread([this] {
        while (!done) {
            const qint64 now = residentKb();
            if (now > sampledKb)
                sampledKb = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

PeakWatch::~PeakWatch()
{
    done = true;
    if (sampler.joinable())
        sampler.join();
}

qint64 PeakWatch::peakKb()
{
    done = true;
    if (sampler.joinable())
        sampler.join();
    const qint64 systemPeak = peakResidentKb();
    return systemPeak > systemPeakBefore ? qMax(systemPeak, sampledKb.load()) : sampledKb.load();
}
#else
qint64 residentKb()
{
    return statusKb("VmRSS");
}

qint64 peakResidentKb()
{
    return statusKb("VmHWM");
}

bool resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

PeakWatch::PeakWatch()
    : started(resetPeak())
{
}

qint64 PeakWatch::peakKb()
{
    return peakResidentKb();
}
#endif

} // namespace ProcessMemory
