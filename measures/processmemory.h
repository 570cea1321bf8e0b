#ifndef PROCESSMEMORY_H
#define PROCESSMEMORY_H

#include <QtGlobal>

// What this process holds in memory, as Linux counts it (/proc/self/status).
namespace ProcessMemory {

// Resident memory now, in KiB; 0 where it cannot be read.
qint64 residentKb();

// The most resident memory since the process began, or since resetPeak().
qint64 peakResidentKb();

// Starts the peak afresh from what is resident now; false where the kernel
// does not offer it.
bool resetPeak();

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
