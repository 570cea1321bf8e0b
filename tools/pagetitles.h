#ifndef PAGETITLES_H
#define PAGETITLES_H

#include "guidesurvey.h"

#include <QString>

// Names for pages, made from what the pages show (their class and picture),
// so that the demo pictures and the overlays label every page and button
// without a table of their own.
namespace PageTitles {

// The model code a model or detail picture is named after ("363KU"), or empty.
QString modelCode(const GuideSurvey::Page &page);

// The heading of a page and the line beneath it.
QString heading(const GuideSurvey::Page &page, const QVector<GuideSurvey::Page> &pages);
QString subheading(const GuideSurvey::Page &page, const QVector<GuideSurvey::Page> &pages);

// A short name for a page, as a button leading to it is labelled.
QString shortName(const GuideSurvey::Page &page, const QVector<GuideSurvey::Page> &pages);

} // namespace PageTitles

#endif
