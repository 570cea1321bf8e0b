#include "pictureinput.h"

#include "jpegscans.h"
#include "picturewarnings.h"
#include "processusage.h"

#include <cstring>

namespace {

constexpr qint64 MemoryEveryNs = 4000000;

} // namespace

PictureInput::PictureInput(const char *data, qint64 size, qint64 growthBytes, qint64 backstopNs, JpegScans *scans,
                           const PictureWarnings *warnings)
    : bytesAt(data),
      bytes(size),
      growthLimit(growthBytes),
      backstopNs(backstopNs),
      cpuStartNs(ProcessUsage::threadCpuNs()),
      scans(scans),
      warnings(warnings),
      memoryStart(ProcessUsage::processBytes())
{
    clock.start();
}

bool PictureInput::overBudget()
{
    if (stop != NotStopped)
        return true;
    if (warnings && warnings->count() > MaxWarnings) {
        stop = Warnings;
        return true;
    }
    if (ProcessUsage::threadCpuNs() - cpuStartNs > backstopNs) {
        stop = Time;
        return true;
    }
    const qint64 now = clock.nsecsElapsed();
    if (now < nextMemoryCheckNs)
        return false;
    if (ProcessUsage::processBytes() - memoryStart > growthLimit) {
        stop = Memory;
        return true;
    }
    nextMemoryCheckNs = now + MemoryEveryNs;
    return false;
}

qint64 PictureInput::readData(char *data, qint64 maxSize)
{
    if (overBudget())
        return -1;
    const qint64 at = pos();
    qint64 count = qBound<qint64>(0, maxSize, bytes - at);
    if (scans) {
        const qint64 readable = scans->readableUpTo(at + count);
        if (scans->stopped()) {
            // The decoder never sees the scan that would pass the limit.
            stop = Work;
            bytes = qMax(at, readable);
            count = bytes - at;
        }
    }
    if (count == 0 && at < bytes)
        return -1;
    std::memcpy(data, bytesAt + at, size_t(count));
    return count;
}
