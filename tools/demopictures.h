#ifndef DEMOPICTURES_H
#define DEMOPICTURES_H

#include "guidesurvey.h"

#include <QImage>
#include <QStringList>

// A complete picture set, drawn so that the guide runs on a fresh machine:
// every page titled, every hot-spot drawn as a labelled button over exactly
// the rectangle the guide presses.
namespace DemoPictures {

QImage pagePicture(const GuideSurvey::Page &page, const QVector<GuideSurvey::Page> &pages);
QImage navigationIcon(const QString &name);

struct Written
{
    QStringList written;
    QStringList kept; // already there, left alone
    QStringList failed;
};

// Writes every picture the guide reads into folder, keeping files that are
// already there unless overwrite is set.
Written write(const QString &folder, bool overwrite);

} // namespace DemoPictures

#endif
