#ifndef JPEGSCANS_H
#define JPEGSCANS_H

#include <QtGlobal>

// Follows a JPEG's markers as its bytes go to the decoder, and counts the work
// of each scan in coefficients: for every block the scan visits, the
// coefficients of its band (at least MinVisit: a visit costs its loop even
// when the band is one coefficient), and the scan's setting up. The count is
// the same on every machine, so the verdict on a file is too.
//
// libjpeg's standard progressive script (ten scans) visits a luma block for
// 191 coefficients and a chroma block for 128; a sequential file 64 each. A
// file's scans may do WorkMultiple times what that script does for its frame:
// the scan that would pass it is never handed to the decoder, which then ends
// the picture as if the file ended there.
class JpegScans
{
public:
    static constexpr qint64 HonestPerBlock = 192;
    static constexpr qint64 HonestScans = 10;
    static constexpr qint64 MinVisit = 4;
    // A scan costs its setting up whatever its size (its tables, its pass over
    // the components): counted as this many coefficients.
    static constexpr qint64 ScanSetup = 4096;
    static constexpr qint64 WorkMultiple = 4;

    // data stays the caller's, and must outlive this.
    JpegScans(const char *data, qint64 size);

    // How far the decoder may read when it asks for bytes up to end: end, or
    // the offset of the first scan header whose work would pass the limit.
    qint64 readableUpTo(qint64 end);

    bool stopped() const { return stop; }
    int scans() const { return scanCount; }
    qint64 work() const { return workDone; }
    // What the frame's scans may do, in coefficients, from its header (before
    // it, a few scans' worth).
    qint64 workLimit() const;

private:
    void readFrame(uchar marker, qint64 offset, qint64 length);
    qint64 scanWork(qint64 offset) const;

    const uchar *bytes;
    qint64 size;
    qint64 at = 2;
    bool ended = false;
    bool stop = false;
    bool progressive = false;
    int componentCount = 0;
    int ids[4] = {};
    int horizontal[4] = {};
    int vertical[4] = {};
    int maxHorizontal = 1;
    int maxVertical = 1;
    qint64 width = 0;
    qint64 height = 0;
    qint64 frameBlocks = 0;
    qint64 workDone = 0;
    int scanCount = 0;
};

#endif
