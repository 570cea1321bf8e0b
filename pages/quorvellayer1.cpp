#include "quorvellayer1.h"

#include "pageids.h"
#include "stylesheets.h"

#include <QPushButton>

QuorvelLayer1::QuorvelLayer1()
{
    setStyleSheet(QLatin1String(StyleSheets::Transparent));
}

QuorvelLayer1::~QuorvelLayer1()
{
    delete btnYes;
    delete btnNo;
}

void QuorvelLayer1::initPage()
{
    // initPage() runs once for each page object, and the page owns its buttons.
    // cppcheck-suppress publicAllocationError
    btnYes = new QPushButton(this);
    btnNo = new QPushButton(this);
    // Side by side, with a 25-pixel strip between them that opens nothing.
    btnYes->setGeometry(216, 300, 275, 82);
    btnNo->setGeometry(516, 300, 275, 82);
    connect(btnYes, SIGNAL(pressed()), this, SLOT(sltBtnYesPressed()));
    connect(btnNo, SIGNAL(pressed()), this, SLOT(sltBtnNoPressed()));

    setNavigationTargets(HomePageId, NoPageId, HomePageId);
    setPicturePath(pictureFile("/page1.jpg"));
}

void QuorvelLayer1::sltBtnYesPressed()
{
    emit sigOpenWidget(GroupChoicePage);
}

void QuorvelLayer1::sltBtnNoPressed()
{
    emit sigOpenWidget(FirstCataloguePage);
}
