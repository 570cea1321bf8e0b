#include "jpegscans.h"

#include <cstring>

namespace {

qint64 bigEndian16(const uchar *p)
{
    return (qint64(p[0]) << 8) | p[1];
}

qint64 roundUp(qint64 value, qint64 by)
{
    return (value + by - 1) / by;
}

bool isFrameMarker(uchar marker)
{
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

} // namespace

JpegScans::JpegScans(const char *data, qint64 size)
    : bytes(reinterpret_cast<const uchar *>(data)),
      size(size)
{
}

qint64 JpegScans::workLimit() const
{
    return WorkMultiple * (HonestPerBlock * frameBlocks + HonestScans * ScanSetup);
}

void JpegScans::readFrame(uchar marker, qint64 offset, qint64 length)
{
    // libjpeg reads one frame; a second is its error, not more work.
    if (componentCount != 0 || length < 8 || offset + 2 + length > size)
        return;
    const uchar *segment = bytes + offset + 4;
    const int count = segment[5];
    if (count < 1 || count > 4 || length < 8 + 3 * count)
        return;
    progressive = marker == 0xc2 || marker == 0xc6 || marker == 0xca || marker == 0xce;
    height = bigEndian16(segment + 1);
    width = bigEndian16(segment + 3);
    componentCount = count;
    for (int i = 0; i < count; ++i) {
        ids[i] = segment[6 + 3 * i];
        horizontal[i] = qBound(1, segment[7 + 3 * i] >> 4, 4);
        vertical[i] = qBound(1, segment[7 + 3 * i] & 15, 4);
        maxHorizontal = qMax(maxHorizontal, horizontal[i]);
        maxVertical = qMax(maxVertical, vertical[i]);
    }
    // Whole MCUs, as an interleaved scan covers them.
    const qint64 mcus = roundUp(width, qint64(8) * maxHorizontal) * roundUp(height, qint64(8) * maxVertical);
    for (int i = 0; i < count; ++i)
        frameBlocks += mcus * horizontal[i] * vertical[i];
}

qint64 JpegScans::scanWork(qint64 offset) const
{
    if (offset + 5 > size)
        return 0;
    const int inScan = bytes[offset + 4];
    int found[4] = {};
    int foundCount = 0;
    // Each of the scan's components once, however the ids repeat.
    for (qint64 i = 0; i < inScan && i < 4 && offset + 5 + 2 * i < size; ++i) {
        for (int c = 0; c < componentCount; ++c) {
            if (ids[c] == bytes[offset + 5 + 2 * i]) {
                found[foundCount++] = c;
                break;
            }
        }
    }
    // A sequential scan decodes whole blocks whatever its header says.
    const qint64 bandAt = offset + 5 + 2 * qint64(inScan);
    qint64 band = 64;
    if (progressive && bandAt + 1 < size)
        band = qBound<qint64>(1, qint64(bytes[bandAt + 1]) - bytes[bandAt] + 1, 64);
    const qint64 perBlock = qMax(band, MinVisit);
    if (foundCount == 1) {
        // A scan of one component covers its own blocks, not whole MCUs.
        const int c = found[0];
        const qint64 columns = roundUp(roundUp(width * horizontal[c], maxHorizontal), 8);
        const qint64 rows = roundUp(roundUp(height * vertical[c], maxVertical), 8);
        return columns * rows * perBlock;
    }
    qint64 perMcu = 0;
    for (int i = 0; i < foundCount; ++i)
        perMcu += qint64(horizontal[found[i]]) * vertical[found[i]];
    return roundUp(width, qint64(8) * maxHorizontal) * roundUp(height, qint64(8) * maxVertical) * perMcu * perBlock;
}

qint64 JpegScans::readableUpTo(qint64 end)
{
    while (!ended && !stop && at < end) {
        const auto *mark = static_cast<const uchar *>(std::memchr(bytes + at, 0xff, size_t(size - at)));
        if (!mark || mark + 1 >= bytes + size) {
            ended = true;
            break;
        }
        at = mark - bytes;
        const uchar marker = bytes[at + 1];
        if (marker == 0xff) {
            ++at; // fill
            continue;
        }
        // In a scan's data: a stuffed 0xff, or a restart marker.
        if (marker == 0x00 || (marker >= 0xd0 && marker <= 0xd7) || marker == 0x01 || marker == 0xd8) {
            at += 2;
            continue;
        }
        if (marker == 0xd9) {
            ended = true;
            break;
        }
        if (at + 4 > size) {
            ended = true;
            break;
        }
        const qint64 length = qMax<qint64>(bigEndian16(bytes + at + 2), 2);
        if (isFrameMarker(marker)) {
            readFrame(marker, at, length);
        } else if (marker == 0xda) {
            const qint64 cost = scanWork(at) + ScanSetup;
            if (workDone + cost > workLimit()) {
                stop = true;
                return at;
            }
            workDone += cost;
            ++scanCount;
        }
        // libjpeg reads on after a length below 2 as if it were 2.
        at += 2 + length;
    }
    return end;
}
