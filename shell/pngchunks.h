#ifndef PNGCHUNKS_H
#define PNGCHUNKS_H

#include <QByteArray>

// A PNG as the guide hands it to the decoder: its signature, its critical
// chunks (header, palette, data, end) and its transparency, in their order.
// The other ancillary chunks (text, compressed text, colour profiles, times)
// change no pixel the guide paints, and are what a hostile file floods a
// decoder with: each a warning, or a megabyte inflated. Leaving whole chunks
// out keeps the file valid.
//
// A chunk that claims more than the file holds ends the stream at its
// header: libpng would clear a buffer of the claimed size before reading it.
struct PngChunks
{
    QByteArray kept;
    int left = 0; // ancillary chunks left out
    bool cutShort = false;
};

PngChunks pngChunksToDecode(const QByteArray &png);

#endif
