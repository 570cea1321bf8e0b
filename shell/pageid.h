#ifndef PAGEID_H
#define PAGEID_H

// A page is named by a plain int; the window ignores anything outside 0..137.
using PageId = int;

// A navigation target of NoPageId has no page behind it: its button is hidden.
constexpr PageId NoPageId = -1;

constexpr PageId StartPageId = 0;
constexpr PageId HomePageId = 1;
constexpr PageId LastPageId = 137;
constexpr int PageCount = LastPageId + 1;

#endif
