#include "quorveltop.h"

void QuorvelTop::initPage()
{
    setNavigationTargets(NoPageId, NoPageId, NoPageId);
    setPicturePath(pictureFile("/top.jpg"));
}
