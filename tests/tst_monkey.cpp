#include "shell/basewidget.h"
#include "shell/topwatcher.h"
#include "tools/guidepictures.h"

#include "measures/measures.h"
#include "measures/processmemory.h"
#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"
#include "support/touch.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPixmapCache>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <random>

#include <sys/stat.h>

// A seeded monkey on the real window: presses, releases, fingers and list
// choices at random, and after every action the one page on show is the one
// last asked for. Meanwhile a designer changes the picture on show every tenth
// action, and each time the next paint shows what the file then holds.
//
//   QUORVEL_MONKEY_SEED=1234 ./tst_monkey     repeats a run (the seed is printed)
//   QUORVEL_MONKEY_ACTIONS=20000 ./tst_monkey   a longer run, as the soak
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
    Monkey(quint32 seed, Basewidget &window)
        : fingers(&window),
          random(seed)
    {
    }

    Fingers fingers;

    // Does one thing to the window and says what it did.
    QString act(Basewidget &window)
    {
        const int roll = below(100);
        if (roll < 40)
            return tapOrTouch(window, onTarget(window));
        if (roll < 52)
            return tapOrTouch(window, anywhere());
        if (roll < 57) {
            const QPoint from = onTarget(window);
            const QPoint to = anywhere();
            const int finger = fingerNotDown();
            fingers.down(finger, from);
            fingers.move(finger, to);
            fingers.up(finger);
            return describe("finger down", from) + QLatin1String(", ") + describe("slides to and lifts", to);
        }
        if (roll < 62) {
            const QPoint from = onTarget(window);
            const QPoint to = anywhere();
            GuideTest::press(window, from);
            GuideTest::release(window, to);
            return describe("press", from) + QLatin1String(", ") + describe("release", to);
        }
        if (roll < 64) {
            const QPoint at = anywhere();
            GuideTest::press(window, at);
            return describe("press alone", at);
        }
        if (roll < 66) {
            // Often a second or third finger, as a visitor's hand lands.
            if (fingers.count() >= 3)
                fingers.liftAll();
            const QPoint at = onTarget(window);
            const int finger = fingerNotDown();
            fingers.down(finger, at);
            return describe(qPrintable(QStringLiteral("finger %1 down alone").arg(finger)), at);
        }
        if (roll < 68) {
            const QPoint at = anywhere();
            GuideTest::release(window, at);
            return describe("release alone", at);
        }
        if (roll < 70) {
            if (fingers.count() == 0)
                return tapOrTouch(window, anywhere());
            const int finger = fingerDown();
            fingers.up(finger);
            return QStringLiteral("finger %1 up").arg(finger);
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

    QString tapOrTouch(Basewidget &window, QPoint at)
    {
        if (below(2) == 0)
            return tap(window, at);
        fingers.tap(at);
        return describe("finger tap", at);
    }

    int fingerNotDown()
    {
        int finger = below(3);
        while (fingers.isDown(finger))
            ++finger;
        return finger;
    }

    int fingerDown()
    {
        const QList<int> down = fingers.down();
        return down.at(below(down.size()));
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
        if (fingers.count() == 0 && below(2) == 0) {
            // A finger lands on the list's own window.
            Fingers(rows->window()).tap(rows->viewport()->mapTo(rows->window(), shown.center()));
            return describe("finger tap on the open list", at);
        }
        GuideTest::click(window, at);
        return describe("tap on the open list", at);
    }

    std::mt19937 random;
};

// A designer at work in the picture folder while the guide runs. Each time,
// the picture of the page on show changes: rewritten in place and left half
// written for a while, replaced by rename, deleted, or made unreadable (a
// folder, a FIFO or a device in its place, or no read permission); the next
// time, what was left half written is finished and what was taken away comes
// back. The paint that follows shows what the file holds then.
class Designer
{
public:
    explicit Designer(quint32 seed)
        : random(seed)
    {
        // Two versions, each a top and a bottom half in colours off the test
        // set's grid; the second is grainy, so the two differ in size too.
        for (int version = 0; version < 2; ++version) {
            QImage image(PageSize, QImage::Format_RGB32);
            std::mt19937 grain(version);
            for (int y = 0; y < image.height(); ++y) {
                const QColor colour = y < image.height() / 2 ? tops[version] : bottoms[version];
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    const int noise = version == 0 ? 0 : int(grain() % 7) - 3;
                    line[x] = qRgb(colour.red() + noise, colour.green() + noise, colour.blue() + noise);
                }
            }
            QBuffer buffer(&versions[version]);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter(&buffer, "jpeg").write(image);
        }
    }

    ~Designer()
    {
        for (auto it = pictures.cbegin(); it != pictures.cend(); ++it)
            restore(it.key());
    }

    // Takes away whatever stands in a picture's place.
    static void clear(const QString &path)
    {
        const QFileInfo entry(path);
        if (entry.isDir() && !entry.isSymLink())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }

    static void restore(const QString &name)
    {
        clear(TestPictures::path(name));
        TestPictures::write(name, QCoreApplication::applicationDirPath());
    }

    // Changes the picture on show and paints; says what it did, and in wrong
    // what the paint showed that the file does not hold.
    QString act(Basewidget &window, QString *wrong)
    {
        const QString name = pictureName(window.page()->picturePath);
        const QString path = TestPictures::path(name);
        Picture &picture = pictures[name];
        const QColor before = cornerOf(window.grab().toImage());
        QString did;
        if (picture.state == HalfWritten) {
            QFile file(path);
            file.open(QIODevice::Append);
            file.write(versions[picture.version].mid(int(file.size())));
            picture.state = Rewritten;
            did = QStringLiteral("finished writing");
        } else if (picture.state != Original && picture.state != Rewritten) {
            restore(name);
            picture.state = Original;
            did = QStringLiteral("put back");
        } else {
            const int version = picture.state == Rewritten ? 1 - picture.version : int(random() % 2);
            const QByteArray &bytes = versions[version];
            switch (random() % 5) {
            case 0: {
                QFile file(path);
                file.open(QIODevice::WriteOnly | QIODevice::Truncate);
                file.write(bytes.left(bytes.size() * 2 / 5));
                picture = {HalfWritten, version};
                did = QStringLiteral("rewritten in place, two fifths written");
                break;
            }
            case 1: {
                QFile file(path + QLatin1String(".new"));
                file.open(QIODevice::WriteOnly | QIODevice::Truncate);
                file.write(bytes);
                file.close();
                std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData());
                picture = {Rewritten, version};
                did = QStringLiteral("replaced by rename");
                break;
            }
            case 2:
                QFile::remove(path);
                picture.state = Gone;
                did = QStringLiteral("deleted");
                break;
            case 3: {
                // Unreadable for root too.
                clear(path);
                const int kind = int(random() % 3);
                if (kind == 0)
                    QDir().mkdir(path);
                else if (kind == 1)
                    mkfifo(QFile::encodeName(path).constData(), 0644);
                else
                    QFile::link(QStringLiteral("/dev/zero"), path);
                picture.state = Gone;
                did = QLatin1String(kind == 0       ? "a folder in its place"
                                        : kind == 1 ? "a FIFO in its place"
                                                    : "a device in its place");
                break;
            }
            default:
                QFile::setPermissions(path, QFileDevice::WriteOwner);
                picture.heldRewritten = picture.state == Rewritten;
                picture.state = NoPermission;
                did = QStringLiteral("read permission taken away");
                break;
            }
        }
        ++done[did];

        QElapsedTimer painting;
        painting.start();
        const QImage shown = window.grab().toImage();
        slowestPaintMs = qMax(slowestPaintMs, painting.elapsed());
        *wrong = fault(window, shown, name, picture, before, false);
        // A second on, the file has settled and must show whatever it holds.
        if (wrong->isEmpty()) {
            const ASecondLater settled;
            *wrong = fault(window, window.grab().toImage(), name, picture, before, true);
        }
        return QStringLiteral("%1: %2").arg(name, did);
    }

    QMap<QString, int> done;
    qint64 slowestPaintMs = 0;

