#ifndef PICTUREBUDGET_H
#define PICTUREBUDGET_H

#include <QtGlobal>

// What reading one picture may take, in units that are the same on every
// machine: bytes, and the 8 x 8 blocks a JPEG decoder visits. The verdict on a
// file (shown or blank) never depends on how fast the panel is; only the time
// it takes does.
struct PictureBudget
{
    // The file itself; one byte more and it is not read.
    qint64 fileBytes = 0;
    // What the headers say decoding will hold at once: pixels, coefficients,
    // the scaled copy.
    qint64 decodeBytes = 0;
    // JPEG: the frame's blocks, every one decoded even from a few bytes.
    qint64 frameBlocks = 0;
    // JPEG in arithmetic coding: a block of noise costs many times a photo's,
    // and once a scan has begun the decoder works through all of it.
    qint64 arithmeticFrameBlocks = 0;
    // Growth of the process allowed beyond the estimate and the file.
    qint64 slackBytes = 0;
};

// A page picture's budget, and an icon's: the three icons of a page together
// cost at most about half a page picture.
constexpr PictureBudget pictureBudget(bool icon)
{
    PictureBudget budget;
    budget.fileBytes = (icon ? qint64(4) : qint64(32)) << 20;
    // A 6000 x 4000 progressive photo in 4:4:4 holds 144 MB of coefficients.
    budget.decodeBytes = (icon ? qint64(16) : qint64(192)) << 20;
    budget.frameBlocks = icon ? 200000 : 2400000;
    // A page: a 4000 x 3000 photo in 4:4:4.
    budget.arithmeticFrameBlocks = icon ? 50000 : 600000;
    budget.slackBytes = (icon ? qint64(8) : qint64(32)) << 20;
    return budget;
}

constexpr PictureBudget PageBudget = pictureBudget(false);
constexpr PictureBudget IconBudget = pictureBudget(true);

#endif
