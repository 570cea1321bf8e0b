#include "field/fieldwatch.h"
#include "field/picturestate.h"
#include "field/screenserver.h"
#include "field/sqlitedatabase.h"

#include "shell/basewidget.h"
#include "shell/idlereturn.h"

#include "quorvelconfig.h"
#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"
#include "tools/guidepictures.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// The field layer on a real window: visits counted through its signals and
// written at exit, the metrics file, and the picture of the screen.
class TestFieldWatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void visitsAndMetrics();
    void statisticsOff();

    void picturesJudged_data();
    void picturesJudged();

    void pictureChangeReachesTheMetrics_data();
    void pictureChangeReachesTheMetrics();

    void terminatedGuideWritesItsCounts();

    void screenshotMatchesTheWindow_data();
    void screenshotMatchesTheWindow();

private:
    QTemporaryDir folder;
};

namespace {

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

void TestFieldWatch::initTestCase()
{
    TestPictures::writeAll();
    QVERIFY(folder.isValid());
}

void TestFieldWatch::init()
{
    qputenv("STATE_DIRECTORY", QFile::encodeName(folder.filePath(QStringLiteral("state"))));
    qputenv("QUORVEL_GUIDE_METRICS_DIR", QFile::encodeName(folder.path()));
    qputenv("QUORVEL_GUIDE_SOCKET", QFile::encodeName(folder.filePath(QStringLiteral("screen"))));
    qunsetenv("QUORVEL_GUIDE_STATISTICS");
}

void TestFieldWatch::visitsAndMetrics()
{
    const QString metricsFile = folder.filePath(QLatin1String(GuideMetrics::FileName));
    QFile::remove(metricsFile);
    {
        qputenv("QUORVEL_GUIDE_IDLE_SECONDS", "30");
        Basewidget window;
        qunsetenv("QUORVEL_GUIDE_IDLE_SECONDS");
        FieldWatch field(&window);
        IdleReturn *idle = window.idleReturn();
        QVERIFY(idle);
        idle->setClock(0);
        QVERIFY(GuideTest::showHome(window));

        // A visit that the return after inactivity ends, then one the home button ends.
        window.sltOpenWidget(61);
        idle->setClock(31000);
        QTRY_COMPARE_WITH_TIMEOUT(GuideTest::shownPageId(window), HomePageId, Patience::Ms);
        window.sltOpenWidget(62);
        GuideTest::click(window, GuideTest::HomeButton);
        QTRY_COMPARE_WITH_TIMEOUT(GuideTest::shownPageId(window), HomePageId, Patience::Ms);

        // Under the kiosk unit's umask, the exporter's user must still read it.
        const mode_t umaskBefore = umask(077);
        field.sltMetrics();
        umask(umaskBefore);
        QTRY_VERIFY_WITH_TIMEOUT(
            readAll(metricsFile).contains(QLatin1String("quorvel_guide_visits_total{ended=\"idle\"} 1")), Patience::Ms);
        QVERIFY(QFileInfo(metricsFile).permissions().testFlag(QFileDevice::ReadOther));
        const QString metrics = readAll(metricsFile);
        QVERIFY2(metrics.contains(QLatin1String("quorvel_guide_visits_total{ended=\"button\"} 1")),
                 qPrintable(metrics));
        QVERIFY2(metrics.contains(QLatin1String("quorvel_guide_page_views_total 6")), qPrintable(metrics));
        QVERIFY(metrics.contains(QLatin1String("quorvel_guide_info{version=\"")));
#ifdef PROMTOOL
        QProcess promtool;
        promtool.setStandardInputFile(metricsFile);
        promtool.start(QStringLiteral(PROMTOOL), {QStringLiteral("check"), QStringLiteral("metrics")});
        QVERIFY(promtool.waitForFinished(Patience::Ms));
        QVERIFY2(promtool.exitCode() == 0, promtool.readAllStandardError().constData());
#endif
    }
    // Written on the way out, though no batch was due yet.
    SqliteDatabase db;
    QVERIFY(db.open(folder.filePath(QStringLiteral("state/visits.sqlite"))));
    SqliteDatabase::Query query(db, QStringLiteral("SELECT end_page, ended_by FROM visits ORDER BY rowid"));
    QVERIFY(query.next());
    QCOMPARE(query.integer(0), qint64(61));
    QCOMPARE(query.integer(1), qint64(1));
    QVERIFY(query.next());
    QCOMPARE(query.integer(0), qint64(62));
    QCOMPARE(query.integer(1), qint64(0));
    QVERIFY(!query.next());
}

// Off in /etc/default/quorvel-guide: no database, while the metrics still count.
void TestFieldWatch::statisticsOff()
{
    QTemporaryDir state;
    qputenv("STATE_DIRECTORY", QFile::encodeName(state.path()));
    qputenv("QUORVEL_GUIDE_STATISTICS", "off");
    const QString metricsFile = folder.filePath(QLatin1String(GuideMetrics::FileName));
    QFile::remove(metricsFile);
    {
        Basewidget window;
        FieldWatch field(&window);
        QVERIFY(GuideTest::showHome(window));
        window.sltOpenWidget(61);
        GuideTest::click(window, GuideTest::HomeButton);
        QTRY_COMPARE_WITH_TIMEOUT(GuideTest::shownPageId(window), HomePageId, Patience::Ms);
        field.sltWrite();
        field.sltMetrics();
        QTRY_VERIFY_WITH_TIMEOUT(
            readAll(metricsFile).contains(QLatin1String("quorvel_guide_visits_total{ended=\"button\"} 1")),
            Patience::Ms);
    }
    QVERIFY(QDir(state.path()).entryList(QDir::Files).isEmpty());
}

void TestFieldWatch::picturesJudged_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: the file is removed
    QTest::addColumn<int>("missing");
    QTest::addColumn<int>("damaged");
    QTest::addColumn<QString>("package"); // the one that placed them, as the metrics name it

