#ifndef COSTLYPICTURES_H
#define COSTLYPICTURES_H

#include <QByteArray>

// Small files that cost a decoder far more than their size: what an attacker
// with a megabyte would write.
namespace CostlyPictures {

// A greyscale progressive JPEG of width x height whose every scan after the
// first skips all blocks in a few bytes: each costs a pass over the picture.
QByteArray progressiveScans(int width, int height, int scans);

// A 100 x 60 PNG carrying count compressed text chunks of a megabyte each
// when inflated, about a kilobyte on disk.
QByteArray pngWithCompressedText(int count);

// A 16 x 10 PNG of 70 bytes whose text chunk claims to be a gigabyte long.
QByteArray pngClaimingAHugeChunk();

} // namespace CostlyPictures

#endif
