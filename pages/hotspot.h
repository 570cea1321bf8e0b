#ifndef HOTSPOT_H
#define HOTSPOT_H

#include "shell/pageid.h"

#include <QRect>

#include <vector>

// One hot-spot of a question page as it lies over the page's picture: the
// button that covers it, its rectangle and the page it opens.
struct HotSpot
{
    int button;
    QRect rect;
    PageId target = NoPageId;
};

// A question page: its picture and its hot-spots in the order they are created.
struct QuestionPage
{
    PageId id;
    const char *picture;
    std::vector<HotSpot> hotSpots;
};

// The page of that id in a page class's table, or null.
template <typename Table>
const QuestionPage *findQuestionPage(const Table &pages, PageId id)
{
    for (const QuestionPage &page : pages) {
        if (page.id == id)
            return &page;
    }
    return nullptr;
}

#endif
