#include "shell/basewidget.h"
#include "shell/topwatcher.h"

#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

// Closing the window at any moment: the watcher thread ends at once, and
// nothing it had on its way reaches the window afterwards.
class TestShutdown : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void closingDuringTheStartDelay_data();
    void closingDuringTheStartDelay();

    void closingWithHomeRequestsOnTheWay_data();
    void closingWithHomeRequestsOnTheWay();
};

namespace {

using Clock = std::chrono::steady_clock;

qint64 msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

// Hears, in the watcher's own thread, what it sends and when its thread ends.
class WatcherWitness
{
public:
    explicit WatcherWitness(Basewidget &window)
    {
        TopWatcher *watcher = window.topWatcher();
        QObject::connect(watcher, &TopWatcher::sigOpen, [this](int) { ++relayed; });
        QObject::connect(watcher, &TopWatcher::sigWaitFinished, [this] { startEnded = true; });
        QObject::connect(watcher->thread(), &QThread::finished,
                         [this] { threadEndedAt = Clock::now().time_since_epoch().count(); });
    }

    std::atomic<int> relayed{0};
    std::atomic<bool> startEnded{false};
    std::atomic<Clock::rep> threadEndedAt{0};
};

// Waits, without letting this thread's event loop run, so that what the
// watcher posts back stays posted.
bool waitWithoutEvents(const std::function<bool()> &done)
{
    const Clock::time_point giveUp = Clock::now() + std::chrono::milliseconds(Patience::Ms);
    while (!done() && Clock::now() < giveUp)
        QThread::yieldCurrentThread();
    return done();
}

// Queued calls delivered in this thread: after the window is gone none may
// come, for nothing else here makes them.
class MetaCallCounter : public QObject
{
public:
    MetaCallCounter() { qApp->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MetaCall)
            ++count;
        return false;
    }
};

int pageObjects()
{
    int pages = 0;
    for (QWidget *widget : QApplication::allWidgets()) {
        if (qobject_cast<AbstractQuorvelWidget *>(widget))
            ++pages;
    }
    return pages;
}

// Closes the window as the program's end does, and checks what follows.
// shown: when the window was shown, where the start delay still ran at the
// close; a close never waits for the rest of it.
void closeAndCheck(Basewidget *window, WatcherWitness &witness, int widgetsBefore,
                   std::optional<Clock::time_point> shown = std::nullopt)
{
    QPointer<TopWatcher> watcher = window->topWatcher();
    QVERIFY2(witness.threadEndedAt == 0, "the watcher thread ended before the window closed");
    const bool delayRan = !witness.startEnded;
    const Clock::time_point closing = Clock::now();
    delete window;
    const Clock::time_point closed = Clock::now();

    QVERIFY2(witness.threadEndedAt != 0, "the watcher thread still runs");
    const qint64 threadEnded = msBetween(closing, Clock::time_point(Clock::duration(witness.threadEndedAt)));
    qInfo("closed in %lld ms, the watcher thread ended after %lld ms", msBetween(closing, closed), threadEnded);
    // The delay began at the first frame, after the show: at least this much
    // of it was left. Checked only where most of it was, so that a close at
    // its very end is never taken for one that waited it out.
    const qint64 left = shown ? TopWatcher::StartDelayMs - msBetween(*shown, closing) : 0;
    if (delayRan && left > TopWatcher::StartDelayMs / 2) {
        QVERIFY2(threadEnded < left, qPrintable(QStringLiteral("%1 of %2 ms").arg(threadEnded).arg(left)));
        QVERIFY2(msBetween(closing, closed) < left,
                 qPrintable(QStringLiteral("%1 of %2 ms").arg(msBetween(closing, closed)).arg(left)));
    }
    QVERIFY(watcher.isNull());

    // The thread has ended: whatever it posted here is queued already, and
    // comes before a call queued now.
    MetaCallCounter metaCalls;
    bool last = false;
    QMetaObject::invokeMethod(
        qApp, [&last] { last = true; }, Qt::QueuedConnection);
    QTRY_VERIFY_WITH_TIMEOUT(last, Patience::Ms);
    QCOMPARE(metaCalls.count, 1);
    QCOMPARE(pageObjects(), 0);
    QCOMPARE(QApplication::allWidgets().size(), widgetsBefore);
}

} // namespace

void TestShutdown::initTestCase()
{
    TestPictures::writeAll();
}

void TestShutdown::closingDuringTheStartDelay_data()
{
    QTest::addColumn<int>("after");

    QTest::newRow("at once") << 0;
    QTest::newRow("1 ms") << 1;
    QTest::newRow("10 ms") << 10;
    QTest::newRow("100 ms") << 100;
    QTest::newRow("1000 ms") << 1000;
    QTest::newRow("2999 ms") << 2999;
    // -1: the delay has ended in the watcher, the home page is not yet built.
    QTest::newRow("end of the delay posted, not delivered") << -1;
}

void TestShutdown::closingDuringTheStartDelay()
{
    QFETCH(int, after);

    const int widgetsBefore = QApplication::allWidgets().size();
    auto *window = new Basewidget;
    WatcherWitness witness(*window);
    const Clock::time_point shown = Clock::now();
    window->show();
    if (after >= 0) {
        QTest::qWait(after);
        if (after < 2999)
            QVERIFY(!witness.startEnded);
    } else {
        // The delay begins at the start picture's first frame.
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(waitWithoutEvents([&] { return witness.startEnded.load(); }));
        QCOMPARE(GuideTest::pageClass(*window), QByteArray("QuorvelTop"));
    }

    closeAndCheck(window, witness, widgetsBefore, shown);
}

void TestShutdown::closingWithHomeRequestsOnTheWay_data()
{
    QTest::addColumn<QVector<int>>("rows");
    QTest::addColumn<bool>("pressFeatures");
    QTest::addColumn<int>("relayedFirst");

    QTest::newRow("one request in the watcher's queue") << QVector<int>{5} << false << 0;
    QTest::newRow("three requests in the watcher's queue") << QVector<int>{5, 7, 2} << false << 0;
    QTest::newRow("a hot-spot's request in the watcher's queue") << QVector<int>{} << true << 0;
    QTest::newRow("one request relayed, not delivered") << QVector<int>{5} << false << 1;
    QTest::newRow("three requests relayed, none delivered") << QVector<int>{5, 7, 2} << false << 3;
    QTest::newRow("a hot-spot's request relayed, not delivered") << QVector<int>{} << true << 1;
}

void TestShutdown::closingWithHomeRequestsOnTheWay()
{
    QFETCH(QVector<int>, rows);
    QFETCH(bool, pressFeatures);
    QFETCH(int, relayedFirst);

    const int widgetsBefore = QApplication::allWidgets().size();
    auto *window = new Basewidget;
    WatcherWitness witness(*window);
    QVERIFY(GuideTest::showHome(*window));

    // None of these lets the event loop run: the requests stay on their way.
    auto *list = window->page()->findChild<QComboBox *>();
    QVERIFY(list);
    for (int row : rows)
        list->setCurrentIndex(row);
    if (pressFeatures) {
        auto *features = qobject_cast<QPushButton *>(window->childAt(711, 318));
        QVERIFY(features);
        QTest::mousePress(features, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    }
    if (relayedFirst > 0)
        QVERIFY(waitWithoutEvents([&] { return witness.relayed >= relayedFirst; }));
    QCOMPARE(GuideTest::pageClass(*window), QByteArray("QuorvelHome"));

    closeAndCheck(window, witness, widgetsBefore);
}

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
