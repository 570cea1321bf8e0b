#ifndef PICTURESPEED_H
#define PICTURESPEED_H

#include <QtGlobal>

// How fast this machine decodes an honest photo, measured on it: the least
// processor time of a few decodes of a reference photo made in memory, a
// busy moment can only make it slower, never faster. Measured once, at the
// first reading, in a few milliseconds.
namespace PictureSpeed {

// Processor time per 8 x 8 block of a progressive photo in 4:4:4.
qint64 nsPerBlock();

// The processor time a reading may take before it is given up on: a
// backstop far above what an honest picture of that many blocks takes here,
// so that it never decides a sound picture's verdict; the bounds in units
// (blocks, bytes) do that.
qint64 backstopNs(qint64 blocks);

constexpr qint64 BackstopMultiple = 20;

} // namespace PictureSpeed

#endif
