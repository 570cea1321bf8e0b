#include "shell/basewidget.h"
#include "shell/topwatcher.h"

#include "support/guidetest.h"
#include "support/testpictures.h"
#include "tools/measures.h"
#include "tools/processmemory.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPixmapCache>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <random>

// A seeded monkey on the real window: presses, releases and list choices at
// random, and after every action the one page on show is the one last asked for.
//
//   QUORVEL_MONKEY_SEED=1234 ./tst_monkey     repeats a run (the seed is printed)
//   QUORVEL_MONKEY_ACTIONS=500 ./tst_monkey   a shorter run
class TestMonkey : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void randomActionsAlwaysShowTheLastRequestedPage();
};

namespace {

bool isPageId(int id)
{
    return id >= StartPageId && id <= LastPageId;
}

// Every request that reaches the window, in the order it arrives there.
class RequestLog : public QObject
{
    Q_OBJECT

public:
    explicit RequestLog(Basewidget *window)
        : window(window)
    {
        TopWatcher *watcher = window->topWatcher();
        // Made after the window's own connections, so they arrive just after them.
        connect(watcher, SIGNAL(sigOpen(int)), this, SLOT(relayed(int)), Qt::QueuedConnection);
        connect(watcher, SIGNAL(sigWaitFinished()), this, SLOT(startDelayEnded()), Qt::QueuedConnection);
        qApp->installEventFilter(this);
    }

    // The last id in 0..137 the window was asked for; it ignores the rest.
    PageId last = StartPageId;
    // Home page requests sent into the watcher that have not come back yet.
    int onTheWay = 0;
    bool startEnded = false;
    QSet<PageId> reached = {StartPageId};
    int switches = 0;
    QString wiringFault;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A page is shown last of all, after the window connected it.
        if (event->type() == QEvent::Show && watched->parent() == window && watched != wired) {
            if (auto *page = qobject_cast<AbstractQuorvelWidget *>(watched))
                listenFirst(page);
        }
        return false;
    }

private slots:
    void requestedDirectly(int id) { reach(id); }
    void sentToWatcher(int) { ++onTheWay; }
    void relayed(int id)
    {
        --onTheWay;
        reach(id);
    }
    void startDelayEnded()
    {
        startEnded = true;
        reach(HomePageId);
    }

private:
    void reach(int id)
    {
        if (!isPageId(id))
            return;
        last = id;
        reached.insert(id);
        ++switches;
    }

    // Qt calls a signal's connections in the order they were made and stops
    // once a slot has deleted the sender, so the log must come before the
    // window. The page's own wiring is put back just as it was.
    void listenFirst(AbstractQuorvelWidget *page)
    {
        wired = page;
        TopWatcher *watcher = window->topWatcher();
        const bool toWindow = disconnect(page, SIGNAL(sigOpenWidget(int)), window, SLOT(sltOpenWidget(int)));
        const bool toWatcher = disconnect(page, SIGNAL(sigOpenWidget(int)), watcher, SIGNAL(sigSend(int)));
        const bool home = QByteArray(page->metaObject()->className()) == "QuorvelHome";
        if (toWindow == toWatcher || toWatcher != home)
            wiringFault = QStringLiteral("%1 connected to the window %2, to the watcher %3")
                              .arg(QLatin1String(page->metaObject()->className()))
                              .arg(toWindow)
                              .arg(toWatcher);
        if (toWatcher) {
            connect(page, SIGNAL(sigOpenWidget(int)), this, SLOT(sentToWatcher(int)));
            connect(page, SIGNAL(sigOpenWidget(int)), watcher, SIGNAL(sigSend(int)));
        } else {
            connect(page, SIGNAL(sigOpenWidget(int)), this, SLOT(requestedDirectly(int)));
            connect(page, SIGNAL(sigOpenWidget(int)), window, SLOT(sltOpenWidget(int)));
        }
    }

    Basewidget *window = nullptr;
    QPointer<AbstractQuorvelWidget> wired;
};

// The visitor: every choice it makes comes from its seed.
class Monkey
{
public:
    explicit Monkey(quint32 seed)
        : random(seed)
    {
    }

