#include "quorvellayer3.h"

#include "hotspot.h"
#include "pageids.h"
#include "stylesheets.h"

#include <QPushButton>

namespace {

// Each page offers the models of one code group; the buttons are numbered as
// their slots, sltBtn1Pressed() for button 1.
// clang-format off
const QuestionPage pages[] = {
    {18, "/page4.jpg", {
        {1, {55, 293, 287, 79}, 43},
        {2, {359, 293, 287, 79}, 44},
        {3, {661, 293, 287, 79}, 45},
    }},
    {19, "/page5.jpg", {
        {1, {323, 295, 354, 79}, 46},
    }},
    {20, "/page6.jpg", {
        {1, {152, 177, 220, 146}, 47},
        {2, {391, 177, 220, 146}, 48},
        {3, {629, 177, 220, 146}, 49},
        {4, {152, 339, 220, 146}, 50},
        {5, {391, 339, 220, 146}, 51},
    }},
    {21, "/page7.jpg", {
        {1, {326, 275, 351, 126}, 52},
    }},
    {22, "/page8.jpg", {
        {1, {42, 226, 222, 222}, 53},
        {2, {280, 226, 222, 222}, 54},
        {3, {519, 226, 222, 222}, 55},
        {4, {758, 226, 222, 222}, 56},
    }},
};
// clang-format on

} // namespace

QuorvelLayer3::QuorvelLayer3()
{
    setStyleSheet(QLatin1String(StyleSheets::Transparent));
}

QuorvelLayer3::~QuorvelLayer3()
{
    deleteButtons(this, buttonFields());
}

const ButtonFields<QuorvelLayer3> &QuorvelLayer3::buttonFields()
{
    // clang-format off
    static const ButtonFields<QuorvelLayer3> fields = {
        {&QuorvelLayer3::btn1, SLOT(sltBtn1Pressed())},
        {&QuorvelLayer3::btn2, SLOT(sltBtn2Pressed())},
        {&QuorvelLayer3::btn3, SLOT(sltBtn3Pressed())},
        {&QuorvelLayer3::btn4, SLOT(sltBtn4Pressed())},
        {&QuorvelLayer3::btn5, SLOT(sltBtn5Pressed())},
    };
    // clang-format on
    return fields;
}

void QuorvelLayer3::initPage()
{
    if (const QuestionPage *page = findQuestionPage(pages, pageId)) {
        for (const HotSpot &spot : page->hotSpots) {
            createButton(this, buttonFields(), spot);
            targetPageIds[spot.button - 1] = spot.target;
        }
        setPicturePath(pictureFile(page->picture));
    }
    connectButtons(this, buttonFields());
    setNavigationTargets(GroupChoicePage, NoPageId, HomePageId);
}

void QuorvelLayer3::sltBtn1Pressed()
{
    emit sigOpenWidget(targetPageIds[0]);
}

void QuorvelLayer3::sltBtn2Pressed()
{
    emit sigOpenWidget(targetPageIds[1]);
}

void QuorvelLayer3::sltBtn3Pressed()
{
    emit sigOpenWidget(targetPageIds[2]);
}

void QuorvelLayer3::sltBtn4Pressed()
{
    emit sigOpenWidget(targetPageIds[3]);
}

void QuorvelLayer3::sltBtn5Pressed()
{
    emit sigOpenWidget(targetPageIds[4]);
}
