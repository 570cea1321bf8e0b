#ifndef FORGEDPICTURES_H
#define FORGEDPICTURES_H

#include <QByteArray>
#include <QImage>

// Picture files made byte by byte, for tests that hand the guide and the tool
// what no image editor writes: headers that lie about the size, bombs.
namespace ForgedPictures {

// image as a file of format ("PNG", "JPEG"); quality -1 is the writer's
// default; a JPEG optionally progressive, as cameras and editors write photos.
QByteArray encoded(const QImage &image, const char *format, int quality = -1, bool progressive = false);

// The PNG's checksum over a chunk's type and data.
quint32 crc32(const QByteArray &bytes);

// One PNG chunk: length, type, data, checksum.
QByteArray pngChunk(const QByteArray &type, const QByteArray &data);

// A PNG's signature and header chunk declaring width x height at 8 bits a
// channel; colourType 2 is RGB, 6 RGBA. The data chunks are the caller's.
QByteArray pngHeader(quint32 width, quint32 height, quint8 colourType);

// bytes deflated as a PNG data chunk holds them.
QByteArray zlib(const QByteArray &bytes);

// A baseline JPEG of image whose frame header declares width x height.
QByteArray jpegClaiming(const QImage &image, quint16 width, quint16 height);

// Small files that cost a decoder far more than their size: what an attacker
// with a megabyte would write.

// A greyscale progressive JPEG of width x height whose every scan after the
// first skips all blocks in a few bytes: each costs a pass over the picture.
// Optionally all but the first behind an empty comment (FF FE 00 00), which
// libjpeg reads past.
QByteArray progressiveScans(int width, int height, int scans, bool behindEmptyComment = false);

// A baseline JPEG of three components whose one scan carries only the first:
// the decoder holds every coefficient of the frame.
QByteArray lumaOnlyScan(int width, int height);

// An arithmetic-coded baseline JPEG of three components at full resolution,
// its one scan dataBytes of noise: every block costs the decoder its most.
QByteArray arithmeticCoded(int width, int height, int dataBytes);

// A progressive JPEG of three components at full resolution (4:4:4), as
// editors write photos at high quality, of a single DC scan: flat grey. The
// decoder holds every coefficient of the frame.
QByteArray progressiveFullColour(int width, int height);

// A 30 x 20 PNG with count copies of one chunk before its image data.
QByteArray pngWithRepeatedChunk(int count, const QByteArray &type, const QByteArray &data, bool badChecksum);

// An RGB PNG of black, width x height, one data chunk.
QByteArray tallPng(int width, int height);

// A 100 x 60 PNG carrying count compressed text chunks of a megabyte each
// when inflated, about a kilobyte on disk.
QByteArray pngWithCompressedText(int count);

// A 16 x 10 PNG of 70 bytes whose text chunk claims to be a gigabyte long.
QByteArray pngClaimingAHugeChunk();

} // namespace ForgedPictures

#endif
