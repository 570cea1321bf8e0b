#include "field/fieldlayer.h"
#include "shell/pageid.h"

#include "support/patience.h"
#include "support/testpictures.h"
#include "support/x11display.h"
#include "tools/guidepictures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The built guide in a real X server (Xvfb, no window manager), used through
// real X input and checked by what the screen shows, page by page.
class TestRealWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void walk_data();
    void walk();
    void noScreen();
    void closedHours();

private:
    // Starts the guide in the X server, with that environment.
    bool startGuide(const QProcessEnvironment &environment);
    // Waits until the window shows the page's picture; saves the screen when not.
    bool waitForPage(X11Display &x, const QRect &frame, qreal scale, PageId page, int timeoutMs, QString *failure);

    XvfbServer xvfb;
    QProcess guide;
    QTemporaryDir folder;
    QVector<QString> pagePictures;
};

namespace {

const QString Title = QStringLiteral("Varnholt Crop.");

// One thing a visitor does, and the page it leads to.
struct Step
{
    QPoint tap; // in window coordinates
    int listRow; // after the tap, the row chosen on the open list with the keys; 0 for none
    PageId reached;
};

constexpr QPoint ModelList(711, 125);
constexpr QPoint Previous(875, 25);
constexpr QPoint Next(925, 25);
constexpr QPoint Home(975, 25);

} // namespace

Q_DECLARE_METATYPE(Step)

void TestRealWindow::initTestCase()
{
    QVERIFY(folder.isValid());
    pagePictures = GuidePictures::pagePictures();

    // The guide reads its pictures beside its executable, so it goes into a
    // folder of its own with the test's picture set.
    const QString guide = folder.filePath(QStringLiteral("quorvel-guide"));
    QVERIFY(QFile::copy(QStringLiteral(QUORVEL_GUIDE_EXECUTABLE), guide));
    QVERIFY(QFileInfo(guide).isExecutable());
    TestPictures::writeAll(folder.path());

    QString error;
    QVERIFY2(xvfb.start(&error), qPrintable(error));
}

void TestRealWindow::cleanup()
{
    // A failed walk leaves the guide running.
    if (guide.state() != QProcess::NotRunning) {
        guide.kill();
        guide.waitForFinished(Patience::Ms);
    }
}

void TestRealWindow::walk_data()
{
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<QVector<Step>>("steps");
    QTest::addColumn<QStringList>("listRowsLogged");
    QTest::addColumn<QByteArray>("idleSetting"); // QUORVEL_GUIDE_IDLE_SECONDS
    QTest::addColumn<int>("idleSeconds"); // after the steps, home is waited for; 0: never

    const QVector<Step> modelList{
        {ModelList, 5, 61}, {Next, 0, 81}, {Previous, 0, 61}, {Next, 0, 81}, {Home, 0, HomePageId},
    };
    QTest::newRow("model list") << 1.0 << modelList << QStringList{QStringLiteral("5")} << QByteArray() << 0;
    // Under QT_SCALE_FACTOR=2, as a deployer sets it for a larger panel: the
    // window, its hot-spots, list and buttons at twice their size.
    QTest::newRow("model list at scale 2") << 2.0 << modelList << QStringList{QStringLiteral("5")} << QByteArray() << 0;
    const QVector<Step> questions{
        {QPoint(265, 456), 0, 14},
        {QPoint(350, 340), 0, 15},
        {QPoint(150, 335), 0, 18},
        {Previous, 0, 15},
    };
    QTest::newRow("question tree at scale 2") << 2.0 << questions << QStringList() << QByteArray("9") << 0;
    // At 0.8 on an 800 x 480 panel: every spot a fifth smaller, the list's
    // rows too, and a press still lands on what the picture draws there.
    QTest::newRow("model list at scale 0.8") << 0.8 << QVector<Step>{
        {ModelList, 20, 76}, {Next, 0, 96}, {Previous, 0, 76}, {Home, 0, HomePageId},
    } << QStringList{QStringLiteral("20")} << QByteArray() << 0;
    QTest::newRow("question tree at scale 0.8") << 0.8 << questions << QStringList() << QByteArray() << 0;
    // The shortest time a deployer may set, waited for in earnest.
    QTest::newRow("idle return") << 1.0 << QVector<Step>{{ModelList, 5, 61}, {Next, 0, 81}}
                                 << QStringList{QStringLiteral("5")} << QByteArray("10") << 10;

    QTest::newRow("question tree") << 1.0 << QVector<Step>{
        {QPoint(265, 456), 0, 14},
        {QPoint(350, 340), 0, 15},
        {QPoint(150, 335), 0, 18},
        {QPoint(198, 332), 0, 43},
        {Next, 0, 117},
        {Previous, 0, 43},
        {Previous, 0, 18},
        {Previous, 0, 15},
        {Previous, 0, 14},
        {Previous, 0, HomePageId},
    } << QStringList() << QByteArray() << 0;
}

