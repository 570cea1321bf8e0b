#include "quorvellayer2.h"

#include "catalogue.h"
#include "hotspot.h"
#include "pageids.h"
#include "stylesheets.h"

#include <QPushButton>

namespace {

constexpr int TypeButtonCount = 7;

// Hot-spots name their button as its slot does: button 2 is btnTypePage2 and
// always opens type page 132; ModelButton(2) is btn2 and opens the page given
// beside it.
constexpr int ModelButton(int k)
{
    return TypeButtonCount + k;
}

// clang-format off
const QuestionPage pages[] = {
    // One row of five code groups.
    {GroupChoicePage, "/page2.jpg", {
        {ModelButton(1), {73, 295, 159, 81}, 18},
        {ModelButton(2), {245, 295, 159, 81}, 19},
        {ModelButton(3), {420, 295, 159, 81}, 20},
        {ModelButton(4), {595, 295, 159, 81}, 21},
        {ModelButton(5), {770, 295, 159, 81}, 22},
    }},
    // Types P, H, T and F.
    {FirstCataloguePage, "/page3_1.jpg", {
        {1, {48, 83, 89, 97}},
        {2, {48, 203, 89, 97}},
        {3, {48, 325, 89, 97}},
        {4, {48, 450, 89, 97}},
        {ModelButton(1), {275, 98, 134, 69}, 23},
        {ModelButton(2), {417, 98, 134, 69}, 24},
        {ModelButton(3), {275, 223, 134, 69}, 25},
        {ModelButton(4), {417, 223, 134, 69}, 26},
        {ModelButton(5), {559, 223, 134, 69}, 27},
        {ModelButton(6), {701, 223, 134, 69}, 28},
        {ModelButton(7), {843, 223, 134, 69}, 29},
        {ModelButton(8), {275, 348, 134, 69}, 30},
        {ModelButton(9), {417, 348, 134, 69}, 31},
        {ModelButton(10), {561, 348, 151, 69}, 32},
        {ModelButton(11), {724, 348, 151, 69}, 33},
        {ModelButton(12), {275, 473, 134, 69}, 34},
        {ModelButton(13), {417, 473, 134, 69}, 35},
    }},
    // Types K, N and R.
    {SecondCataloguePage, "/page3_2.jpg", {
        {5, {48, 82, 89, 97}},
        {6, {48, 208, 89, 97}},
        {7, {48, 332, 89, 97}},
        {ModelButton(1), {274, 101, 134, 69}, 36},
        {ModelButton(2), {417, 101, 134, 69}, 37},
        {ModelButton(3), {560, 101, 153, 69}, 38},
        {ModelButton(4), {727, 101, 153, 69}, 39},
        {ModelButton(5), {274, 228, 134, 69}, 40},
        {ModelButton(6), {274, 350, 134, 69}, 41},
        {ModelButton(7), {417, 350, 134, 69}, 42},
    }},
};
// clang-format on

} // namespace

QuorvelLayer2::QuorvelLayer2()
{
    setStyleSheet(QLatin1String(StyleSheets::Transparent));
}

QuorvelLayer2::~QuorvelLayer2()
{
    deleteButtons(this, buttonFields());
}

const ButtonFields<QuorvelLayer2> &QuorvelLayer2::buttonFields()
{
    // clang-format off
    static const ButtonFields<QuorvelLayer2> fields = {
        {&QuorvelLayer2::btnTypePage1, SLOT(sltBtnTypePage1Pressed())},
        {&QuorvelLayer2::btnTypePage2, SLOT(sltBtnTypePage2Pressed())},
        {&QuorvelLayer2::btnTypePage3, SLOT(sltBtnTypePage3Pressed())},
        {&QuorvelLayer2::btnTypePage4, SLOT(sltBtnTypePage4Pressed())},
        {&QuorvelLayer2::btnTypePage5, SLOT(sltBtnTypePage5Pressed())},
        {&QuorvelLayer2::btnTypePage6, SLOT(sltBtnTypePage6Pressed())},
        {&QuorvelLayer2::btnTypePage7, SLOT(sltBtnTypePage7Pressed())},
        {&QuorvelLayer2::btn1, SLOT(sltBtn1Pressed())},
        {&QuorvelLayer2::btn2, SLOT(sltBtn2Pressed())},
        {&QuorvelLayer2::btn3, SLOT(sltBtn3Pressed())},
        {&QuorvelLayer2::btn4, SLOT(sltBtn4Pressed())},
        {&QuorvelLayer2::btn5, SLOT(sltBtn5Pressed())},
        {&QuorvelLayer2::btn6, SLOT(sltBtn6Pressed())},
        {&QuorvelLayer2::btn7, SLOT(sltBtn7Pressed())},
        {&QuorvelLayer2::btn8, SLOT(sltBtn8Pressed())},
        {&QuorvelLayer2::btn9, SLOT(sltBtn9Pressed())},
        {&QuorvelLayer2::btn10, SLOT(sltBtn10Pressed())},
        {&QuorvelLayer2::btn11, SLOT(sltBtn11Pressed())},
        {&QuorvelLayer2::btn12, SLOT(sltBtn12Pressed())},
        {&QuorvelLayer2::btn13, SLOT(sltBtn13Pressed())},
    };
    // clang-format on
    return fields;
}

