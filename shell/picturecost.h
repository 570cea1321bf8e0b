#ifndef PICTURECOST_H
#define PICTURECOST_H

#include "picturebudget.h"

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

// The memory decoding bytes to target takes (the decoder's own size when
// invalid), from the headers.
PictureCost pictureCost(const QByteArray &bytes, QSize target, const PictureBudget &budget = PageBudget);
PictureCost pictureCost(const char *bytes, qint64 size, QSize target, const PictureBudget &budget = PageBudget);

#endif
