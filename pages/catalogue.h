#ifndef CATALOGUE_H
#define CATALOGUE_H

#include "shell/pageid.h"

#include <QString>

// The twenty panel models and the pages that show them.
namespace Catalogue {

constexpr int ModelCount = 20;

// Result pages recommend a model at the end of the question tree; model pages
// are opened from the home page's list (row r opens FirstModelPage - 1 + r);
// each of them leads on to a detail page; type pages show one type letter.
constexpr PageId FirstResultPage = 23;
constexpr PageId LastResultPage = 56;
constexpr PageId FirstModelPage = 57;
constexpr PageId LastModelPage = 76;
constexpr PageId FirstDetailPage = 77;
constexpr PageId LastDetailPage = 130;
constexpr PageId FirstTypePage = 131;
constexpr PageId LastTypePage = 137;

// Detail pages 77..96 belong to the model pages, 97..130 to the result pages,
// both in the same order as the pages they belong to.
constexpr PageId FirstResultDetailPage = FirstDetailPage + ModelCount;
constexpr int ModelToDetail = FirstDetailPage - FirstModelPage;
constexpr int ResultToDetail = FirstResultDetailPage - FirstResultPage;

// Models in the order of the home page's list: row r shows model r - 1.
const char *modelCode(int model);

// The model a result page recommends, and the question page that offers it.
const char *resultModel(PageId resultPage);
PageId resultQuestionPage(PageId resultPage);

// The type letter a type page shows, and the catalogue page that leads to it.
char typeLetter(PageId typePage);
PageId typeCataloguePage(PageId typePage);

// Picture names, "/341ra.jpg", "/341ra_detial.jpg" and "/typeP.jpg".
QString modelPicture(const char *code);
QString detailPicture(const char *code);
QString typePicture(char letter);

// What a page of 0..137 is there for.
enum class PageKind { Start, Home, Feature, Question, Choice, CodeGroup, Result, Model, Detail, Type };
PageKind pageKind(PageId id);

// The model a result, model or detail page shows ("363KU"); null for the others.
const char *pageModel(PageId id);

} // namespace Catalogue

#endif
