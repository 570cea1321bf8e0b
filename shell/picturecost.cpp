#include "picturecost.h"

#include <QtGlobal>

#include <cstring>

namespace {

const char PngSignature[] = "\x89PNG\r\n\x1a\n";

// Every decoded pixel is counted as four bytes (what Qt's 32-bit formats
// take), a 16-bit PNG's as eight; smooth scaling may convert it once more.
constexpr qint64 BytesPerPixel = 4;

// The most deflate can expand its input: about 1,032 to 1. libpng inflates
// no chunk beyond 8 MB.
constexpr qint64 DeflateExpansion = 1032;
constexpr qint64 MaxInflatedChunk = 8000000;

const uchar *at(const QByteArray &bytes, qint64 offset)
{
    return reinterpret_cast<const uchar *>(bytes.constData()) + offset;
}

quint32 bigEndian(const uchar *p, int length)
{
    quint32 value = 0;
    for (int i = 0; i < length; ++i)
        value = (value << 8) | p[i];
    return value;
}

QString megabytes(qint64 bytes)
{
    return QString::number((bytes + (1 << 20) - 1) >> 20);
}

QString millions(qint64 count)
{
    return QString::number(double(count) / 1000000.0, 'f', 1);
}

// Judges the sum against the budgets: over them by the declared size alone,
// or by what else the file holds.
PictureCost judged(PictureCost cost, const PictureBudget &budget, qint64 pixelBytes, qint64 onePass)
{
    const QString size = QStringLiteral("%1 x %2").arg(cost.size.width()).arg(cost.size.height());
    if (pixelBytes > budget.decodeBytes) {
        cost.limit = PictureCost::Pixels;
        cost.tooMuch = QStringLiteral("declares %1, which takes %2 MB decoded, more than the %3 MB the guide allows")
                           .arg(size, megabytes(pixelBytes), megabytes(budget.decodeBytes));
    } else if (onePass > budget.jpegWork) {
        cost.limit = PictureCost::Pixels;
        cost.tooMuch = QStringLiteral("declares %1, %2 million blocks to decode, more than the %3 million the guide "
                                      "allows")
                           .arg(size, millions(onePass), millions(budget.jpegWork));
    } else if (cost.work > budget.jpegWork) {
        cost.limit = PictureCost::Work;
        cost.tooMuch = QStringLiteral("%1 in %2 scans: the work of %3 million blocks to decode, more than the %4 "
                                      "million the guide allows")
                           .arg(size)
                           .arg(cost.scans)
                           .arg(millions(cost.work), millions(budget.jpegWork));
    } else if (cost.memoryBytes > budget.decodeBytes) {
        cost.limit = PictureCost::Work;
        cost.tooMuch = QStringLiteral("%1: decoding holds %2 MB at once, more than the %3 MB the guide allows")
                           .arg(size, megabytes(cost.memoryBytes), megabytes(budget.decodeBytes));
    }
    return cost;
}

qint64 targetBytes(QSize target, QSize decoded)
{
    return target.isValid() && target != decoded ? qint64(target.width()) * target.height() * BytesPerPixel : 0;
}

// Walks the markers up to the end of the image. A progressive or multi-scan
// JPEG holds every coefficient of the picture at once and passes over them
// once per scan; a 1 MB file can hold thousands of scans.
PictureCost jpegCost(const QByteArray &bytes, QSize target, const PictureBudget &budget, PictureCost cost)
{
    struct Component
    {
        int id;
        qint64 blocks;
    };
    Component components[4] = {};
    int componentCount = 0;
    bool frame = false;
    bool progressive = false;
    const qint64 end = bytes.size();
    qint64 offset = 2;
    while (offset + 4 <= end) {
        if (*at(bytes, offset) != 0xff || *at(bytes, offset + 1) == 0xff) {
            ++offset; // a stray byte or a fill byte
            continue;
        }
        const uchar marker = *at(bytes, offset + 1);
        if (marker == 0xd9)
            break;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
            offset += 2;
            continue;
        }
        const qint64 length = bigEndian(at(bytes, offset + 2), 2);
        if (length < 2 || offset + 2 + length > end)
            break;
        const uchar *segment = at(bytes, offset + 4);
        const bool startOfFrame
            = marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (startOfFrame && !frame) {
            // Lossless and hierarchical JPEG are not read.
            if ((marker != 0xc0 && marker != 0xc1 && marker != 0xc2 && marker != 0xc9 && marker != 0xca) || length < 8)
                return cost;
            frame = true;
            progressive = marker == 0xc2 || marker == 0xca;
            cost.size = QSize(int(bigEndian(segment + 3, 2)), int(bigEndian(segment + 1, 2)));
            componentCount = segment[5];
            if (cost.size.isEmpty() || componentCount < 1 || componentCount > 4 || length < 8 + 3 * componentCount)
                return cost;
            int horizontal[4];
            int vertical[4];
            int maxHorizontal = 1;
            int maxVertical = 1;
            for (int i = 0; i < componentCount; ++i) {
                horizontal[i] = qBound(1, segment[7 + 3 * i] >> 4, 4);
                vertical[i] = qBound(1, segment[7 + 3 * i] & 15, 4);
                maxHorizontal = qMax(maxHorizontal, horizontal[i]);
                maxVertical = qMax(maxVertical, vertical[i]);
            }
            // Whole MCUs, each holding horizontal x vertical blocks of a component.
            const qint64 mcuColumns = (cost.size.width() + 8 * maxHorizontal - 1) / (8 * maxHorizontal);
            const qint64 mcuRows = (cost.size.height() + 8 * maxVertical - 1) / (8 * maxVertical);
            for (int i = 0; i < componentCount; ++i)
                components[i] = {segment[6 + 3 * i], mcuColumns * horizontal[i] * mcuRows * vertical[i]};
        } else if (marker == 0xda && frame && length > 2) {
            ++cost.scans;
            for (int i = 0; i < segment[0] && 1 + 2 * i < length - 2; ++i) {
                for (int c = 0; c < componentCount; ++c) {
                    if (components[c].id == segment[1 + 2 * i])
                        cost.blockDecodes += components[c].blocks;
                }
            }
            // The entropy-coded data runs up to the next marker.
            offset += 2 + length;
            while (offset + 1 < end) {
                const void *found = memchr(at(bytes, offset), 0xff, size_t(end - offset));
                if (!found)
                    break;
                offset = static_cast<const uchar *>(found) - at(bytes, 0);
                const uchar next = offset + 1 < end ? *at(bytes, offset + 1) : 0;
                if (next != 0x00 && !(next >= 0xd0 && next <= 0xd7))
                    break;
                offset += 2;
            }
            continue;
        }
        offset += 2 + length;
    }
    if (!frame)
        return cost;
    cost.format = "jpeg";