private:
    enum State { Original, HalfWritten, Rewritten, Gone, NoPermission };
    struct Picture
    {
        State state = Original;
        int version = 0;
        bool heldRewritten = false; // under NoPermission: what the file holds
    };

    static QColor cornerOf(const QImage &shown)
    {
        return shown.pixel(TestPictures::CornerX, shown.height() - TestPictures::CornerFromBottom);
    }

    QString fault(const Basewidget &window, const QImage &shown, const QString &name, const Picture &picture,
                  const QColor &before, bool settled) const
    {
        const QColor corner = cornerOf(shown);
        // The top, where no button lies over it.
        const QPoint top(2, 2);
        const bool topFree = !window.page()->childAt(top);
        const QColor topShown = shown.pixel(top);
        const auto near
            = [](const QColor &a, const QColor &b) { return Measures::colourDistance(a, b) < Measures::SameColour; };
        // A file written within the last second may be written on: until it
        // settles, the picture shown before it stays.
        if (!settled && near(corner, before))
            return QString();
        switch (picture.state) {
        case Original:
            if (near(corner, TestPictures::colourOf(name)))
                return QString();
            break;
        case HalfWritten:
            if (!topFree || near(topShown, tops[picture.version]))
                return QString();
            return QStringLiteral("the written part does not show: top %1").arg(topShown.name());
        case Rewritten:
            if (near(corner, bottoms[picture.version]) && (!topFree || near(topShown, tops[picture.version])))
                return QString();
            break;
        case NoPermission:
            // Root reads it still, and once the file has settled, the guide
            // shows what it holds: a page opened while it settled had
            // nothing on show before it.
            if (QFile(TestPictures::path(name)).open(QIODevice::ReadOnly)
                && near(corner, picture.heldRewritten ? bottoms[picture.version] : TestPictures::colourOf(name)))
                return QString();
            Q_FALLTHROUGH();
        case Gone:
            // Nothing to read: blank, or what was read last, never anything else.
            if (corner == window.palette().color(QPalette::Window) || near(corner, before))
                return QString();
            break;
        }
        return QStringLiteral("the file's picture does not show: the corner is %1").arg(corner.name());
    }

    const QColor tops[2] = {QColor(32, 224, 160), QColor(160, 32, 224)};
    const QColor bottoms[2] = {QColor(224, 96, 32), QColor(96, 160, 96)};
    QByteArray versions[2];
    QHash<QString, Picture> pictures;
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
             && waited.elapsed() < Patience::Ms);
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

