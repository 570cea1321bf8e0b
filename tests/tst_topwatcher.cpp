#include "shell/basewidget.h"
#include "shell/idlereturn.h"
#include "shell/topwatcher.h"

#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"
#include "support/touch.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

// The start delay, the relay of the home page's requests, and the return to
// the home page when nobody is there.
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

    void idleSetting_data();
    void idleSetting();
    void idleReturn_data();
    void idleReturn();
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
        // Heard in the watcher's thread as it happens, however late the
        // window's own thread would deliver it.
        QSignalSpy ended(window.topWatcher(), SIGNAL(sigWaitFinished()));
        QTest::qWait(firstFrameLateMs);
        QCOMPARE(ended.count(), 0);
        QCOMPARE(GuideTest::pageClass(window), QByteArray("QuorvelTop"));
    }
    QElapsedTimer sinceStart;
    sinceStart.start();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(GuideTest::pageClass(window), QByteArray("QuorvelTop"));

    QTRY_COMPARE_WITH_TIMEOUT(GuideTest::pageClass(window), QByteArray("QuorvelHome"), Patience::Ms);
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
    QTRY_VERIFY_WITH_TIMEOUT(home.isNull(), Patience::Ms);
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

    QTRY_COMPARE_WITH_TIMEOUT(log.entries.size(), 3, Patience::Ms);
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
    QTRY_COMPARE_WITH_TIMEOUT(GuideTest::pageClass(window), QByteArray("QuorvelHome"), Patience::Ms);

    const int homeShown = log.entries.size();
    emit window.topWatcher()->sigExit();
    modelList(window)->setCurrentIndex(3);
    QTRY_COMPARE_WITH_TIMEOUT(window.page()->pageId, 59, Patience::Ms);
    // A last request through the watcher's thread comes after anything the
    // exit could have set off there: once it is shown, nothing else came.
    emit window.topWatcher()->sigSend(60);
    QTRY_COMPARE_WITH_TIMEOUT(window.page()->pageId, 60, Patience::Ms);
    QCOMPARE(log.entries.size(), homeShown + 2);
    QCOMPARE(log.entries.at(homeShown).pageId, 59);
}

void TestTopWatcher::idleSetting_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("seconds"); // 0: off

    QTest::newRow("unset") << QByteArray() << 0;
    QTest::newRow("10") << QByteArray("10") << 10;
    QTest::newRow("86400") << QByteArray("86400") << 86400;
    QTest::newRow("leading zero") << QByteArray("060") << 60;
    QTest::newRow("9") << QByteArray("9") << 0;
    QTest::newRow("0") << QByteArray("0") << 0;
    QTest::newRow("86401") << QByteArray("86401") << 0;
    QTest::newRow("-30") << QByteArray("-30") << 0;
    QTest::newRow("+30") << QByteArray("+30") << 0;
    QTest::newRow("30.5") << QByteArray("30.5") << 0;
    QTest::newRow("30s") << QByteArray("30s") << 0;
    QTest::newRow("space before") << QByteArray(" 30") << 0;
    QTest::newRow("words") << QByteArray("thirty") << 0;
    QTest::newRow("beyond int") << QByteArray("99999999999") << 0;
}

void TestTopWatcher::idleSetting()
{
    QFETCH(QByteArray, value);
    QFETCH(int, seconds);

    if (value.isNull())
        qunsetenv("QUORVEL_GUIDE_IDLE_SECONDS");
    else
        qputenv("QUORVEL_GUIDE_IDLE_SECONDS", value);
    const Basewidget window;
    qunsetenv("QUORVEL_GUIDE_IDLE_SECONDS");

    QCOMPARE(window.idleReturn() ? window.idleReturn()->seconds() : 0, seconds);
}

