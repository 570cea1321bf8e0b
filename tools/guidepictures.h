#ifndef GUIDEPICTURES_H
#define GUIDEPICTURES_H

#include "shell/pageid.h"

#include <QString>
#include <QStringList>
#include <QVector>

// What the guide reads, as the survey of the real pages finds it.
namespace GuidePictures {

// The picture name of each page, indexed by page id ("/top.jpg" for 0).
QVector<QString> pagePictures();

// Every picture the guide reads, each once: the navigation icons, then the
// page pictures in page order.
QStringList all();

// The navigation icons are the guide's only PNGs.
bool isIcon(const QString &name);

} // namespace GuidePictures

#endif
