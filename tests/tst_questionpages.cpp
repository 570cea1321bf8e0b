#include "shell/basewidget.h"

#include "measures/processmemory.h"
#include "support/guidetest.h"
#include "support/testpictures.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

// The hot-spots of the home page and of the question pages, pressed for real;
// and the start page, which has none.
class TestQuestionPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void hotSpotEdges_data();
    void hotSpotEdges();

    void gapsOpenNothing_data();
    void gapsOpenNothing();

    void everyPointOpensWhatLiesUnderIt_data();
    void everyPointOpensWhatLiesUnderIt();

    void navigation_data();
    void navigation();

    void catalogueTurnsPagesAndComesBackFresh();

private:
    // The page id a press at point asks for, NoPageId when it asks for none.
    PageId pressOn(PageId page, QPoint point);

    Basewidget *window = nullptr;
};

namespace {

struct Spot
{
    PageId page;
    QRect rect;
    PageId target;
};

// Every hot-spot of the home page and the question pages, as the pictures are
// drawn for them.
// clang-format off
const Spot spots[] = {
    {1, {519, 203, 384, 231}, 2},
    {1, {101, 424, 328, 65}, 14},

    {14, {216, 300, 275, 82}, 15},
    {14, {516, 300, 275, 82}, 16},

    {15, {73, 295, 159, 81}, 18},
    {15, {245, 295, 159, 81}, 19},
    {15, {420, 295, 159, 81}, 20},
    {15, {595, 295, 159, 81}, 21},
    {15, {770, 295, 159, 81}, 22},

    {16, {48, 83, 89, 97}, 131},
    {16, {275, 98, 134, 69}, 23},
    {16, {417, 98, 134, 69}, 24},
    {16, {48, 203, 89, 97}, 132},
    {16, {275, 223, 134, 69}, 25},
    {16, {417, 223, 134, 69}, 26},
    {16, {559, 223, 134, 69}, 27},
    {16, {701, 223, 134, 69}, 28},
    {16, {843, 223, 134, 69}, 29},
    {16, {48, 325, 89, 97}, 133},
    {16, {275, 348, 134, 69}, 30},
    {16, {417, 348, 134, 69}, 31},
    {16, {561, 348, 151, 69}, 32},
    {16, {724, 348, 151, 69}, 33},
    {16, {48, 450, 89, 97}, 134},
    {16, {275, 473, 134, 69}, 34},
    {16, {417, 473, 134, 69}, 35},

    {17, {48, 82, 89, 97}, 135},
    {17, {274, 101, 134, 69}, 36},
    {17, {417, 101, 134, 69}, 37},
    {17, {560, 101, 153, 69}, 38},
    {17, {727, 101, 153, 69}, 39},
    {17, {48, 208, 89, 97}, 136},
    {17, {274, 228, 134, 69}, 40},
    {17, {48, 332, 89, 97}, 137},
    {17, {274, 350, 134, 69}, 41},
    {17, {417, 350, 134, 69}, 42},

    {18, {55, 293, 287, 79}, 43},
    {18, {359, 293, 287, 79}, 44},
    {18, {661, 293, 287, 79}, 45},
    {19, {323, 295, 354, 79}, 46},
    {20, {152, 177, 220, 146}, 47},
    {20, {391, 177, 220, 146}, 48},
    {20, {629, 177, 220, 146}, 49},
    {20, {152, 339, 220, 146}, 50},
    {20, {391, 339, 220, 146}, 51},
    {21, {326, 275, 351, 126}, 52},
    {22, {42, 226, 222, 222}, 53},
    {22, {280, 226, 222, 222}, 54},
    {22, {519, 226, 222, 222}, 55},
    {22, {758, 226, 222, 222}, 56},
};
// clang-format on

struct Navigation
{
    PageId page;
    PageId previous;
    PageId next;
};

// Home is 1 on every question page; NoPageId means the button is hidden.
// clang-format off
const Navigation navigations[] = {
    {14, 1, NoPageId},
    {15, 14, NoPageId},
    {16, 14, 17},
    {17, 16, NoPageId},
    {18, 15, NoPageId},
    {19, 15, NoPageId},
    {20, 15, NoPageId},
    {21, 15, NoPageId},
    {22, 15, NoPageId},
};
// clang-format on

const QRect modelList(564, 106, 295, 39);

PageId expectedAt(PageId page, QPoint point)
{
    for (const Spot &spot : spots) {
        if (spot.page == page && spot.rect.contains(point))
            return spot.target;
    }
    const QRect buttons[] = {{850, 0, 50, 50}, {900, 0, 50, 50}, {950, 0, 50, 50}};
    for (const Navigation &navigation : navigations) {
        if (navigation.page != page)
            continue;
        const PageId targets[] = {navigation.previous, navigation.next, HomePageId};
        for (int i = 0; i < 3; ++i) {
            if (buttons[i].contains(point))
                return targets[i];
        }
    }
    return NoPageId;
}

} // namespace

void TestQuestionPages::initTestCase()
{
    TestPictures::writeAll();
    window = new Basewidget;
    QVERIFY(GuideTest::showHome(*window));
}

void TestQuestionPages::cleanupTestCase()
{
    delete window;
}

PageId TestQuestionPages::pressOn(PageId page, QPoint point)
{
    if (GuideTest::shownPageId(*window) != page)
        window->sltOpenWidget(page);
    QPointer<AbstractQuorvelWidget> opened = window->page();
    QSignalSpy requests(opened.data(), SIGNAL(sigOpenWidget(int)));
    GuideTest::press(*window, point);
    // Every page but the home page is replaced within the press itself, before
    // the spy hears of it; the home page's requests arrive later.
    const bool switched = opened.isNull();
    const PageId reached = GuideTest::shownPageId(*window);
    GuideTest::release(*window, point);
    if (switched)
        return reached;
    if (requests.isEmpty())
        return NoPageId;
    // A home page request must be carried out, and before the next press.
    if (!QTest::qWaitFor([&opened] { return opened.isNull(); }, 2000))
        return -2000;
    return requests.count() == 1 ? requests.at(0).at(0).toInt() : -1000;
}

