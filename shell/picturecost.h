#ifndef PICTURECOST_H
#define PICTURECOST_H

#include <QByteArray>
#include <QSize>
#include <QString>

// What decoding a picture would cost, judged from its bytes alone, before any
// decoder sees them. Only JPEG and PNG are read: the guide needs no other
// format, and every other decoder would be one more to bound.
struct PictureCost
{
    enum Limit {
        None,
        NotJpegOrPng, // or a header that cannot be read
        Pixels, // the declared size alone takes too much memory
        Work, // scans, coefficients, compressed text or the file itself
    };

    QByteArray format; // "jpeg" or "png"
    QSize size; // as declared
    qint64 memoryBytes = 0; // held at once while decoding, the file's bytes included
    qint64 blockDecodes = 0; // JPEG: 8 x 8 blocks decoded over all scans
    qint64 work = 0; // JPEG: block decodes, and the entropy-coded bytes as a block each per 8
    int scans = 0; // JPEG
    Limit limit = None;
    QString tooMuch; // what is over the budget, in words; empty when nothing is

    bool withinBudget() const { return limit == None; }
};

// What a picture may cost. A page switch decodes a page picture and three
// icons, and must return within a second with the guide under 300 MB, for any
// files whatever. A JPEG's work counts its blocks decoded over all scans and
// its entropy-coded bytes, eight to a block: a 6000 x 4000 progressive photo
// in 4:2:0 is 4.4 million and takes 0.7 s of processor time here. The same
// in 4:4:4, or an 8000 x 8000 one, is refused.
struct PictureBudget
{
    qint64 fileBytes;
    qint64 decodeBytes;
    qint64 jpegWork;
};
constexpr PictureBudget PageBudget{qint64(32) << 20, qint64(192) << 20, 5000000};
// The three icons together cost at most a quarter of a page picture.
constexpr PictureBudget IconBudget{qint64(4) << 20, qint64(16) << 20, 400000};

// The cost of decoding bytes to target (the decoder's own size when invalid).
PictureCost pictureCost(const QByteArray &bytes, QSize target, const PictureBudget &budget = PageBudget);

#endif
