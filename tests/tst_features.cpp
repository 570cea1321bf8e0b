#include "shell/basewidget.h"

#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"

#include <QPushButton>
#include <QTest>

// The row of feature pictures, leafed through with previous and next.
class TestFeatures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void pageShowsFeatureOneLess_data();
    void pageShowsFeatureOneLess();

    void leafThroughAndBack();

private:
    Basewidget *window = nullptr;
};

void TestFeatures::initTestCase()
{
    TestPictures::writeAll();
    window = new Basewidget;
    QVERIFY(GuideTest::showHome(*window));
}

void TestFeatures::cleanupTestCase()
{
    delete window;
}

void TestFeatures::pageShowsFeatureOneLess_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("picture");

    QTest::newRow("first") << 2 << QStringLiteral("/feature1.jpg");
    QTest::newRow("one digit") << 7 << QStringLiteral("/feature6.jpg");
    QTest::newRow("last one digit") << 10 << QStringLiteral("/feature9.jpg");
    QTest::newRow("two digits") << 11 << QStringLiteral("/feature10.jpg");
    QTest::newRow("last") << 13 << QStringLiteral("/feature12.jpg");
}

void TestFeatures::pageShowsFeatureOneLess()
{
    QFETCH(int, id);
    QFETCH(QString, picture);

    window->sltOpenWidget(id);
    QCOMPARE(GuideTest::pageClass(*window), QByteArray("QuorvelFeatures"));
    QCOMPARE(window->page()->picturePath, pictureFile(picture));
    QCOMPARE(TestPictures::shownPicture(window), picture);
}

void TestFeatures::leafThroughAndBack()
{
    // In from the home page's feature area.
    window->sltOpenWidget(HomePageId);
    GuideTest::click(*window, QPoint(711, 318));
    QTRY_COMPARE_WITH_TIMEOUT(GuideTest::shownPageId(*window), 2, Patience::Ms);

    QVERIFY(window->page()->btnPrevious->isHidden());
    for (PageId id = 3; id <= 13; ++id) {
        QVERIFY(window->page()->btnNext->isVisible());
        QVERIFY(window->page()->btnHome->isVisible());
        GuideTest::click(*window, GuideTest::NextButton);
        QCOMPARE(window->page()->pageId, id);
        QCOMPARE(TestPictures::shownPicture(window), QStringLiteral("/feature%1.jpg").arg(id - 1));
    }
    // Closed at the far end: a press where next would be opens nothing.
    QVERIFY(window->page()->btnNext->isHidden());
    GuideTest::click(*window, GuideTest::NextButton);
    QCOMPARE(window->page()->pageId, 13);

    for (PageId id = 12; id >= 2; --id) {
        GuideTest::click(*window, GuideTest::PreviousButton);
        QCOMPARE(window->page()->pageId, id);
    }
    QVERIFY(window->page()->btnPrevious->isHidden());
    GuideTest::click(*window, GuideTest::PreviousButton);
    QCOMPARE(window->page()->pageId, 2);

    GuideTest::click(*window, GuideTest::HomeButton);
    QCOMPARE(GuideTest::pageClass(*window), QByteArray("QuorvelHome"));
}

QTEST_MAIN(TestFeatures)
#include "tst_features.moc"
