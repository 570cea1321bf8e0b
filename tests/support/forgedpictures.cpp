#include "forgedpictures.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <random>

namespace {

QByteArray bigEndian(quint32 value, int length = 4)
{
    QByteArray bytes;
    for (int i = length - 1; i >= 0; --i)
        bytes += char(value >> (8 * i));
    return bytes;
}

QByteArray segment(quint8 marker, const QByteArray &body)
{
    return QByteArray(1, '\xff') + char(marker) + bigEndian(quint32(body.size() + 2), 2) + body;
}

// Three components, each at full resolution (4:4:4), all on table 0.
const QByteArray ThreeComponents = QByteArray::fromHex("03011100021100031100");

// A JPEG up to its first scan: a flat quantisation table, the frame header
// (frameMarker, then the component count and each component's bytes) and two
// Huffman tables of one code each, a single 0 bit: DC difference 0, and
// acSymbol.
QByteArray jpegHead(quint8 frameMarker, int width, int height, const QByteArray &components, char acSymbol)
{
    QByteArray jpeg("\xff\xd8", 2);
    jpeg += segment(0xdb, QByteArray(1, '\0') + QByteArray(64, '\1'));
    jpeg += segment(frameMarker,
                    QByteArray(1, '\x08') + bigEndian(quint32(height), 2) + bigEndian(quint32(width), 2) + components);
    const QByteArray oneCode = QByteArray(1, '\1') + QByteArray(15, '\0');
    jpeg += segment(0xc4, QByteArray(1, '\x00') + oneCode + QByteArray(1, '\x00'));
    jpeg += segment(0xc4, QByteArray(1, '\x10') + oneCode + QByteArray(1, acSymbol));
    return jpeg;
}

} // namespace

namespace ForgedPictures {

QByteArray encoded(const QImage &image, const char *format, int quality, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    return bigEndian(quint32(data.size())) + type + data + bigEndian(crc32(type + data));
}

QByteArray pngHeader(quint32 width, quint32 height, quint8 colourType)
{
    // 8 bits, the colour type, then deflate, no filter, no interlace.
    const QByteArray header = bigEndian(width) + bigEndian(height) + char(8) + char(colourType) + QByteArray(3, '\0');
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", header);
}

QByteArray zlib(const QByteArray &bytes)
{
    return qCompress(bytes).mid(4); // without Qt's length prefix
}

QByteArray jpegClaiming(const QImage &image, quint16 width, quint16 height)
{
    QByteArray bytes = encoded(image, "JPEG");
    const int frame = bytes.indexOf(QByteArray::fromHex("ffc0"));
    if (frame < 0)
        return QByteArray();
    // Marker, segment length, sample precision, then height and width.
    bytes.replace(frame + 5, 4, bigEndian(height, 2) + bigEndian(width, 2));
    return bytes;
}

QByteArray progressiveScans(int width, int height, int scans, bool behindEmptyComment)
{
    // The AC code is an end-of-band run of 2^14 and more blocks.
    QByteArray jpeg = jpegHead(0xc2, width, height, QByteArray::fromHex("01011100"), '\xe0');
    const int blocks = ((width + 7) / 8) * ((height + 7) / 8);
    jpeg += segment(0xda, QByteArray::fromHex("010100000000")) + QByteArray((blocks + 7) / 8, '\0');
    if (behindEmptyComment)
        jpeg += QByteArray::fromHex("fffe0000");

    // Runs of 32,767 blocks, 15 bits each: a 0, then fourteen 1s.
    QByteArray data;
    quint32 bits = 0;
    int pending = 0;
    for (int run = 0; run < (blocks + 32766) / 32767; ++run) {
        bits = (bits << 15) | 0x3fff;
        for (pending += 15; pending >= 8; pending -= 8) {
            data += char(bits >> (pending - 8));
            if (quint8(data.back()) == 0xff)
                data += '\0';
        }
    }
    if (pending > 0) {
        data += char((bits << (8 - pending)) | (0xff >> pending));
        if (quint8(data.back()) == 0xff)
            data += '\0';
    }
    const QByteArray scan = segment(0xda, QByteArray::fromHex("010100013f00")) + data;
    for (int i = 1; i < scans; ++i)
        jpeg += scan;
    return jpeg + QByteArray("\xff\xd9", 2);
}

QByteArray lumaOnlyScan(int width, int height)
{
    // The AC code is an end of block.
    QByteArray jpeg = jpegHead(0xc0, width, height, ThreeComponents, '\0');
    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8);
    jpeg += segment(0xda, QByteArray::fromHex("010100003f00")) + QByteArray(int((2 * blocks + 7) / 8), '\0');
    return jpeg + QByteArray("\xff\xd9", 2);
}

QByteArray arithmeticCoded(int width, int height, int dataBytes)
{
    QByteArray jpeg = jpegHead(0xc9, width, height, ThreeComponents, '\0');
    jpeg += segment(0xda, QByteArray::fromHex("03010002000300003f00"));
    // Any bytes are arithmetic-coded data; a 0xff would start a marker.
    std::mt19937 random(9);
    QByteArray data(dataBytes, '\0');
    for (char &byte : data)
        byte = char(random() % 255);
    return jpeg + data + QByteArray("\xff\xd9", 2);
}

QByteArray progressiveFullColour(int width, int height)
{
    QByteArray jpeg = jpegHead(0xc2, width, height, ThreeComponents, '\0');
    // One DC scan of the three components interleaved: a 0 bit a block.
    const qint64 blocks = 3 * qint64((width + 7) / 8) * ((height + 7) / 8);
    jpeg += segment(0xda, QByteArray::fromHex("03010002000300000000")) + QByteArray(int((blocks + 7) / 8), '\0');
    return jpeg + QByteArray("\xff\xd9", 2);
}

QByteArray pngWithRepeatedChunk(int count, const QByteArray &type, const QByteArray &data, bool badChecksum)
{
    const QByteArray png = encoded(QImage(QSize(30, 20), QImage::Format_RGB32), "PNG");
    QByteArray chunk = pngChunk(type, data);
    if (badChecksum)
        chunk[chunk.size() - 1] = char(chunk.at(chunk.size() - 1) ^ 1);
    const int at = png.indexOf("IDAT") - 4;
    return png.left(at) + chunk.repeated(count) + png.mid(at);
}

QByteArray tallPng(int width, int height)
{
    QByteArray rows(height * (1 + 3 * width), '\0');
    return pngHeader(quint32(width), quint32(height), 2) + pngChunk("IDAT", zlib(rows))
        + pngChunk("IEND", QByteArray());
}

QByteArray pngWithCompressedText(int count)
{
    QImage image(100, 60, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    // Keyword, its end, compression method 0, then zlib data without Qt's
    // length prefix.
    const QByteArray text = qCompress(QByteArray(1 << 20, 'a'), 9).mid(4);
    QByteArray chunks;
    for (int i = 0; i < count; ++i)
        chunks += pngChunk("zTXt", "note" + QByteArray::number(i) + QByteArray(2, '\0') + text);
    // Before the image data, where the reader meets them first.
    const int data = png.indexOf("IDAT") - 4;
    return png.left(data) + chunks + png.mid(data);
}

QByteArray pngClaimingAHugeChunk()
{
    const QByteArray header = bigEndian(16) + bigEndian(10) + QByteArray::fromHex("0806000000");
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", header) + bigEndian(1u << 30) + "tEXt" + "note";
}

} // namespace ForgedPictures