    const QString marker = QStringLiteral("/" QUORVEL_PICTURES_MARKER);
    QTest::newRow("the whole set") << QString() << QByteArray() << 0 << 0 << QString();
    QTest::newRow("a page picture missing") << "/top.jpg" << QByteArray() << 1 << 0 << QString();
    QTest::newRow("an icon missing") << "/home_page.png" << QByteArray() << 1 << 0 << QString();
    QTest::newRow("a page picture that is no picture") << "/363ku.jpg" << QByteArray("<html>") << 0 << 1 << QString();
    QTest::newRow("a page picture cut short")
        << "/home.jpg" << QByteArray("\xff\xd8\xff\xe0", 4) << 0 << 1 << QString();
    // dpkg itself stands for a picture package: it is installed wherever dpkg-query runs.
    QTest::newRow("placed by a package") << marker << QByteArray("dpkg\n") << 0 << 0 << "dpkg";
    QTest::newRow("a marker naming an option") << marker << QByteArray("--help\n") << 0 << 0 << QString();
}

void TestFieldWatch::picturesJudged()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, missing);
    QFETCH(int, damaged);
    QFETCH(QString, package);

    QTemporaryDir set;
    TestPictures::writeAll(set.path());
    if (!name.isEmpty()) {
        QFile file(set.path() + name);
        if (content.isEmpty()) {
            QVERIFY(file.remove());
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(content);
        }
    }
    QStringList paths;
    for (const QString &picture : GuidePictures::all())
        paths << set.path() + picture;
    const PictureState state = PictureState::judge(paths);
    QCOMPARE(state.missing, missing);
    QCOMPARE(state.damaged, damaged);
#ifdef Q_OS_WIN
    package.clear(); // no Debian packages there
#endif
    QCOMPARE(state.package, package);
    QCOMPARE(state.version.isEmpty(), package.isEmpty());
}

void TestFieldWatch::pictureChangeReachesTheMetrics_data()
{
    QTest::addColumn<bool>("remove");
    QTest::addColumn<QString>("metric");

    QTest::newRow("removed") << true << "quorvel_guide_pictures_missing 1";
    QTest::newRow("damaged") << false << "quorvel_guide_pictures_damaged 1";
}

