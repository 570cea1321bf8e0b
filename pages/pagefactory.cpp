#include "shell/pagefactory.h"

#include "catalogue.h"
#include "pageids.h"
#include "quorvelfeatures.h"
#include "quorvelhome.h"
#include "quorvellayer1.h"
#include "quorvellayer2.h"
#include "quorvellayer3.h"
#include "quorvellayer4.h"
#include "quorvellayer5.h"
#include "quorveltop.h"

namespace {

template <typename Page>
AbstractQuorvelWidget *createPage()
{
    return new Page;
}

// Which page class serves which ids.
struct PageClass
{
    PageId first;
    PageId last;
    AbstractQuorvelWidget *(*create)();
    bool setsPageId;
};

// clang-format off
const PageClass pageClasses[] = {
    {StartPageId, StartPageId, createPage<QuorvelTop>, false},
    {HomePageId, HomePageId, createPage<QuorvelHome>, false},
    {FirstFeaturePage, LastFeaturePage, createPage<QuorvelFeatures>, true},
    {FirstQuestionPage, FirstQuestionPage, createPage<QuorvelLayer1>, false},
    {GroupChoicePage, SecondCataloguePage, createPage<QuorvelLayer2>, true},
    {FirstGroupPage, LastGroupPage, createPage<QuorvelLayer3>, true},
    {Catalogue::FirstResultPage, Catalogue::LastModelPage, createPage<QuorvelLayer4>, true},
    {Catalogue::FirstDetailPage, Catalogue::LastDetailPage, createPage<QuorvelLayer5>, true},
    {Catalogue::FirstTypePage, Catalogue::LastTypePage, createPage<QuorvelLayer4>, true},
};
// clang-format on

const PageClass *pageClassOf(PageId id)
{
    for (const PageClass &pageClass : pageClasses) {
        if (id >= pageClass.first && id <= pageClass.last)
            return &pageClass;
    }
    return nullptr;
}

// The pages that lay see-through buttons over their picture give them a
// background colour only; styles such as Fusion then still draw their own
// opaque, bevelled button face over the picture. Without a border they draw
// just that colour: nothing, or the faint wash under the pointer.
constexpr char SeeThroughButtons[] = "QuorvelHome QPushButton, QuorvelLayer1 QPushButton, "
                                     "QuorvelLayer2 QPushButton, QuorvelLayer3 QPushButton, "
                                     "QuorvelLayer4 QPushButton, QuorvelLayer5 QPushButton {border: none;}";

} // namespace

namespace PageFactory {

AbstractQuorvelWidget *create(PageId id)
{
    const PageClass *pageClass = pageClassOf(id);
    return pageClass ? pageClass->create() : nullptr;
}

bool setsPageId(PageId id)
{
    const PageClass *pageClass = pageClassOf(id);
    return pageClass && pageClass->setsPageId;
}

const char *windowStyleSheet()
{
    return SeeThroughButtons;
}

} // namespace PageFactory
