#ifndef GUIDESURVEY_H
#define GUIDESURVEY_H

#include "shell/pageid.h"

#include <QRect>
#include <QString>
#include <QVector>

// What each page shows and where its buttons lead, read off the real pages:
// each is built as the window builds it, and each visible button is pressed
// to hear which page it asks for.
class AbstractQuorvelWidget;
QT_BEGIN_NAMESPACE
class QPushButton;
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

// All pages, indexed by page id.
QVector<Page> survey();

// What a button of a page is: "previous", "next", "home" or "hot-spot".
QString buttonRole(const AbstractQuorvelWidget *page, const QPushButton *button);

} // namespace GuideSurvey

#endif
