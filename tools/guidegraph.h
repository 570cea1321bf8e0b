#ifndef GUIDEGRAPH_H
#define GUIDEGRAPH_H

#include "guidesurvey.h"

#include <QString>

// The guide's navigation graph in Graphviz dot: a node per page with its
// picture, an edge per visible button and per model-list row.
namespace GuideGraph {

QString toDot(const QVector<GuideSurvey::Page> &pages);

} // namespace GuideGraph

#endif