    qint64 blocks = 0;
    for (int i = 0; i < componentCount; ++i)
        blocks += components[i].blocks;
    const qint64 coefficients = blocks * 64 * 2;
    // The decoder scales by 1/2, 1/4 or 1/8 on the way when the target is
    // that much smaller, as Qt's JPEG reader asks it to.
    int denominator = 1;
    if (target.isValid() && !target.isEmpty()) {
        const int ratio = qMin(cost.size.width() / target.width(), cost.size.height() / target.height());
        denominator = ratio >= 8 ? 8 : ratio >= 4 ? 4 : ratio >= 2 ? 2 : 1;
    }
    const QSize decoded((cost.size.width() + denominator - 1) / denominator,
                        (cost.size.height() + denominator - 1) / denominator);
    const qint64 pixelBytes = qint64(decoded.width()) * decoded.height() * BytesPerPixel + targetBytes(target, decoded);
    cost.work = cost.blockDecodes + bytes.size() / 8;
    cost.memoryBytes = bytes.size() + pixelBytes + (progressive || cost.scans > 1 ? coefficients : 0);
    return judged(cost, budget, pixelBytes, blocks);
}

// Reads the header and walks every chunk: compressed text is inflated by the
// decoder too, up to a thousand times its size on disk.
PictureCost pngCost(const QByteArray &bytes, QSize target, const PictureBudget &budget, PictureCost cost)
{
    const qint64 end = bytes.size();
    if (end < 33 || std::memcmp(at(bytes, 12), "IHDR", 4) != 0)
        return cost;
    const quint32 width = bigEndian(at(bytes, 16), 4);
    const quint32 height = bigEndian(at(bytes, 20), 4);
    const int depth = *at(bytes, 24);
    // libpng refuses more than a million pixels a side itself.
    if (width == 0 || height == 0 || width > 1000000 || height > 1000000)
        return cost;
    cost.format = "png";
    cost.size = QSize(int(width), int(height));

    qint64 text = 0;
    // libpng reads every chunk but the image data whole into one buffer,
    // cleared first, as long as the chunk says it is: a 70-byte file can
    // claim two gigabytes.
    qint64 largestChunk = 0;
    for (qint64 offset = 8; offset + 8 <= end;) {
        const qint64 length = bigEndian(at(bytes, offset), 4);
        const char *type = reinterpret_cast<const char *>(at(bytes, offset + 4));
        const QByteArray data = bytes.mid(int(offset + 8), int(qMin<qint64>(length, 81)));
        // International text says after its keyword whether it is compressed.
        const int keywordEnd = data.indexOf('\0');
        const bool compressed = std::memcmp(type, "zTXt", 4) == 0 || std::memcmp(type, "iCCP", 4) == 0
            || (std::memcmp(type, "iTXt", 4) == 0 && keywordEnd >= 0 && keywordEnd + 1 < data.size()
                && data.at(keywordEnd + 1) == 1);
        const qint64 stored = qMin(length, end - offset - 8);
        const qint64 inflated = compressed ? qMin(stored * DeflateExpansion, MaxInflatedChunk) : stored;
        // Text is held by libpng, then by Qt in UTF-16; a colour profile once.
        if (std::memcmp(type, "iCCP", 4) == 0)
            text += inflated;
        else if (std::memcmp(type, "tEXt", 4) == 0 || std::memcmp(type, "zTXt", 4) == 0
                 || std::memcmp(type, "iTXt", 4) == 0)
            text += 3 * inflated;
        if (std::memcmp(type, "IDAT", 4) != 0)
            largestChunk = qMax(largestChunk, length);
        // A chunk longer than the rest of the file is never read whole, yet
        // is allocated first.
        if (std::memcmp(type, "IDAT", 4) != 0 && length > stored) {
            cost.limit = PictureCost::Work;
            cost.tooMuch = QStringLiteral("a chunk claims %1 MB, more than the file holds").arg(megabytes(length));
            return cost;
        }
        offset += 12 + length;
    }

    const qint64 pixels = qint64(width) * height;
    const qint64 pixelBytes
        = 2 * pixels * (depth == 16 ? 2 * BytesPerPixel : BytesPerPixel) + targetBytes(target, cost.size);
    cost.memoryBytes = bytes.size() + pixelBytes + text + largestChunk;
    return judged(cost, budget, pixelBytes, 0);
}

} // namespace

PictureCost pictureCost(const QByteArray &bytes, QSize target, const PictureBudget &budget)
{
    PictureCost cost;
    cost.limit = PictureCost::NotJpegOrPng;
    if (bytes.size() > budget.fileBytes) {
        cost.limit = PictureCost::Work;
        cost.tooMuch = QStringLiteral("a file of %1 MB, more than the %2 MB the guide reads")
                           .arg(megabytes(bytes.size()), megabytes(budget.fileBytes));
        return cost;
    }
    if (bytes.startsWith("\xff\xd8\xff"))
        cost = jpegCost(bytes, target, budget, cost);
    else if (bytes.startsWith(PngSignature))
        cost = pngCost(bytes, target, budget, cost);
    if (cost.format.isEmpty())
        cost.limit = PictureCost::NotJpegOrPng;
    else if (cost.tooMuch.isEmpty())
        cost.limit = PictureCost::None;
    return cost;
}
