#include "quorvellayer5.h"

#include "catalogue.h"
#include "stylesheets.h"

using namespace Catalogue;

QuorvelLayer5::QuorvelLayer5()
{
    setStyleSheet(QLatin1String(StyleSheets::Transparent));
}

void QuorvelLayer5::initPage()
{
    if (pageId < FirstDetailPage || pageId > LastDetailPage)
        return;
    // A detail sheet shows the model of the page that leads to it.
    const bool ofModelPage = pageId < FirstResultDetailPage;
    const PageId previous = ofModelPage ? pageId - ModelToDetail : pageId - ResultToDetail;
    const char *model = ofModelPage ? modelCode(previous - FirstModelPage) : resultModel(previous);
    setNavigationTargets(previous, NoPageId, HomePageId);
    setPicturePath(pictureFile(detailPicture(model)));
}
