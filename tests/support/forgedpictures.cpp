#include "forgedpictures.h"

#include <QBuffer>

namespace {

QByteArray bigEndian(quint32 value, int length = 4)
{
    QByteArray bytes;
    for (int i = length - 1; i >= 0; --i)
        bytes += char(value >> (8 * i));
    return bytes;
}

} // namespace

namespace ForgedPictures {

QByteArray encoded(const QImage &image, const char *format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
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

} // namespace ForgedPictures