bool TestRealWindow::startGuide(const QProcessEnvironment &environment)
{
    guide.setProcessEnvironment(environment);
    guide.start(folder.filePath(QStringLiteral("quorvel-guide")), QStringList());
    return guide.waitForStarted(Patience::Ms);
}

bool TestRealWindow::waitForPage(X11Display &x, const QRect &frame, qreal scale, PageId page, int timeoutMs,
                                 QString *failure)
{
    const QString expected = pagePictures.at(page);
    const QRect corner(frame.x() + qRound(TestPictures::CornerX * scale),
                       frame.bottom() + 1 - qRound(TestPictures::CornerFromBottom * scale), 1, 1);
    QElapsedTimer waited;
    waited.start();
    QString shown;
    do {
        shown = TestPictures::pictureOf(x.grab(corner).pixel(0, 0));
        if (shown == expected)
            return true;
        QTest::qWait(20);
    } while (waited.elapsed() < timeoutMs);

    const QString screen = QCoreApplication::applicationDirPath() + QStringLiteral("/failed-page-%1.png").arg(page);
    x.grab(frame).save(screen);
    *failure = QStringLiteral("page %1 (%2) does not show, \"%3\" does; the screen is in %4")
                   .arg(page)
                   .arg(expected, shown, screen);
    return false;
}

void TestRealWindow::walk()
{
    QFETCH(qreal, scale);
    QFETCH(QVector<Step>, steps);
    QFETCH(QStringList, listRowsLogged);
    QFETCH(QByteArray, idleSetting);
    QFETCH(int, idleSeconds);

    QProcessEnvironment environment = xvfb.environment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    environment.remove(QStringLiteral("QUORVEL_GUIDE_IDLE_SECONDS"));
    if (!idleSetting.isNull())
        environment.insert(QStringLiteral("QUORVEL_GUIDE_IDLE_SECONDS"), QString::fromLatin1(idleSetting));
    QVERIFY(startGuide(environment));

    X11Display x(xvfb.displayName());
    QVERIFY2(x.isUsable(), "no X server with XTest");
    const unsigned long window = x.waitForWindow(Title, guide, Patience::Ms);
    // Read only on failure: the guide's stderr is checked at its end.
    if (!window)
        QFAIL(guide.readAllStandardError().constData());
    const QRect frame = x.geometry(window);
    QCOMPARE(frame.size(), QSize(1000, 600) * scale);

    QString failure;
    QVERIFY2(waitForPage(x, frame, scale, StartPageId, Patience::Ms, &failure), qPrintable(failure));
    QVERIFY2(waitForPage(x, frame, scale, HomePageId, Patience::Ms, &failure), qPrintable(failure));
    for (const Step &step : steps) {
        x.tap(frame.topLeft() + step.tap * scale);
        if (step.listRow > 0) {
            // The open list takes the keys, whatever has the focus.
            QTRY_VERIFY_WITH_TIMEOUT(x.viewableWindows() > 1, Patience::Ms);
            for (int row = 0; row < step.listRow; ++row)
                x.typeKey("Down");
            x.typeKey("Return");
        }
        QVERIFY2(waitForPage(x, frame, scale, step.reached, Patience::Ms, &failure), qPrintable(failure));
    }
    if (idleSeconds > 0) {
        // A pointer move part-way starts the time anew: without it, home would
        // come during the second hold.
        const PageId last = steps.last().reached;
        const auto holds = [&](int ms) {
            QElapsedTimer held;
            held.start();
            while (held.elapsed() < ms) {
                if (!waitForPage(x, frame, scale, last, 0, &failure))
                    return false;
                QTest::qWait(50);
            }
            return true;
        };
        QVERIFY2(holds(idleSeconds * 600), qPrintable(failure));
        x.moveTo(frame.topLeft() + QPoint(100, 500) * scale);
        QElapsedTimer sinceMove;
        sinceMove.start();
        QVERIFY2(holds(idleSeconds * 600), qPrintable(failure));
        QVERIFY2(waitForPage(x, frame, scale, HomePageId, Patience::Ms, &failure), qPrintable(failure));
        QVERIFY2(sinceMove.elapsed() >= qint64(idleSeconds) * 1000, qPrintable(QString::number(sinceMove.elapsed())));
    }

    x.closeWindow(window);
    QVERIFY(guide.waitForFinished(Patience::Ms));
    const QString errors = QString::fromLocal8Bit(guide.readAllStandardError());
    QVERIFY2(guide.exitStatus() == QProcess::NormalExit && guide.exitCode() == 0,
             qPrintable(QStringLiteral("exit code %1:\n%2").arg(guide.exitCode()).arg(errors)));

    // One debug line for each change of the model list, naming its row.
    QStringList rowsLogged;
    for (const QString &line : errors.split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("QuorvelHome::sltIndexChanged(int)")))
            rowsLogged
                << line.section(QLatin1String("sltIndexChanged(int)"), 1).simplified().section(QLatin1Char(' '), 0, 0);
    }
    QCOMPARE(rowsLogged, listRowsLogged);
    // A setting that is no good is said once, and one that is, never.
    const bool refused = !idleSetting.isEmpty() && idleSeconds == 0;
    QCOMPARE(errors.count(QLatin1String("QUORVEL_GUIDE_IDLE_SECONDS")), refused ? 1 : 0);
}

