#ifndef BENCHPICTURES_H
#define BENCHPICTURES_H

#include "shell/picturefile.h"

#include <QImage>
#include <QSize>
#include <QString>

// Pictures for the benchmarks, made here rather than shipped: JPEGs that cost
// what a designer's photos cost to decode, and icons larger than their buttons.
namespace BenchPictures {

// A photo-like scene: smooth light, soft-edged shapes, fine texture and a
// little grain. The scene is the same at every size, as a camera's would be.
QImage photo(QSize size, quint32 seed);

// Writes every picture the guide reads into folder: the icons, and each page
// picture as a photo of PageSize. False when a file cannot be written.
bool writeGuideSet(const QString &folder);

// Saves picture as a JPEG the way a camera or an editor would.
bool saveJpeg(const QImage &picture, const QString &path);

} // namespace BenchPictures

#endif
