#ifndef PICTUREBYTES_H
#define PICTUREBYTES_H

#include "picturebudget.h"

#include <QByteArray>
#include <QString>

// The file's bytes, up to a byte more than the budget's file size, when it is
// a regular file; a fifo or a device is never opened for reading, so it
// cannot stall the guide. Each system's way is in picturebytes_unix.cpp or
// picturebytes_win.cpp.
bool readPictureBytes(const QString &path, QByteArray *bytes, const PictureBudget &budget = PageBudget);

#endif
