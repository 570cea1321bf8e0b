#ifndef PROCESSMEMORY_H
#define PROCESSMEMORY_H

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <atomic>
#include <thread>
#endif

// What this process holds in memory: resident, as Linux counts it
// (/proc/self/status), or its working set on Windows.
namespace ProcessMemory {

// Resident memory now, in KiB; 0 where it cannot be read.
qint64 residentKb();

// The most resident memory since the process began, or since resetPeak().
qint64 peakResidentKb();

// Starts the peak afresh from what is resident now; false where the system
// does not offer it (Windows).
bool resetPeak();

// The most memory resident from its construction until peakKb(). Linux
// restarts its own peak; Windows keeps one for the process's whole life, so
// there a thread samples the working set every millisecond meanwhile, and
// the system's peak counts when it rose past where it stood.
class PeakWatch
{
public:
    PeakWatch();
#ifdef Q_OS_WIN
    ~PeakWatch();
#else
    ~PeakWatch() = default;
#endif
    PeakWatch(const PeakWatch &) = delete;
    PeakWatch &operator=(const PeakWatch &) = delete;

    // False where no peak can be had.
    bool watching() const
    {
        return started;
    }
    // Ends the watch.
    qint64 peakKb();

private:
    bool started = false;
#ifdef Q_OS_WIN
    qint64 systemPeakBefore = 0;
    std::atomic<qint64> sampledKb{0};
    std::atomic<bool> done{false};
    std::thread sampler;
#endif
};

// AddressSanitizer keeps freed memory in quarantine and adds its own shadow,
// so resident figures say nothing about the guide under it.
constexpr bool underAddressSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

} // namespace ProcessMemory

#endif
