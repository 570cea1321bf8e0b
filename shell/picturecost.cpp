#include "picturecost.h"

#include <QtGlobal>

#include <cstring>

namespace {

const char PngSignature[] = "\x89PNG\r\n\x1a\n";

// Every decoded pixel is counted as four bytes (what Qt's 32-bit formats
// take), a 16-bit PNG's as eight.
constexpr qint64 BytesPerPixel = 4;
// A JPEG coefficient block: 64 coefficients of two bytes.
constexpr qint64 BlockBytes = 128;
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

QString sizeText(QSize size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

// Qt's smooth scaling works through every decoded row for every column of
// the target: a PNG of 24 x 1,000,000 takes seconds, in threads of its own.
qint64 scalePixels(QSize target, QSize decoded)
{
    return target.isValid() && target != decoded ? qint64(target.width()) * decoded.height() : 0;
}

qint64 targetBytes(QSize target, QSize decoded)
{
    return target.isValid() && target != decoded ? qint64(target.width()) * target.height() * BytesPerPixel : 0;
}

PictureCost judged(PictureCost cost, const PictureBudget &budget)
{
    if (cost.memoryBytes > budget.decodeBytes) {
        cost.limit = PictureCost::Pixels;
        cost.tooMuch = QStringLiteral("declares %1, which takes %2 MB to decode, more than the %3 MB the guide allows")
                           .arg(sizeText(cost.size), megabytes(cost.memoryBytes), megabytes(budget.decodeBytes));
    } else if (cost.scalePixels > budget.frameBlocks * 64) {
        cost.limit = PictureCost::Pixels;
        cost.tooMuch = QStringLiteral("declares %1, which takes %2 million pixels of work to scale, more than the %3 "
                                      "million the guide allows")
                           .arg(sizeText(cost.size))
                           .arg(cost.scalePixels / 1000000)
                           .arg(budget.frameBlocks * 64 / 1000000);
    } else if (cost.arithmetic && cost.blocks > budget.arithmeticFrameBlocks) {
        cost.limit = PictureCost::Pixels;
        cost.tooMuch = QStringLiteral("declares %1 in arithmetic coding, %2 thousand blocks to decode, more than the "
                                      "%3 thousand the guide allows in it")
                           .arg(sizeText(cost.size))
                           .arg(cost.blocks / 1000)
                           .arg(budget.arithmeticFrameBlocks / 1000);
    } else if (cost.blocks > budget.frameBlocks) {
        cost.limit = PictureCost::Pixels;
        cost.tooMuch = QStringLiteral("declares %1, %2 million blocks to decode, more than the %3 million the guide "
                                      "allows")
                           .arg(sizeText(cost.size))
                           .arg(double(cost.blocks) / 1e6, 0, 'f', 1)
                           .arg(double(budget.frameBlocks) / 1e6, 0, 'f', 1);
    }
    return cost;
}

// Reads the markers as libjpeg does, up to the first scan's header: what
// libjpeg allocates is fixed by then. A progressive frame, or one whose first
// scan leaves out a component, holds every coefficient of the picture.
PictureCost jpegCost(const uchar *data, qint64 end, QSize target, const PictureBudget &budget, PictureCost cost)
{
    int horizontal[4] = {};
    int vertical[4] = {};
    int componentCount = 0;
    bool progressive = false;
    qint64 offset = 2;
    for (;;) {
        // Anything up to a marker is skipped, fill bytes included.
        while (offset + 1 < end && (data[offset] != 0xff || data[offset + 1] == 0xff || data[offset + 1] == 0x00))
            ++offset;
        if (offset + 4 > end)
            return cost;
        const uchar marker = data[offset + 1];
        if (marker == 0xd8 || marker == 0xd9)
            return cost;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
            offset += 2;
            continue;
        }
        const qint64 length = bigEndian(data + offset + 2, 2);
        const uchar *segment = data + offset + 4;
        const bool startOfFrame
            = marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (startOfFrame) {
            // libjpeg reads neither lossless nor hierarchical JPEG, nor a second frame.
            if ((marker != 0xc0 && marker != 0xc1 && marker != 0xc2 && marker != 0xc9 && marker != 0xca)
                || componentCount != 0 || length < 8 || offset + 2 + length > end)
                return cost;
            progressive = marker == 0xc2 || marker == 0xca;
            cost.arithmetic = marker == 0xc9 || marker == 0xca;
            cost.size = QSize(int(bigEndian(segment + 3, 2)), int(bigEndian(segment + 1, 2)));
            componentCount = segment[5];
            if (cost.size.isEmpty() || componentCount < 1 || componentCount > 4 || length < 8 + 3 * componentCount)
                return cost;
            for (int i = 0; i < componentCount; ++i) {
                horizontal[i] = qBound(1, segment[7 + 3 * i] >> 4, 4);
                vertical[i] = qBound(1, segment[7 + 3 * i] & 15, 4);
            }
        } else if (marker == 0xda) {
            if (componentCount == 0 || offset + 5 > end)
                return cost;
            const int inScan = segment[0];
            int maxHorizontal = 1;
            int maxVertical = 1;
            for (int i = 0; i < componentCount; ++i) {
                maxHorizontal = qMax(maxHorizontal, horizontal[i]);
                maxVertical = qMax(maxVertical, vertical[i]);
            }
            // Whole MCUs, each holding horizontal x vertical blocks of a component.
            const qint64 mcuColumns = (cost.size.width() + 8 * maxHorizontal - 1) / (8 * maxHorizontal);
            const qint64 mcuRows = (cost.size.height() + 8 * maxVertical - 1) / (8 * maxVertical);
            for (int i = 0; i < componentCount; ++i)
                cost.blocks += mcuColumns * horizontal[i] * mcuRows * vertical[i];
            // The decoder scales by 1/2, 1/4 or 1/8 on the way when the target
            // is that much smaller, as Qt's JPEG reader asks it to.
            int denominator = 1;
            if (target.isValid() && !target.isEmpty()) {
                const int ratio = qMin(cost.size.width() / target.width(), cost.size.height() / target.height());
                denominator = ratio >= 8 ? 8 : ratio >= 4 ? 4 : ratio >= 2 ? 2 : 1;
            }
            const QSize decoded((cost.size.width() + denominator - 1) / denominator,
                                (cost.size.height() + denominator - 1) / denominator);
            cost.format = "jpeg";
            cost.multiScan = progressive || inScan < componentCount;
            cost.scalePixels = scalePixels(target, decoded);
            cost.memoryBytes = qint64(decoded.width()) * decoded.height() * BytesPerPixel + targetBytes(target, decoded)
                + (cost.multiScan ? cost.blocks * BlockBytes : 0);
            return judged(cost, budget);
        }
        // libjpeg reads on after a length below 2 as if it were 2.
        offset += 2 + qMax<qint64>(length, 2);
    }
}

PictureCost pngCost(const uchar *data, qint64 end, QSize target, const PictureBudget &budget, PictureCost cost)
{
    if (end < 33 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return cost;
    const quint32 width = bigEndian(data + 16, 4);
    const quint32 height = bigEndian(data + 20, 4);
    const int depth = data[24];
    // libpng refuses more than a million pixels a side itself.
    if (width == 0 || height == 0 || width > 1000000 || height > 1000000)
        return cost;
    cost.format = "png";
    cost.size = QSize(int(width), int(height));
    cost.scalePixels = scalePixels(target, cost.size);
    cost.memoryBytes
        = qint64(width) * height * (depth == 16 ? 2 * BytesPerPixel : BytesPerPixel) + targetBytes(target, cost.size);
    return judged(cost, budget);
}

} // namespace

PictureCost pictureCost(const char *bytes, qint64 size, QSize target, const PictureBudget &budget)
{
    PictureCost cost;
    const auto *data = reinterpret_cast<const uchar *>(bytes);
    if (size >= 3 && std::memcmp(data, "\xff\xd8\xff", 3) == 0)
        cost = jpegCost(data, size, target, budget, cost);
    else if (size >= 8 && std::memcmp(data, PngSignature, 8) == 0)
        cost = pngCost(data, size, target, budget, cost);
    if (cost.format.isEmpty())
        cost.limit = PictureCost::NotJpegOrPng;
    return cost;
}

PictureCost pictureCost(const QByteArray &bytes, QSize target, const PictureBudget &budget)
{
    return pictureCost(bytes.constData(), bytes.size(), target, budget);
}
