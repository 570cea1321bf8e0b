#include "processusage.h"

#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

qint64 ProcessUsage::threadCpuNs()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    const auto ns
        = [](const FILETIME &time) { return ((qint64(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 100; };
    return ns(kernel) + ns(user);
}

qint64 ProcessUsage::processBytes()
{
    // The memory committed to the process: PrivateUsage on Windows, and also
    // under Wine, which leaves PrivateUsage at 0.
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return qint64(counters.PagefileUsage);
}
