#ifndef HOTSPOT_H
#define HOTSPOT_H

#include "shell/pageid.h"

#include <QObject>
#include <QPushButton>
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

// The question pages keep each hot-spot's button in a field of its own, named
// like the slot its pressed() calls (btn2, sltBtn2Pressed()), and connect the
// slots by their signature strings. A loop cannot index named fields, so each
// page class lists them once in a table: hot-spot button k is entry k - 1.
template <typename Page>
struct ButtonField
{
    QPushButton *Page::*button;
    const char *slot;
};

template <typename Page>
using ButtonFields = std::vector<ButtonField<Page>>;

// The button of one hot-spot, in its field, over the hot-spot's rectangle.
template <typename Page>
void createButton(Page *page, const ButtonFields<Page> &fields, const HotSpot &spot)
{
    QPushButton *&button = page->*fields.at(spot.button - 1).button;
    button = new QPushButton(page);
    button->setGeometry(spot.rect);
}

// Each button the page has created, to its slot.
template <typename Page>
void connectButtons(Page *page, const ButtonFields<Page> &fields)
{
    for (const ButtonField<Page> &field : fields) {
        if (QPushButton *button = page->*field.button)
            QObject::connect(button, SIGNAL(pressed()), page, field.slot);
    }
}

template <typename Page>
void deleteButtons(Page *page, const ButtonFields<Page> &fields)
{
    for (const ButtonField<Page> &field : fields)
        delete (page->*field.button);
}

#endif
