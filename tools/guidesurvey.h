#ifndef GUIDESURVEY_H
#define GUIDESURVEY_H

#include "shell/pageid.h"

#include <QRect>
#include <QString>
#include <QVector>

#include <functional>

// What each page shows and where its buttons lead, read off the real pages:
// each is built as the window builds it, and each visible button is pressed
// to hear which page it asks for. The one place that reads the pages; the
// picture tool, the tests and the bench all ask it.
QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace GuideSurvey {

struct Button
{
    QRect rect;
    QString role; // "previous", "next", "home" or "hot-spot"
    PageId target = NoPageId;
};

struct ListRow
{
    int row;
    QString text;
    PageId target = NoPageId;
};

struct Page
{
    PageId id = NoPageId;
    QString pageClass;
    QString picture; // "/top.jpg"
    QVector<Button> buttons; // the visible ones, in the order the page made them
    QRect listRect; // the model list, where the page has one
    QVector<ListRow> rows;
};

// All pages, indexed by page id. shown, when given, sees the window with each
// page freshly opened again after it was read, untouched by the presses.
using ShownPage = std::function<void(QWidget *window, const Page &page)>;
QVector<Page> survey(const ShownPage &shown = ShownPage());

} // namespace GuideSurvey

#endif
