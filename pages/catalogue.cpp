#include "catalogue.h"

#include "pageids.h"

namespace {

// clang-format off
const char *const models[Catalogue::ModelCount] = {
    "341RA", "341HA", "352KA", "363RU", "363KU", "363NU", "363FL", "363FU", "363TU", "363HU",
    "374TL", "385KL", "385KY", "385TL", "385TY", "385HY", "396PZ", "396HZ", "417PZ", "417HZ",
};
// clang-format on

struct ResultPage
{
    PageId questionPage;
    const char *model;
};

// Result pages 23..56 in id order, grouped by the question page that offers them.
// clang-format off
const ResultPage resultPages[Catalogue::LastResultPage - Catalogue::FirstResultPage + 1] = {
    // The first catalogue page, by type letter P, H, T, F.
    {FirstCataloguePage, "396PZ"}, {FirstCataloguePage, "417PZ"},
    {FirstCataloguePage, "341HA"}, {FirstCataloguePage, "363HU"}, {FirstCataloguePage, "385HY"},
    {FirstCataloguePage, "396HZ"}, {FirstCataloguePage, "417HZ"},
    {FirstCataloguePage, "363TU"}, {FirstCataloguePage, "374TL"}, {FirstCataloguePage, "385TL"},
    {FirstCataloguePage, "385TY"},
    {FirstCataloguePage, "363FU"}, {FirstCataloguePage, "363FL"},
    // The second, by type letter K, N, R.
    {SecondCataloguePage, "352KA"}, {SecondCataloguePage, "363KU"}, {SecondCataloguePage, "385KL"},
    {SecondCataloguePage, "385KY"},
    {SecondCataloguePage, "363NU"},
    {SecondCataloguePage, "341RA"}, {SecondCataloguePage, "363RU"},
    // The code groups of the third question level, pages 18 to 22.
    {18, "341RA"}, {18, "341RA"}, {18, "341HA"},
    {19, "352KA"},
    {20, "363RU"}, {20, "363KU"}, {20, "363FU"}, {20, "363TU"}, {20, "363FL"},
    {21, "374TL"},
    {22, "385KY"}, {22, "385TY"}, {22, "385KL"}, {22, "385TL"},
};
// clang-format on

// Type pages 131..137: the four letters of the first catalogue page, then the
// three of the second.
const char typeLetters[] = "PHTFKNR";
constexpr PageId LastTypeOfFirstCataloguePage = 134;

struct KindOfPages
{
    PageId first;
    PageId last;
    Catalogue::PageKind kind;
};

// The question tree: the first question, the choice between series or by type,
// then the code groups of each series.
// clang-format off
const KindOfPages kinds[] = {
    {StartPageId, StartPageId, Catalogue::PageKind::Start},
    {HomePageId, HomePageId, Catalogue::PageKind::Home},
    {FirstFeaturePage, LastFeaturePage, Catalogue::PageKind::Feature},
    {FirstQuestionPage, FirstQuestionPage, Catalogue::PageKind::Question},
    {GroupChoicePage, SecondCataloguePage, Catalogue::PageKind::Choice},
    {FirstGroupPage, LastGroupPage, Catalogue::PageKind::CodeGroup},
    {Catalogue::FirstResultPage, Catalogue::LastResultPage, Catalogue::PageKind::Result},
    {Catalogue::FirstModelPage, Catalogue::LastModelPage, Catalogue::PageKind::Model},
    {Catalogue::FirstDetailPage, Catalogue::LastDetailPage, Catalogue::PageKind::Detail},
    {Catalogue::FirstTypePage, Catalogue::LastTypePage, Catalogue::PageKind::Type},
};
// clang-format on

QString lowerCasePicture(const char *code, const char *suffix)
{
    return QLatin1Char('/') + QString::fromLatin1(code).toLower() + QLatin1String(suffix);
}

} // namespace

namespace Catalogue {

const char *modelCode(int model)
{
    return models[model];
}

const char *resultModel(PageId resultPage)
{
    return resultPages[resultPage - FirstResultPage].model;
}

PageId resultQuestionPage(PageId resultPage)
{
    return resultPages[resultPage - FirstResultPage].questionPage;
}

char typeLetter(PageId typePage)
{
    return typeLetters[typePage - FirstTypePage];
}

PageId typeCataloguePage(PageId typePage)
{
    return typePage <= LastTypeOfFirstCataloguePage ? FirstCataloguePage : SecondCataloguePage;
}

QString modelPicture(const char *code)
{
    return lowerCasePicture(code, ".jpg");
}

QString detailPicture(const char *code)
{
    return lowerCasePicture(code, "_detial.jpg");
}

QString typePicture(char letter)
{
    return QStringLiteral("/type") + QLatin1Char(letter) + QStringLiteral(".jpg");
}

PageKind pageKind(PageId id)
{
    for (const KindOfPages &pages : kinds) {
        if (id >= pages.first && id <= pages.last)
            return pages.kind;
    }
    return PageKind::Start;
}

const char *pageModel(PageId id)
{
    switch (pageKind(id)) {
    case PageKind::Result:
        return resultModel(id);
    case PageKind::Model:
        return modelCode(id - FirstModelPage);
    case PageKind::Detail:
        return id < FirstResultDetailPage ? modelCode(id - FirstDetailPage) : resultModel(id - ResultToDetail);
    default:
        return nullptr;
    }
}

} // namespace Catalogue
