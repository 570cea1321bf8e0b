#ifndef GUIDEPICTURES_H
#define GUIDEPICTURES_H

#include "pageid.h"

#include <QString>
#include <QStringList>
#include <QVector>

// What the guide reads, found by building every page the way the window does.
namespace GuidePictures {

// The picture name of each page, indexed by page id ("/top.jpg" for 0).
QVector<QString> pagePictures();

// Every picture the guide reads, each once: the navigation icons, then the
// page pictures in page order.
QStringList all();

} // namespace GuidePictures

#endif
