#ifndef OVERLAY_H
#define OVERLAY_H

#include "guidesurvey.h"

#include <QString>

QT_BEGIN_NAMESPACE
class QPainter;
QT_END_NAMESPACE

// The real pages painted with a folder's pictures, every button and the model
// list outlined and labelled with the page it opens, so that a designer sees
// whether the pictures line up with the hot-spots.
namespace Overlay {

// Renders every page into out/page-NNN.png and writes out/index.html, a
// contact sheet of them all. Pictures are read from pictureFolder. Returns
// false, with a message, when out cannot be written.
bool write(const QString &pictureFolder, const QString &out, QString *error);

// Outlines every button and the model list of page, each labelled with the
// page it opens, in window coordinates; the live preview draws them too.
void drawOutlines(QPainter &painter, const GuideSurvey::Page &page);

} // namespace Overlay

#endif
