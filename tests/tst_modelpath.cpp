#include "shell/basewidget.h"

#include "support/guidetest.h"
#include "support/testpictures.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QTest>

// A visitor's walk through the model list, press by press.
class TestModelPath : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void walkFromStartToADetailSheetAndHome();
};

void TestModelPath::initTestCase()
{
    TestPictures::writeAll();
}

void TestModelPath::walkFromStartToADetailSheetAndHome()
{
    Basewidget window;
    window.setWindowTitle(QStringLiteral("Varnholt Crop."));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), QSize(1000, 600));
    QCOMPARE(TestPictures::shownPicture(&window), QStringLiteral("/top.jpg"));

    // Presses on the start page, its corners included, lead nowhere.
    GuideTest::click(window, QPoint(975, 25));
    GuideTest::click(window, QPoint(500, 300));
    QCOMPARE(TestPictures::shownPicture(&window), QStringLiteral("/top.jpg"));

    QTRY_COMPARE_WITH_TIMEOUT(TestPictures::shownPicture(&window), QStringLiteral("/home.jpg"), 6000);

    // Open the list by pressing on it, then choose row 5.
    auto *list = window.page()->findChild<QComboBox *>();
    GuideTest::click(window, QPoint(711, 125));
    QTRY_VERIFY(list->view()->isVisible());
    // The open list ignores a release that comes too soon after it opened.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    QAbstractItemView *rows = list->view();
    const QRect row5 = rows->visualRect(list->model()->index(5, 0));
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, Qt::NoModifier, row5.center());

    QTRY_COMPARE(TestPictures::shownPicture(&window), QStringLiteral("/363ku.jpg"));
    QCOMPARE(window.page()->pageId, 61);

    GuideTest::click(window, GuideTest::NextButton);
    QCOMPARE(TestPictures::shownPicture(&window), QStringLiteral("/363ku_detial.jpg"));
    GuideTest::click(window, GuideTest::PreviousButton);
    QCOMPARE(TestPictures::shownPicture(&window), QStringLiteral("/363ku.jpg"));
    GuideTest::click(window, GuideTest::NextButton);
    GuideTest::click(window, GuideTest::HomeButton);
    QCOMPARE(TestPictures::shownPicture(&window), QStringLiteral("/home.jpg"));

    list = window.page()->findChild<QComboBox *>();
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(list->currentText(), QStringLiteral("RQX-500 Series"));
}

QTEST_MAIN(TestModelPath)
#include "tst_modelpath.moc"