void TestRealWindow::noScreen()
{
    // A screen that never comes: the guide ends with an error once its wait
    // is over, for the kiosk unit to start the compositor again.
    X11Display x(xvfb.displayName());
    QVERIFY2(x.isUsable(), "no X server with XTest");
    x.neverShowWindows();
    const int waitSeconds = 5; // the shortest a deployer may set
    QProcessEnvironment environment = xvfb.environment();
    environment.insert(QStringLiteral("QUORVEL_GUIDE_SCREEN_WAIT_SECONDS"), QString::number(waitSeconds));
    QElapsedTimer sinceStart;
    sinceStart.start();
    QVERIFY(startGuide(environment));

    QVERIFY(guide.waitForFinished(waitSeconds * 1000 + Patience::Ms));
    const QString errors = QString::fromLocal8Bit(guide.readAllStandardError());
    QVERIFY2(sinceStart.elapsed() >= qint64(waitSeconds) * 1000, qPrintable(QString::number(sinceStart.elapsed())));
    QCOMPARE(guide.exitStatus(), QProcess::NormalExit);
    QCOMPARE(guide.exitCode(), FieldLayer::NoScreenStatus);
    QVERIFY2(errors.contains(QLatin1String("no screen")), qPrintable(errors));
    QCOMPARE(x.viewableWindows(), 0);
}

void TestRealWindow::closedHours()
{
    // Outside its opening hours (open from an hour on, for an hour), under X,
    // the guide stays and the server powers the screen down.
    const QTime now = QTime::currentTime();
    const QString hours = QStringLiteral("%1-%2").arg(now.addSecs(3600).toString(QStringLiteral("HH:mm")),
                                                      now.addSecs(2 * 3600).toString(QStringLiteral("HH:mm")));
    QProcessEnvironment environment = xvfb.environment();
    environment.insert(QStringLiteral("QUORVEL_GUIDE_SCREEN_HOURS"), hours);
    QVERIFY(startGuide(environment));

    X11Display x(xvfb.displayName());
    QVERIFY2(x.isUsable(), "no X server with XTest");
    const unsigned long window = x.waitForWindow(Title, guide, Patience::Ms);
    if (!window)
        QFAIL(guide.readAllStandardError().constData());
    // Xvfb has no DPMS: there the guide says that the screen stays on.
    QString errors;
    if (x.hasDpms())
        QTRY_VERIFY_WITH_TIMEOUT(x.isScreenOff(), Patience::Ms);
    else
        QTRY_VERIFY_WITH_TIMEOUT(
            (errors += QString::fromLocal8Bit(guide.readAllStandardError())).contains(QLatin1String("no DPMS")),
            Patience::Ms);
    QCOMPARE(guide.state(), QProcess::Running);

    x.closeWindow(window);
    QVERIFY(guide.waitForFinished(Patience::Ms));
    errors += QString::fromLocal8Bit(guide.readAllStandardError());
    QCOMPARE(errors.count(QLatin1String("closed until")), 1);
    QCOMPARE(guide.exitCode(), 0);
}

QTEST_MAIN(TestRealWindow)
#include "tst_realwindow.moc"