    // Does one thing to the window and says what it did.
    QString act(Basewidget &window)
    {
        const int roll = below(100);
        if (roll < 40)
            return tap(window, onTarget(window));
        if (roll < 52)
            return tap(window, anywhere());
        if (roll < 62) {
            const QPoint from = onTarget(window);
            const QPoint to = anywhere();
            GuideTest::press(window, from);
            GuideTest::release(window, to);
            return describe("press", from) + QLatin1String(", ") + describe("release", to);
        }
        if (roll < 66) {
            const QPoint at = anywhere();
            GuideTest::press(window, at);
            return describe("press alone", at);
        }
        if (roll < 70) {
            const QPoint at = anywhere();
            GuideTest::release(window, at);
            return describe("release alone", at);
        }
        if (roll < 75) {
            const QPoint at = anywhere();
            QTest::mouseMove(window.windowHandle(), at);
            return describe("move", at);
        }
        QComboBox *list = window.page()->findChild<QComboBox *>();
        if (!list)
            return tap(window, onTarget(window));
        if (roll < 83) {
            const int row = below(list->count());
            list->setCurrentIndex(row);
            return QStringLiteral("row %1").arg(row);
        }
        if (roll < 93)
            return burst(window, list);
        if (roll < 99)
            return chooseInOpenList(window, list);
        if (below(10) != 0)
            return tap(window, anywhere());
        // A visitor who stops to read lets an open list accept a release.
        QTest::qWait(QApplication::doubleClickInterval() + 20);
        return QStringLiteral("pause");
    }

private:
    int below(int n) { return int(random() % quint32(n)); }

    QPoint anywhere() { return QPoint(below(1000), below(600)); }

    QPoint inside(const QRect &rect) { return rect.topLeft() + QPoint(below(rect.width()), below(rect.height())); }

    // A point on one of the page's buttons or its list, most of the time.
    QPoint onTarget(const Basewidget &window)
    {
        QVector<QRect> targets;
        for (const QWidget *child : window.page()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->isVisible()
                && (qobject_cast<const QPushButton *>(child) || qobject_cast<const QComboBox *>(child)))
                targets.append(child->geometry());
        }
        if (targets.isEmpty() || below(10) == 0)
            return anywhere();
        return inside(targets.at(below(targets.size())));
    }

    QString tap(Basewidget &window, QPoint at)
    {
        GuideTest::click(window, at);
        return describe("tap", at);
    }

    static QString describe(const char *what, QPoint at)
    {
        return QStringLiteral("%1 at (%2, %3)").arg(QLatin1String(what)).arg(at.x()).arg(at.y());
    }

    // Several requests from the home page before the first is carried out:
    // none of these steps lets the event loop run.
    QString burst(Basewidget &window, QComboBox *list)
    {
        QVector<QPushButton *> spots;
        for (QPushButton *button : window.page()->findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (button->isVisible())
                spots.append(button);
        }
        QStringList steps;
        const int count = 2 + below(3);
        for (int i = 0; i < count; ++i) {
            if (spots.isEmpty() || below(2) == 0) {
                const int row = below(list->count());
                list->setCurrentIndex(row);
                steps << QStringLiteral("row %1").arg(row);
            } else {
                QPushButton *spot = spots.at(below(spots.size()));
                const QPoint at = inside(spot->rect());
                QTest::mousePress(spot, Qt::LeftButton, Qt::NoModifier, at);
                QTest::mouseRelease(spot, Qt::LeftButton, Qt::NoModifier, at);
                steps << describe("hot-spot", spot->mapTo(&window, at));
            }
        }
        return QLatin1String("burst: ") + steps.join(QLatin1String(", "));
    }

    // Taps a row of the open list where it shows, or opens the list.
    QString chooseInOpenList(Basewidget &window, QComboBox *list)
    {
        QAbstractItemView *rows = list->view();
        if (!rows->isVisible())
            return tap(window, inside(list->geometry()));
        const int row = below(list->count());
        const QRect shown = rows->visualRect(list->model()->index(row, 0)).intersected(rows->viewport()->rect());
        if (shown.isEmpty())
            return tap(window, anywhere());
        const QPoint at = window.mapFromGlobal(rows->viewport()->mapToGlobal(shown.center()));
        GuideTest::click(window, at);
        return describe("tap on the open list", at);
    }

    std::mt19937 random;
};

// Lets the event loop run until every request the home page sent has come
// back, and, before the start delay's end has reached the log, until the start
// page shows again (the window hears of that end just before the log does).
void settle(const Basewidget &window, const RequestLog &log)
{
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents();
    } while ((log.onTheWay > 0 || (!log.startEnded && GuideTest::pageClass(window) != "QuorvelTop"))
             && waited.elapsed() < 5000);
}

// What is wrong with the window now, or nothing.
QString fault(const Basewidget &window, const RequestLog &log)
{
    if (!log.wiringFault.isEmpty())
        return log.wiringFault;
    if (log.onTheWay != 0)
        return QStringLiteral("%1 home page requests never came back").arg(log.onTheWay);
    QVector<AbstractQuorvelWidget *> pages;
    for (QWidget *widget : QApplication::allWidgets()) {
        if (auto *page = qobject_cast<AbstractQuorvelWidget *>(widget))
            pages.append(page);
    }
    if (pages.size() != 1)
        return QStringLiteral("%1 page objects").arg(pages.size());
    const AbstractQuorvelWidget *page = pages.first();
    if (window.page() != page)
        return QStringLiteral("the window's page is not the one page object");
    if (page->parentWidget() != &window || page->geometry() != QRect(0, 0, 1000, 600) || !page->isVisible())
        return QStringLiteral("the page is not shown over the whole window");
    const QByteArray shownClass = page->metaObject()->className();
    if (shownClass != GuideTest::pageClassOf(log.last) || page->pageId != GuideTest::keptPageId(log.last))
        return QStringLiteral("%1 with pageId %2 shows, the last request was %3")
            .arg(QLatin1String(shownClass))
            .arg(page->pageId)
            .arg(log.last);
    return QString();
}

