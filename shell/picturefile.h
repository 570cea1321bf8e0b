#ifndef PICTUREFILE_H
#define PICTUREFILE_H

// Where the guide's pictures live. Most who find a picture also read it: the
// reading comes with this header.
#include "picturereading.h"

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

#endif