void TestFieldWatch::pictureChangeReachesTheMetrics()
{
    QFETCH(bool, remove);
    QFETCH(QString, metric);

    const QString metricsFile = folder.filePath(QLatin1String(GuideMetrics::FileName));
    QFile::remove(metricsFile);
    TestPictures::writeAll();
    Basewidget window;
    FieldWatch field(&window);
    QVERIFY(GuideTest::showHome(window));
    // Gathered and judged after the start, then written with the metrics.
    QTRY_VERIFY_WITH_TIMEOUT(readAll(metricsFile).contains(QLatin1String("quorvel_guide_pictures_missing 0")),
                             Patience::Ms);
    QVERIFY(readAll(metricsFile).contains(QLatin1String("quorvel_guide_pictures_damaged 0")));

    const QString path = TestPictures::path(QStringLiteral("/typeP.jpg"));
    if (remove) {
        QVERIFY(QFile::remove(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("not a picture");
    }
    QTRY_VERIFY_WITH_TIMEOUT(readAll(metricsFile).contains(metric), Patience::Ms);
    TestPictures::writeAll();
}

// The kiosk unit stops the guide with SIGTERM: what it counted since its last
// write reaches the database on the way out.
void TestFieldWatch::terminatedGuideWritesItsCounts()
{
    QTemporaryDir state;
    QProcess guide;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("STATE_DIRECTORY"), state.path());
    environment.insert(QStringLiteral("QUORVEL_GUIDE_METRICS_DIR"), state.path());
    environment.insert(QStringLiteral("QUORVEL_GUIDE_SOCKET"), state.filePath(QStringLiteral("screen")));
    guide.setProcessEnvironment(environment);
    guide.start(QStringLiteral(QUORVEL_GUIDE_EXECUTABLE), QStringList());
    QVERIFY(guide.waitForStarted());
    // The start picture, then home: two pages, told by the metrics.
    const QString metricsFile = state.filePath(QLatin1String(GuideMetrics::FileName));
    QTRY_VERIFY_WITH_TIMEOUT(readAll(metricsFile).contains(QLatin1String("quorvel_guide_page_views_total 2")),
                             Patience::Ms);
    guide.terminate();
    QVERIFY(guide.waitForFinished(Patience::Ms));
    QCOMPARE(guide.exitStatus(), QProcess::NormalExit);
    QCOMPARE(guide.exitCode(), 0);

    SqliteDatabase db;
    QVERIFY(db.open(state.filePath(QStringLiteral("visits.sqlite"))));
    SqliteDatabase::Query query(db, QStringLiteral("SELECT page, views FROM page_views ORDER BY page"));
    QVERIFY(query.next());
    QCOMPARE(query.integer(0), qint64(StartPageId));
    QCOMPARE(query.integer(1), qint64(1));
    QVERIFY(query.next());
    QCOMPARE(query.integer(0), qint64(HomePageId));
    QCOMPARE(query.integer(1), qint64(1));
    QVERIFY(!query.next());
}

void TestFieldWatch::screenshotMatchesTheWindow_data()
{
    QTest::addColumn<int>("page");

    QTest::newRow("home") << int(HomePageId);
    QTest::newRow("a model") << 61;
    QTest::newRow("a type") << 131;
}

void TestFieldWatch::screenshotMatchesTheWindow()
{
    QFETCH(int, page);

    Basewidget window;
    FieldWatch field(&window);
    QVERIFY(field.screenServer()->isListening());
    QVERIFY(GuideTest::showHome(window));
    window.sltOpenWidget(page);
    const QString shot = folder.filePath(QStringLiteral("screen.png"));
    QFile::remove(shot);

    // The command as run on the panel; this test's event loop serves it.
    QProcess command;
    command.start(QStringLiteral(QUORVEL_GUIDE_EXECUTABLE), {QStringLiteral("--screenshot"), shot});
    QTRY_COMPARE_WITH_TIMEOUT(command.state(), QProcess::NotRunning, Patience::Ms);
    QVERIFY2(command.exitCode() == 0, command.readAllStandardError().constData());

    const QImage taken(shot);
    const QImage shown = window.grab().toImage().convertToFormat(taken.format());
    QCOMPARE(taken.size(), window.size() * window.devicePixelRatioF());
    QVERIFY(taken == shown);
    QCOMPARE(TestPictures::pictureOf(
                 taken.pixelColor(TestPictures::CornerX, taken.height() - TestPictures::CornerFromBottom)),
             TestPictures::shownPicture(&window));
}

QTEST_MAIN(TestFieldWatch)
#include "tst_fieldwatch.moc"
