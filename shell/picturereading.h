#ifndef PICTUREREADING_H
#define PICTUREREADING_H

#include "picturebudget.h"
#include "picturebytes.h"
#include "picturecost.h"
#include "pictureinput.h"

#include <QImage>
#include <QSize>
#include <QString>

// A page picture is stretched over the whole page; a navigation icon larger
// than the box is fitted into it.
constexpr QSize PageSize(1000, 600);
constexpr int NavigationIconBox = 50;

// A reading and its report: what the guide shows, and why.
struct PictureReading
{
    enum Verdict {
        Shown,
        Unreadable, // missing, not a plain file, or cannot be opened
        NotJpegOrPng,
        OverBudget, // the headers alone: the declared frame, or the file, is too large
        Stopped, // while read: the work of its scans, memory, warnings or the backstop
        Damaged, // the decoder gave up
    };

    QImage image;
    Verdict verdict = Unreadable;
    PictureCost cost;
    PictureInput::Stop stop = PictureInput::NotStopped;
    int warnings = 0;
    QString firstWarning;
    qint64 cpuNs = 0; // the reading's processor time, decoding included
    // JPEG: the scans handed to the decoder, their work and its limit, in coefficients.
    int scans = 0;
    qint64 work = 0;
    qint64 workLimit = 0;
    // PNG: ancillary chunks left out of what the decoder saw.
    int chunksLeftOut = 0;
};

// Reads and decodes a picture, straight to size when one is given (stretched,
// whatever its aspect ratio), which lets a JPEG decoder skip most of its work.
// Null when the file is missing, unreadable, not a JPEG or PNG, or takes more
// than the budget: then the page shows blank, as for a damaged file.
QImage readPicture(const QString &path, QSize size = QSize(), const PictureBudget &budget = PageBudget);
PictureReading readPictureWithReport(const QString &path, QSize size = QSize(),
                                     const PictureBudget &budget = PageBudget);

// Decodes bytes already read, as readPicture() does; the format is told by
// the content alone.
QImage decodePicture(const QByteArray &bytes, QSize size = QSize(), const PictureBudget &budget = PageBudget);
PictureReading decodePictureWithReport(const QByteArray &bytes, QSize size = QSize(),
                                       const PictureBudget &budget = PageBudget);

#endif
