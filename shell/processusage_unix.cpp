#include "processusage.h"

#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

qint64 ProcessUsage::threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

qint64 ProcessUsage::processBytes()
{
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
}