// The offscreen platform's notes on the list's popup and the home page's debug
// line come thousands of times in a run; counted, not printed.
int quietMessages = 0;
QtMessageHandler testMessages = nullptr;

void quieten(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support"))
        || (type == QtDebugMsg && message.contains(QLatin1String("QuorvelHome::sltIndexChanged(int)")))) {
        ++quietMessages;
        return;
    }
    testMessages(type, context, message);
}

quint32 seedToUse()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariable("QUORVEL_MONKEY_SEED").toUInt(&given);
    return given ? seed : std::random_device()();
}

int actionsToDo()
{
    bool given = false;
    const int actions = qEnvironmentVariableIntValue("QUORVEL_MONKEY_ACTIONS", &given);
    return given && actions > 0 ? actions : 20000;
}

} // namespace

void TestMonkey::initTestCase()
{
    TestPictures::writeAll();
    // Qt's pixmap cache keeps the face of every button it draws, keyed by the
    // button's own palette, so each new page adds faces, and the keys of faces
    // it evicts are swept out only every 30 s: resident memory then saws up
    // and down by megabytes with the clock. Without the cache what stays
    // resident is what the guide holds.
    QPixmapCache::setCacheLimit(0);
    testMessages = qInstallMessageHandler(quieten);
}

void TestMonkey::randomActionsAlwaysShowTheLastRequestedPage()
{
    const quint32 seed = seedToUse();
    const int actions = actionsToDo();
    qInfo("Monkey: seed %u, %d actions (repeat with QUORVEL_MONKEY_SEED=%u)", seed, actions, seed);

    Basewidget window;
    RequestLog log(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const auto actAndCheck = [&](Monkey &monkey, const QString &when) {
        const QString done = monkey.act(window);
        settle(window, log);
        const QString wrong = fault(window, log);
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("seed %1, %2, %3: %4").arg(seed).arg(when, done, wrong)));
    };

    // Presses on the start page do nothing; a monkey of its own keeps on until
    // the start delay ends under its fingers. How many it makes depends on the
    // clock, so the counted actions draw from a fresh generator, and begin
    // with no button held.
    Monkey onStart(~seed);
    QElapsedTimer running;
    running.start();
    int onStartPage = 0;
    while (!log.startEnded && running.elapsed() < 2 * qint64(TopWatcher::StartDelayMs)) {
        actAndCheck(onStart, QStringLiteral("on the start page"));
        if (QTest::currentTestFailed())
            return;
        ++onStartPage;
        QTest::qWait(1);
    }
    QVERIFY2(log.startEnded, "the start delay never ended");
    GuideTest::release(window, QPoint(2, 597));
    settle(window, log);
    QCOMPARE(GuideTest::pageClass(window), QByteArray("QuorvelHome"));

    Monkey monkey(seed);

    // Resident memory, sampled every SampleEvery actions. The home page and
    // its open list hold more than other pages, so the figures compared are
    // medians, over the first thousand actions of the second half of the run
    // and over its last thousand, that no single moment decides.
    constexpr int SampleEvery = 100;
    QVector<qint64> resident;
    running.restart();
    for (int action = 1; action <= actions; ++action) {
        actAndCheck(monkey, QStringLiteral("action %1").arg(action));
        if (QTest::currentTestFailed())
            return;
        if (action % SampleEvery == 0)
            resident.append(ProcessMemory::residentKb());
        if (actions >= 10 && action % (actions / 10) == 0)
            qInfo("Monkey: %d actions, resident %lld KiB", action, ProcessMemory::residentKb());
    }
    const int block = qMax(1, 1000 / SampleEvery);
    const qint64 residentHalfway = qRound64(Measures::median(resident.mid(resident.size() / 2, block)));
    const qint64 residentAtEnd = qRound64(Measures::median(resident.mid(resident.size() - block)));
    const qint64 growth = residentAtEnd - residentHalfway;
    qInfo("Monkey: %d actions on the start page, then %d actions in %lld ms: %d pages opened, %d different; "
          "resident %lld KiB halfway, %lld KiB at the end (%+lld KiB)",
          onStartPage, actions, running.elapsed(), log.switches, int(log.reached.size()), residentHalfway,
          residentAtEnd, growth);

    if (ProcessMemory::underAddressSanitizer())
        return; // the sanitizer's leak check stands in for the figure
    QVERIFY2(growth < 1024, qPrintable(QStringLiteral("resident memory grew by %1 KiB").arg(growth)));
}

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
