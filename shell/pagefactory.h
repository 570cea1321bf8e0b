#ifndef PAGEFACTORY_H
#define PAGEFACTORY_H

#include "pageid.h"

class AbstractQuorvelWidget;

// What the window asks of the pages. The window knows no page class: these are
// defined beside the pages, in pages/pagefactory.cpp.
namespace PageFactory {

// A new page of the class that serves the id (0..137), without a parent.
AbstractQuorvelWidget *create(PageId id);

// Whether the page of that id is told its id before initPage(); the start,
// home and first question pages never read it.
bool setsPageId(PageId id);

// The window's own style sheet, which reaches the buttons of every page.
const char *windowStyleSheet();

} // namespace PageFactory

#endif