// The offscreen platform's notes on the list's popup, the home page's debug
// line and the JPEG reader's notes on half-written pictures come thousands of
// times in a run; counted, not printed.
int quietMessages = 0;
QtMessageHandler testMessages = nullptr;

void quieten(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support"))
        || message.startsWith(QLatin1String("Corrupt JPEG data"))
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
    if (given && actions > 0)
        return actions;
    // The short run of every test run: it still meets every kind of action
    // and picture change many times. The sanitizers make every action several
    // times slower. The soak sets 20,000.
    return ProcessMemory::underAddressSanitizer() ? 500 : 2000;
}

} // namespace

void TestMonkey::initTestCase()
{
    // A run cut short may have left a FIFO or a folder in a picture's place.
    for (const QString &name : GuidePictures::all())
        Designer::clear(TestPictures::path(name));
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

    int touches = 0;
    const auto actAndCheck = [&](Monkey &monkey, const QString &when) {
        const QString done = monkey.act(window);
        touches += done.contains(QLatin1String("finger")) ? 1 : 0;
        settle(window, log);
        const QString wrong = fault(window, log);
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("seed %1, %2, %3: %4").arg(seed).arg(when, done, wrong)));
    };

    // Presses on the start page do nothing; a monkey of its own keeps on until
    // the start delay ends under its fingers. How many it makes depends on the
    // clock, so the counted actions draw from a fresh generator, and begin
    // with no button held.
    Monkey onStart(~seed, window);
    QElapsedTimer running;
    running.start();
    int onStartPage = 0;
    while (!log.startEnded && running.elapsed() < Patience::Ms) {
        actAndCheck(onStart, QStringLiteral("on the start page"));
        if (QTest::currentTestFailed())
            return;
        ++onStartPage;
        QTest::qWait(1);
    }
    QVERIFY2(log.startEnded, "the start delay never ended");
    GuideTest::release(window, QPoint(2, 597));
    onStart.fingers.liftAll();
    settle(window, log);
    QCOMPARE(GuideTest::pageClass(window), QByteArray("QuorvelHome"));

    Monkey monkey(seed, window);
    touches = 0;
    // Every tenth action, the designer changes the picture on show.
    Designer designer(seed);
    constexpr int DesignEvery = 10;

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
        if (action % DesignEvery == 0) {
            QString wrong;
            const QString did = designer.act(window, &wrong);
            QVERIFY2(wrong.isEmpty(),
                     qPrintable(QStringLiteral("seed %1, action %2, %3: %4").arg(seed).arg(action).arg(did, wrong)));
        }
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

    QStringList changes;
    for (auto it = designer.done.cbegin(); it != designer.done.cend(); ++it)
        changes << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    qInfo("Monkey: %d of the actions with fingers", touches);
    qInfo("Monkey: pictures changed under the guide: %s; the slowest paint after a change took %lld ms",
          qPrintable(changes.join(QLatin1String(", "))), designer.slowestPaintMs);

    if (ProcessMemory::underAddressSanitizer())
        return; // the sanitizer's leak check stands in for the figure
    QVERIFY2(growth < 1024, qPrintable(QStringLiteral("resident memory grew by %1 KiB").arg(growth)));
}

// A run of 20,000 actions takes some minutes, more on a busy machine, so the
// limit per test function is CTest's for the whole test rather than QTest's
// five minutes.
int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "900000");
    QApplication app(argc, argv);
    TestMonkey test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_monkey.moc"