void TestTopWatcher::idleReturn_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("listOpen");
    QTest::addColumn<QString>("activity"); // one second before the time is up
    QTest::addColumn<int>("reached");

    QTest::newRow("model page") << 61 << false << QString() << int(HomePageId);
    QTest::newRow("detail page") << 99 << false << QString() << int(HomePageId);
    QTest::newRow("feature page") << 2 << false << QString() << int(HomePageId);
    QTest::newRow("first question page") << 14 << false << QString() << int(HomePageId);
    QTest::newRow("start page") << int(StartPageId) << false << QString() << int(StartPageId);
    QTest::newRow("home page") << int(HomePageId) << false << QString() << int(HomePageId);
    QTest::newRow("home page, list open") << int(HomePageId) << true << QString() << int(HomePageId);
    QTest::newRow("press") << 61 << false << QStringLiteral("press") << int(HomePageId);
    QTest::newRow("pointer move") << 61 << false << QStringLiteral("move") << int(HomePageId);
    QTest::newRow("key") << 61 << false << QStringLiteral("key") << int(HomePageId);
    QTest::newRow("touch") << 61 << false << QStringLiteral("touch") << int(HomePageId);
    // Held still, a finger sends no updates: home comes once it lifts, not before.
    QTest::newRow("touch held") << 61 << false << QStringLiteral("held") << int(HomePageId);
    QTest::newRow("list open, key") << int(HomePageId) << true << QStringLiteral("key") << int(HomePageId);
    // The home page's request, queued, with no input of its own.
    QTest::newRow("page change") << int(HomePageId) << false << QStringLiteral("list choice") << int(HomePageId);
}

void TestTopWatcher::idleReturn()
{
    QFETCH(int, page);
    QFETCH(bool, listOpen);
    QFETCH(QString, activity);
    QFETCH(int, reached);

    qputenv("QUORVEL_GUIDE_IDLE_SECONDS", "30");
    Basewidget window;
    qunsetenv("QUORVEL_GUIDE_IDLE_SECONDS");
    IdleReturn *idle = window.idleReturn();
    QVERIFY(idle);
    idle->setClock(0);
    QVERIFY(GuideTest::showHome(window));
    if (page != HomePageId)
        window.sltOpenWidget(page);
    const QPointer<QComboBox> list = modelList(window);
    if (listOpen) {
        GuideTest::press(window, QPoint(711, 125));
        QTRY_VERIFY_WITH_TIMEOUT(list->view()->isVisible(), Patience::Ms);
    }
    const qint64 start = idle->clockTime();
    const qint64 lastBefore = start + 29000;
    Fingers fingers(&window);

    idle->setClock(lastBefore);
    if (activity == QLatin1String("press")) {
        GuideTest::click(window, QPoint(20, 580));
    } else if (activity == QLatin1String("move")) {
        QTest::mouseMove(window.windowHandle(), QPoint(300, 300));
    } else if (activity == QLatin1String("key")) {
        QTest::keyClick(QApplication::focusWindow() ? QApplication::focusWindow() : window.windowHandle(),
                        Qt::Key_Shift);
    } else if (activity == QLatin1String("touch")) {
        fingers.tap(QPoint(20, 580));
    } else if (activity == QLatin1String("held")) {
        fingers.down(0, QPoint(20, 580));
    } else if (activity == QLatin1String("list choice")) {
        list->setCurrentIndex(5);
        QTRY_COMPARE_WITH_TIMEOUT(window.page()->pageId, 61, Patience::Ms);
        reached = HomePageId;
    }
    QPointer<AbstractQuorvelWidget> shown = window.page();
    QCOMPARE(GuideTest::shownPageId(window), activity == QLatin1String("list choice") ? 61 : page);
    // The time is up for a visitor who did nothing, not for one who just did.
    qint64 upAt = activity.isEmpty() ? start + 30000 : lastBefore + 30000;
    if (activity == QLatin1String("held")) {
        idle->setClock(upAt + 60000);
        QCoreApplication::processEvents();
        QCOMPARE(window.page(), shown.data());
        fingers.up(0);
        upAt = idle->clockTime() + 30000;
    }
    idle->setClock(upAt - 1);
    QCoreApplication::processEvents();
    QCOMPARE(window.page(), shown.data());
    QCOMPARE(list && list->view()->isVisible(), listOpen);

    idle->setClock(upAt);
    QTRY_COMPARE_WITH_TIMEOUT(GuideTest::shownPageId(window), reached, Patience::Ms);
    if (reached == HomePageId && shown && GuideTest::shownPageId(window) == HomePageId)
        QCOMPARE(window.page(), shown.data()); // the home page stays as it was
    if (listOpen)
        QTRY_VERIFY_WITH_TIMEOUT(!modelList(window)->view()->isVisible(), Patience::Ms);
    QCOMPARE(modelList(window) ? modelList(window)->currentIndex() : 0, 0);
}

QTEST_MAIN(TestTopWatcher)
#include "tst_topwatcher.moc"
