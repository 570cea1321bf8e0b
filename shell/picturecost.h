#ifndef PICTURECOST_H
#define PICTURECOST_H

#include <QByteArray>
#include <QSize>
#include <QString>

// What decoding a picture will hold at once, judged from its headers alone:
// a JPEG's frame and first scan header, a PNG's IHDR. The work itself is not
// predicted; the reading is stopped where it happens (see PictureInput).
// Only JPEG and PNG are read: the guide needs no other format, and every
// other decoder would be one more to bound.
struct PictureCost
{
    enum Limit {
        None,
        NotJpegOrPng, // or a header that cannot be read
        Pixels, // the declared frame alone takes too much memory or work
    };

    QByteArray format; // "jpeg" or "png"
    QSize size; // as declared
    qint64 memoryBytes = 0; // the decoder's and Qt's buffers, held at once
    qint64 blocks = 0; // JPEG: 8 x 8 blocks in the frame, decoded at least once
    bool arithmetic = false; // JPEG
    bool multiScan = false; // JPEG: progressive, or a first scan without every component
    qint64 scalePixels = 0; // the work of scaling to the target
    Limit limit = None;
    QString tooMuch; // what is over the budget, in words; empty when nothing is

    bool withinBudget() const { return limit == None; }
};

// What reading a picture may take. A page switch reads a page picture and
// three icons, and must return within a second of the guide thread's
// processor time with the guide under 300 MB, for any files whatever.
struct PictureBudget
{
    qint64 fileBytes;
    qint64 decodeBytes; // the headers' estimate
    qint64 frameBlocks; // JPEG: a frame's blocks, all decoded even from a few bytes
    qint64 slackBytes; // growth allowed beyond the estimate and the file, e.g. text
    int cpuMs; // the guide thread's processor time
};
// A 6000 x 4000 progressive photo in 4:4:4 holds 144 MB of coefficients.
constexpr PictureBudget PageBudget{qint64(32) << 20, qint64(192) << 20, 2400000, qint64(32) << 20, 500};
// The three icons together cost at most about half a page picture.
constexpr PictureBudget IconBudget{qint64(4) << 20, qint64(16) << 20, 200000, qint64(8) << 20, 60};

// The memory decoding bytes to target takes (the decoder's own size when
// invalid), from the headers.
PictureCost pictureCost(const QByteArray &bytes, QSize target, const PictureBudget &budget = PageBudget);
PictureCost pictureCost(const char *bytes, qint64 size, QSize target, const PictureBudget &budget = PageBudget);

#endif
