#ifndef PICTUREFILE_H
#define PICTUREFILE_H

#include "picturecost.h"
#include "pictureinput.h"

#include <QImage>
#include <QSize>
#include <QString>

// Full path of a picture that lives beside the executable; name begins with '/'.
// Rebuilt on every call, and nothing checks that the file exists.
QString pictureFile(const char *name);
QString pictureFile(const QString &name);

// The name of a picture back from its full path: "/top.jpg".
QString pictureName(const QString &path);

// Makes pictureFile() read from folder instead, for the picture tool that
// renders a designer's folder; the guide itself never calls it.
void setPictureFolder(const QString &folder);

// A page picture is stretched over the whole page; a navigation icon larger
// than the box is fitted into it.
constexpr QSize PageSize(1000, 600);
constexpr int NavigationIconBox = 50;

// How a reading went, for the picture tool's report.
struct PictureReading
{
    enum Outcome {
        Read,
        NotRead, // missing, not a plain file, unreadable, or larger than the budget's file size
        NotJpegOrPng,
        OverBudget, // the declared frame alone takes too much
        Stopped, // took too long, grew too large or warned too often
        Failed, // the decoder gave up
    };

    QImage image;
    Outcome outcome = NotRead;
    PictureCost cost;
    PictureInput::Stop stop = PictureInput::NotStopped;
    int warnings = 0;
    QString firstWarning;
    qint64 cpuNs = 0; // the reading's processor time, decoding included
};

// Reads and decodes a picture, straight to size when one is given (stretched,
// whatever its aspect ratio), which lets a JPEG decoder skip most of its work.
// Null when the file is missing, unreadable, not a JPEG or PNG, or takes more
// than the budget: then the page shows blank, as for a damaged file.
QImage readPicture(const QString &path, QSize size = QSize(), const PictureBudget &budget = PageBudget);
PictureReading readPictureFully(const QString &path, QSize size = QSize(), const PictureBudget &budget = PageBudget);

// The file's bytes, up to a byte more than the budget's file size, when it is
// a regular file; a fifo or a device is never opened for reading, so it
// cannot stall the guide.
bool readPictureBytes(const QString &path, QByteArray *bytes, const PictureBudget &budget = PageBudget);

// Decodes bytes already read, as readPicture() does; the format is told by
// the content alone.
QImage decodePicture(const QByteArray &bytes, QSize size = QSize(), const PictureBudget &budget = PageBudget);
PictureReading decodePictureFully(const QByteArray &bytes, QSize size = QSize(),
                                  const PictureBudget &budget = PageBudget);

#endif
