#ifndef PICTUREFILE_H
#define PICTUREFILE_H

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

// The most a picture's header may declare before the guide refuses to decode
// it: a file claiming 30,000 x 30,000 pixels would take gigabytes and seconds.
constexpr qint64 MaxPicturePixels = qint64(64) * 1000 * 1000;
constexpr int MaxPictureSide = 16384;

bool withinPictureBudget(QSize declared);

// Reads and decodes a picture, straight to size when one is given (stretched,
// whatever its aspect ratio), which lets a JPEG decoder skip most of its work.
// Null when the file is missing, unreadable, or declares more than the budget.
QImage readPicture(const QString &path, QSize size = QSize());

#endif
