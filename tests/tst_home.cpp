#include "shell/basewidget.h"

#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

// The home page: its hot-spots, its model list and the debug line.
class TestHome : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listHasAHeadingAndTwentyModels();

    void rowOpensItsModelPage_data();
    void rowOpensItsModelPage();
    void rowChosenWithThePointerOpensItsModelPage();

    void rowOfNoModelLogsButAsksForNothing_data();
    void rowOfNoModelLogsButAsksForNothing();
    void currentRowAgainDoesNothing();

    void looks();
    void deletingLogsAndAsksForNothing();

private:
    Basewidget *window = nullptr;
    QComboBox *list() const { return window->page()->findChild<QComboBox *>(); }
};

namespace {

QStringList debugLines;

void captureDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        debugLines << message;
}

} // namespace

void TestHome::initTestCase()
{
    TestPictures::writeAll();
}

void TestHome::init()
{
    window = new Basewidget;
    QVERIFY(GuideTest::showHome(*window));
    debugLines.clear();
    qInstallMessageHandler(captureDebug);
}

void TestHome::cleanup()
{
    qInstallMessageHandler(nullptr);
    delete window;
}

void TestHome::listHasAHeadingAndTwentyModels()
{
    QCOMPARE(list()->count(), 21);
    QCOMPARE(list()->currentIndex(), 0);
    QCOMPARE(list()->itemText(0), QStringLiteral("RQX-500 Series"));
    QCOMPARE(list()->itemText(5), QStringLiteral("363KU"));
    QCOMPARE(list()->maxVisibleItems(), 10);
    for (int row = 0; row < list()->count(); ++row) {
        QVERIFY(list()->itemIcon(row).isNull());
        QVERIFY(!list()->itemData(row).isValid());
    }
}

void TestHome::rowOpensItsModelPage_data()
{
    QTest::addColumn<int>("row");
    for (int row = 1; row <= 20; ++row)
        QTest::newRow(QByteArray::number(row).constData()) << row;
}

void TestHome::rowOpensItsModelPage()
{
    QFETCH(int, row);

    const QString model = list()->itemText(row);
    QSignalSpy requests(window->page(), SIGNAL(sigOpenWidget(int)));
    list()->setCurrentIndex(row);

    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toInt(), 56 + row);
    QCOMPARE(debugLines.size(), 1);
    QVERIFY2(debugLines.at(0).contains(QLatin1String("QuorvelHome::sltIndexChanged(int)")),
             qPrintable(debugLines.at(0)));
    const QString afterName = debugLines.at(0).section(QLatin1String("sltIndexChanged(int)"), 1);
    QCOMPARE(afterName.simplified().section(QLatin1Char(' '), 0, 0), QString::number(row));

    // The model page shows the picture named after the row.
    QTRY_COMPARE_WITH_TIMEOUT(window->page()->pageId, 56 + row, Patience::Ms);
    QCOMPARE(TestPictures::shownPicture(window), QLatin1Char('/') + model.toLower() + QLatin1String(".jpg"));
}

void TestHome::rowChosenWithThePointerOpensItsModelPage()
{
#ifdef Q_OS_WIN
    // Offscreen under Wine the Windows style's list did not show after this
    // click; the installed guide's walk under Wine picks this row with a real
    // pointer instead (deploy/windows/wine-checks.sh).
    QSKIP("the Windows walk under Wine chooses this row in the real window");
#endif
    GuideTest::click(*window, QPoint(711, 125));
    QAbstractItemView *rows = list()->view();
    QTRY_VERIFY_WITH_TIMEOUT(rows->isVisible(), Patience::Ms);
    // The open list ignores a release that comes too soon after it opened.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    const QRect row5 = rows->visualRect(list()->model()->index(5, 0));
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, Qt::NoModifier, row5.center());

    QTRY_COMPARE_WITH_TIMEOUT(TestPictures::shownPicture(window), QStringLiteral("/363ku.jpg"), Patience::Ms);
    QCOMPARE(window->page()->pageId, 61);
}

void TestHome::rowOfNoModelLogsButAsksForNothing_data()
{
    QTest::addColumn<bool>("emptied");
    QTest::addColumn<int>("index");

    QTest::newRow("the heading") << false << 0;
    // What the list reports when it is emptied.
    QTest::newRow("none, the list emptied") << true << -1;
}

void TestHome::rowOfNoModelLogsButAsksForNothing()
{
    QFETCH(bool, emptied);
    QFETCH(int, index);

    QSignalSpy requests(window->page(), SIGNAL(sigOpenWidget(int)));
    list()->setCurrentIndex(3);
    if (emptied)
        list()->clear();
    else
        list()->setCurrentIndex(0);

    QCOMPARE(list()->currentIndex(), index);
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toInt(), 59);
    QCOMPARE(debugLines.size(), 2);
    QVERIFY(debugLines.at(1).contains(QLatin1String("QuorvelHome::sltIndexChanged(int)")));
}

void TestHome::currentRowAgainDoesNothing()
{
    QSignalSpy requests(window->page(), SIGNAL(sigOpenWidget(int)));
    list()->setCurrentIndex(0);
    QCOMPARE(requests.count(), 0);
    QCOMPARE(debugLines.size(), 0);
}

void TestHome::looks()
{
    // How its buttons look over the picture is tst_looks' to see.
    AbstractQuorvelWidget *page = window->page();
    QVERIFY(!page->btnPrevious->isVisible());
    QVERIFY(!page->btnNext->isVisible());
    QVERIFY(!page->btnHome->isVisible());
    QCOMPARE(list()->geometry(), QRect(564, 106, 295, 39));
    QCOMPARE(TestPictures::shownPicture(window), QStringLiteral("/home.jpg"));
}

void TestHome::deletingLogsAndAsksForNothing()
{
    QPointer<AbstractQuorvelWidget> home = window->page();
    QSignalSpy requests(home.data(), SIGNAL(sigOpenWidget(int)));
    window->sltOpenWidget(57);
    QVERIFY(home.isNull());
    QCOMPARE(requests.count(), 0);
    QCOMPARE(debugLines.size(), 0);
}

QTEST_MAIN(TestHome)
#include "tst_home.moc"
