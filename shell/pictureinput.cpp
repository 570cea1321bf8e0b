#include "pictureinput.h"

#include <cstdlib>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>
#else
#include <fcntl.h>
#include <time.h>
#include <unistd.h>
#endif

namespace {

// Memory is asked at most this often, on the clock.
constexpr qint64 MemoryEveryNs = 4000000;
// A sound picture draws a warning or two; a storm is stopped here.
constexpr int MaxWarnings = 32;

} // namespace

PictureInput::PictureInput(const char *data, qint64 size, qint64 cpuNs, qint64 growthBytes, qint64 readBytes)
    : bytesAt(data),
      bytes(size),
      cpuLimitNs(cpuNs),
      growthLimit(growthBytes),
      readLimit(readBytes),
      cpuStartNs(threadCpuNs()),
      memoryStart(processBytes())
{
    clock.start();
}

qint64 PictureInput::threadCpuNs()
{
#ifdef Q_OS_WIN
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    const auto ns
        = [](const FILETIME &time) { return ((qint64(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 100; };
    return ns(kernel) + ns(user);
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
#endif
}

qint64 PictureInput::processBytes()
{
#ifdef Q_OS_WIN
    // The memory committed to the process: PrivateUsage on Windows, and also
    // under Wine, which leaves PrivateUsage at 0.
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return qint64(counters.PagefileUsage);
#else
    // The second field of statm: resident pages.
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[128] = {};
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0)
        return 0;
    const char *resident = std::strchr(text, ' ');
    return resident ? qint64(std::strtoll(resident + 1, nullptr, 10)) * sysconf(_SC_PAGESIZE) : 0;
#endif
}

void PictureInput::warned()
{
    if (++warningCount > MaxWarnings && stop == NotStopped)
        stop = Warnings;
}

bool PictureInput::overBudget()
{
    if (stop != NotStopped)
        return true;
    const qint64 now = clock.nsecsElapsed();
    if (now < nextCheckNs)
        return false;
    const qint64 used = threadCpuNs() - cpuStartNs;
    if (used >= cpuLimitNs) {
        stop = Time;
        return true;
    }
    if (processBytes() - memoryStart > growthLimit) {
        stop = Memory;
        return true;
    }
    nextCheckNs = now + qMin(cpuLimitNs - used, MemoryEveryNs);
    return false;
}

qint64 PictureInput::readData(char *data, qint64 maxSize)
{
    if (overBudget())
        return -1;
    const qint64 at = pos();
    qint64 count = qBound<qint64>(0, qMin(maxSize, readLimit), bytes - at);
    while (nextChunk >= 0 && nextChunk < at + count && nextChunk + 4 <= bytes) {
        const auto *length = reinterpret_cast<const uchar *>(bytesAt + nextChunk);
        const qint64 chunkBytes
            = 12 + ((qint64(length[0]) << 24) | (qint64(length[1]) << 16) | (qint64(length[2]) << 8) | length[3]);
        if (chunkBytes > 12 && nextChunk + chunkBytes > bytes) {
            count = qMax<qint64>(0, nextChunk - at);
            nextChunk = -1;
            bytes = at + count;
            break;
        }
        nextChunk += chunkBytes;
    }
    if (count == 0 && at < bytes)
        return -1;
    std::memcpy(data, bytesAt + at, size_t(count));
    return count;
}
