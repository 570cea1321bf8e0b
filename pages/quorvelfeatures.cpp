#include "quorvelfeatures.h"

#include "pageids.h"

void QuorvelFeatures::initPage()
{
    // Closed at both ends: the row is left only through home.
    const PageId previous = pageId == FirstFeaturePage ? NoPageId : pageId - 1;
    const PageId next = pageId == LastFeaturePage ? NoPageId : pageId + 1;
    setNavigationTargets(previous, next, HomePageId);
    // Page 2 shows feature1.jpg; no leading zeros.
    setPicturePath(pictureFile(QStringLiteral("/feature%1.jpg").arg(pageId - 1)));
}