void TestQuestionPages::hotSpotEdges_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("expected");

    for (const Spot &spot : spots) {
        const QRect r = spot.rect;
        const QByteArray name = QByteArray::number(spot.page) + " to " + QByteArray::number(spot.target);
        QTest::newRow((name + ", centre").constData()) << spot.page << r.center() << spot.target;
        QTest::newRow((name + ", first pixel").constData()) << spot.page << r.topLeft() << spot.target;
        QTest::newRow((name + ", last pixel").constData()) << spot.page << r.bottomRight() << spot.target;
        QTest::newRow((name + ", left of it").constData())
            << spot.page << QPoint(r.left() - 1, r.center().y()) << int(NoPageId);
        QTest::newRow((name + ", above it").constData())
            << spot.page << QPoint(r.center().x(), r.top() - 1) << int(NoPageId);
        QTest::newRow((name + ", right of it").constData())
            << spot.page << QPoint(r.right() + 1, r.center().y()) << int(NoPageId);
        QTest::newRow((name + ", below it").constData())
            << spot.page << QPoint(r.center().x(), r.bottom() + 1) << int(NoPageId);
    }
}

void TestQuestionPages::hotSpotEdges()
{
    QFETCH(int, page);
    QFETCH(QPoint, point);
    QFETCH(int, expected);

    QCOMPARE(pressOn(page, point), expected);
}

void TestQuestionPages::gapsOpenNothing_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QPoint>("point");

    QTest::newRow("14, strip between yes and no, left") << 14 << QPoint(491, 340);
    QTest::newRow("14, strip between yes and no, right") << 14 << QPoint(515, 340);
    QTest::newRow("15, between the first two groups") << 15 << QPoint(240, 330);
    QTest::newRow("19, left of the single model") << 19 << QPoint(300, 330);
    QTest::newRow("20, between the two rows") << 20 << QPoint(500, 330);
    QTest::newRow("21, left of the single model") << 21 << QPoint(300, 330);
    QTest::newRow("22, between the first two squares") << 22 << QPoint(272, 330);
}

void TestQuestionPages::gapsOpenNothing()
{
    QFETCH(int, page);
    QFETCH(QPoint, point);

    QCOMPARE(pressOn(page, point), NoPageId);
}

void TestQuestionPages::everyPointOpensWhatLiesUnderIt_data()
{
    QTest::addColumn<int>("page");
    for (PageId page : {0, 1, 14, 15, 16, 17, 18, 19, 20, 21, 22})
        QTest::newRow(QByteArray::number(page).constData()) << int(page);
}

void TestQuestionPages::everyPointOpensWhatLiesUnderIt()
{
    QFETCH(int, page);

    // A grid over the whole page, off the grid of the rectangles' edges. The
    // sanitizers' run looks for memory faults, not for gaps: a quarter of the
    // presses keeps it well within its time.
    const int spread = ProcessMemory::underAddressSanitizer() ? 2 : 1;
    for (int y = 3; y < 600; y += 20 * spread) {
        for (int x = 7; x < 1000; x += 40 * spread) {
            const QPoint point(x, y);
            if (page == HomePageId && modelList.contains(point))
                continue; // the model list opens, asking for nothing
            const PageId expected = expectedAt(page, point);
            const PageId actual = pressOn(page, point);
            QVERIFY2(actual == expected,
                     qPrintable(QStringLiteral("page %1 at (%2, %3): %4, expected %5")
                                    .arg(page)
                                    .arg(x)
                                    .arg(y)
                                    .arg(actual)
                                    .arg(expected)));
        }
    }
}

void TestQuestionPages::navigation_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("next");

    for (const Navigation &n : navigations)
        QTest::newRow(QByteArray::number(n.page).constData()) << n.page << n.previous << n.next;
}

void TestQuestionPages::navigation()
{
    QFETCH(int, page);
    QFETCH(int, previous);
    QFETCH(int, next);

    window->sltOpenWidget(page);
    const AbstractQuorvelWidget *shown = window->page();
    QCOMPARE(shown->btnPrevious->isVisible(), previous != NoPageId);
    QCOMPARE(shown->btnNext->isVisible(), next != NoPageId);
    QVERIFY(shown->btnHome->isVisible());

    QCOMPARE(pressOn(page, GuideTest::PreviousButton), previous);
    QCOMPARE(pressOn(page, GuideTest::NextButton), next);
    QCOMPARE(pressOn(page, GuideTest::HomeButton), HomePageId);
}

void TestQuestionPages::catalogueTurnsPagesAndComesBackFresh()
{
    window->sltOpenWidget(16);
    GuideTest::click(*window, GuideTest::NextButton);
    QCOMPARE(window->page()->pageId, 17);
    QCOMPARE(TestPictures::shownPicture(window), QStringLiteral("/page3_2.jpg"));
    GuideTest::click(*window, GuideTest::PreviousButton);
    QCOMPARE(window->page()->pageId, 16);
    QCOMPARE(TestPictures::shownPicture(window), QStringLiteral("/page3_1.jpg"));
    // A fresh page 16 whose buttons work as on the first visit.
    GuideTest::click(*window, QPoint(342, 132));
    QCOMPARE(window->page()->pageId, 23);
}

QTEST_MAIN(TestQuestionPages)
#include "tst_questionpages.moc"
