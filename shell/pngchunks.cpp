#include "pngchunks.h"

#include <cstring>

namespace {

constexpr qint64 SignatureBytes = 8;
// Length, type, checksum.
constexpr qint64 ChunkFrame = 12;

bool kept(const char *type)
{
    // An upper-case first letter marks a chunk critical: libpng refuses a
    // file with one it does not know, and so should the guide.
    return (type[0] & 0x20) == 0 || std::memcmp(type, "tRNS", 4) == 0;
}

} // namespace

PngChunks pngChunksToDecode(const QByteArray &png)
{
    PngChunks chunks;
    const char *data = png.constData();
    const qint64 size = png.size();
    chunks.kept.reserve(png.size());
    chunks.kept.append(data, int(qMin(size, SignatureBytes)));
    qint64 at = SignatureBytes;
    // A length is enough to judge a chunk by: one cut short within its header
    // still claims what it claims.
    while (at + 4 <= size) {
        const auto *length = reinterpret_cast<const uchar *>(data + at);
        const qint64 chunkBytes = ChunkFrame
            + ((qint64(length[0]) << 24) | (qint64(length[1]) << 16) | (qint64(length[2]) << 8) | length[3]);
        if (at + chunkBytes > size && chunkBytes > ChunkFrame) {
            chunks.cutShort = true;
            return chunks;
        }
        if (at + chunkBytes > size)
            break; // an empty chunk cut short, the end's as a rule: the decoder judges it
        if (kept(data + at + 4))
            chunks.kept.append(data + at, int(chunkBytes));
        else
            ++chunks.left;
        at += chunkBytes;
    }
    // What trails the last whole chunk goes as it is.
    chunks.kept.append(data + at, int(size - at));
    return chunks;
}
