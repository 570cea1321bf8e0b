#include "shell/basewidget.h"
#include "shell/topwatcher.h"

#include "support/guidetest.h"
#include "support/testpictures.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QThread>

// The start delay and the relay of the home page's requests.
class TestTopWatcher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void threadIsNamedAndRunning();
    void homeFollowsStartAfterTheDelay_data();
    void homeFollowsStartAfterTheDelay();

    void homeRequestIsCarriedOutAfterItsSlotReturned();
    void queuedHomeRequestsRunInOrder();
    void exitWithoutAWaitIsHarmless();
};

namespace {

QComboBox *modelList(Basewidget &window)
{
    return window.page()->findChild<QComboBox *>();
}

} // namespace

void TestTopWatcher::initTestCase()
{
    TestPictures::writeAll();
}

void TestTopWatcher::threadIsNamedAndRunning()
{
    Basewidget window;
    QThread *thread = window.topWatcher()->thread();
    QVERIFY(thread != QThread::currentThread());
    QCOMPARE(thread->objectName(), QStringLiteral("QuorvelWatcher"));
    QVERIFY(thread->isRunning());
}

void TestTopWatcher::homeFollowsStartAfterTheDelay_data()
{
    QTest::addColumn<int>("firstFrameLateMs");
    QTest::newRow("shown at once") << 0;
    // A compositor still starting: the window's first frame comes after the
    // delay would have run out, had it counted from the construction.
    QTest::newRow("first frame after the delay") << TopWatcher::StartDelayMs + 500;
}

void TestTopWatcher::homeFollowsStartAfterTheDelay()
{
    QFETCH(int, firstFrameLateMs);
    Basewidget window;
    PageLog log(&window);
    if (firstFrameLateMs > 0) {
        QTest::qWait(firstFrameLateMs);
        QCOMPARE(GuideTest::pageClass(window), QByteArray("QuorvelTop"));
    }
    QElapsedTimer sinceStart;
    sinceStart.start();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(GuideTest::pageClass(window), QByteArray("QuorvelTop"));

    QTRY_COMPARE_WITH_TIMEOUT(GuideTest::pageClass(window), QByteArray("QuorvelHome"), 6000);
    const PageLog::Entry home = log.entries.last();
    QCOMPARE(home.pageClass, QByteArray("QuorvelHome"));
    const qint64 shownAfter = sinceStart.msecsTo(home.shownAt);
    // Never early; how late a loaded machine lets it be is no promise.
    QVERIFY2(shownAfter >= TopWatcher::StartDelayMs, qPrintable(QString::number(shownAfter)));
    for (const PageLog::Entry &entry : log.entries.mid(0, log.entries.size() - 1))
        QCOMPARE(entry.pageClass, QByteArray("QuorvelTop"));
}

void TestTopWatcher::homeRequestIsCarriedOutAfterItsSlotReturned()
{
    Basewidget window;
    QVERIFY(GuideTest::skipStartDelay(window));
    QPointer<AbstractQuorvelWidget> home = window.page();

    // Connected after the page's own slot: runs once that slot has returned.
    bool homeStillShownAfterItsSlot = false;
    connect(modelList(window), static_cast<void (QComboBox::*)(int)>(&QComboBox::currentIndexChanged), &window,
            [&] { homeStillShownAfterItsSlot = window.page() == home; });
    modelList(window)->setCurrentIndex(5);

    QVERIFY(homeStillShownAfterItsSlot);
    QCOMPARE(window.page(), home.data());
    QTRY_VERIFY(home.isNull());
    QCOMPARE(GuideTest::pageClass(window), QByteArray("QuorvelLayer4"));
    QCOMPARE(window.page()->pageId, 61);
}

void TestTopWatcher::queuedHomeRequestsRunInOrder()
{
    Basewidget window;
    window.show();
    QVERIFY(GuideTest::skipStartDelay(window));
    PageLog log(&window);

    modelList(window)->setCurrentIndex(5);
    modelList(window)->setCurrentIndex(7);
    modelList(window)->setCurrentIndex(2);

    QTRY_COMPARE(log.entries.size(), 3);
    QCOMPARE(log.entries.at(0).pageId, 61);
    QCOMPARE(log.entries.at(1).pageId, 63);
    QCOMPARE(log.entries.at(2).pageId, 58);
    QCOMPARE(window.page()->pageId, 58);
}

void TestTopWatcher::exitWithoutAWaitIsHarmless()
{
    Basewidget window;
    PageLog log(&window);
    window.show();
    QTRY_COMPARE_WITH_TIMEOUT(GuideTest::pageClass(window), QByteArray("QuorvelHome"), 6000);

    emit window.topWatcher()->sigExit();
    modelList(window)->setCurrentIndex(3);
    QTRY_COMPARE(window.page()->pageId, 59);
    QTest::qWait(50);
    QCOMPARE(log.entries.last().pageId, 59);
}

QTEST_MAIN(TestTopWatcher)
#include "tst_topwatcher.moc"