void QuorvelLayer2::initPage()
{
    if (const QuestionPage *page = findQuestionPage(pages, pageId)) {
        for (const HotSpot &spot : page->hotSpots) {
            createButton(this, buttonFields(), spot);
            if (spot.button > TypeButtonCount)
                targetPageIds[spot.button - TypeButtonCount - 1] = spot.target;
        }
        setPicturePath(pictureFile(page->picture));
    }
    // The catalogue's second page turns back to its first, the rest to the question.
    const PageId previous = pageId == SecondCataloguePage ? FirstCataloguePage : FirstQuestionPage;
    const PageId next = pageId == FirstCataloguePage ? SecondCataloguePage : NoPageId;
    setNavigationTargets(previous, next, HomePageId);
    connectButtons(this, buttonFields());
}

// The type buttons open the same type page on every page.
void QuorvelLayer2::sltBtnTypePage1Pressed()
{
    emit sigOpenWidget(Catalogue::FirstTypePage);
}

void QuorvelLayer2::sltBtnTypePage2Pressed()
{
    emit sigOpenWidget(Catalogue::FirstTypePage + 1);
}

void QuorvelLayer2::sltBtnTypePage3Pressed()
{
    emit sigOpenWidget(Catalogue::FirstTypePage + 2);
}

void QuorvelLayer2::sltBtnTypePage4Pressed()
{
    emit sigOpenWidget(Catalogue::FirstTypePage + 3);
}

void QuorvelLayer2::sltBtnTypePage5Pressed()
{
    emit sigOpenWidget(Catalogue::FirstTypePage + 4);
}

void QuorvelLayer2::sltBtnTypePage6Pressed()
{
    emit sigOpenWidget(Catalogue::FirstTypePage + 5);
}

void QuorvelLayer2::sltBtnTypePage7Pressed()
{
    emit sigOpenWidget(Catalogue::FirstTypePage + 6);
}

void QuorvelLayer2::sltBtn1Pressed()
{
    emit sigOpenWidget(targetPageIds[0]);
}

void QuorvelLayer2::sltBtn2Pressed()
{
    emit sigOpenWidget(targetPageIds[1]);
}

void QuorvelLayer2::sltBtn3Pressed()
{
    emit sigOpenWidget(targetPageIds[2]);
}

void QuorvelLayer2::sltBtn4Pressed()
{
    emit sigOpenWidget(targetPageIds[3]);
}

void QuorvelLayer2::sltBtn5Pressed()
{
    emit sigOpenWidget(targetPageIds[4]);
}

void QuorvelLayer2::sltBtn6Pressed()
{
    emit sigOpenWidget(targetPageIds[5]);
}

void QuorvelLayer2::sltBtn7Pressed()
{
    emit sigOpenWidget(targetPageIds[6]);
}

void QuorvelLayer2::sltBtn8Pressed()
{
    emit sigOpenWidget(targetPageIds[7]);
}

void QuorvelLayer2::sltBtn9Pressed()
{
    emit sigOpenWidget(targetPageIds[8]);
}

void QuorvelLayer2::sltBtn10Pressed()
{
    emit sigOpenWidget(targetPageIds[9]);
}

void QuorvelLayer2::sltBtn11Pressed()
{
    emit sigOpenWidget(targetPageIds[10]);
}

void QuorvelLayer2::sltBtn12Pressed()
{
    emit sigOpenWidget(targetPageIds[11]);
}

void QuorvelLayer2::sltBtn13Pressed()
{
    emit sigOpenWidget(targetPageIds[12]);
}
