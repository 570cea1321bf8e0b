#include "quorvellayer4.h"

#include "catalogue.h"
#include "stylesheets.h"

using namespace Catalogue;

QuorvelLayer4::QuorvelLayer4()
{
    setStyleSheet(QLatin1String(StyleSheets::Hover));
}

void QuorvelLayer4::initPage()
{
    if (pageId >= FirstResultPage && pageId <= LastResultPage) {
        setNavigationTargets(resultQuestionPage(pageId), pageId + ResultToDetail, HomePageId);
        setPicturePath(pictureFile(modelPicture(resultModel(pageId))));
    } else if (pageId >= FirstModelPage && pageId <= LastModelPage) {
        setNavigationTargets(NoPageId, pageId + ModelToDetail, HomePageId);
        setPicturePath(pictureFile(modelPicture(modelCode(pageId - FirstModelPage))));
    } else if (pageId >= FirstTypePage && pageId <= LastTypePage) {
        setNavigationTargets(typeCataloguePage(pageId), NoPageId, HomePageId);
        setPicturePath(pictureFile(typePicture(typeLetter(pageId))));
    }
}
