#ifndef PAGEIDS_H
#define PAGEIDS_H

#include "shell/pageid.h"

// The feature row and the question tree; the pages that show a model are in
// catalogue.h.
constexpr PageId FirstFeaturePage = 2;
constexpr PageId LastFeaturePage = 13;

// Yes leads to the choice of five code groups, No to the catalogue by type
// letter, which takes two pages.
constexpr PageId FirstQuestionPage = 14;
constexpr PageId GroupChoicePage = 15;
constexpr PageId FirstCataloguePage = 16;
constexpr PageId SecondCataloguePage = 17;

// One page for each code group, offering its models.
constexpr PageId FirstGroupPage = 18;
constexpr PageId LastGroupPage = 22;

#endif
