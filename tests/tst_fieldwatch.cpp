#include "field/fieldwatch.h"
#include "field/screenserver.h"

#include "shell/basewidget.h"
#include "shell/idlereturn.h"

#include "support/guidetest.h"
#include "support/testpictures.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// The field layer on a real window: visits counted through its signals and
// written at exit, the metrics file, and the picture of the screen.
class TestFieldWatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void visitsAndMetrics();

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
        QTRY_COMPARE(GuideTest::shownPageId(window), HomePageId);
        window.sltOpenWidget(62);
        GuideTest::click(window, GuideTest::HomeButton);
        QTRY_COMPARE(GuideTest::shownPageId(window), HomePageId);

        field.sltMetrics();
        QTRY_VERIFY(readAll(metricsFile).contains(QLatin1String("quorvel_guide_visits_total{ended=\"idle\"} 1")));
        const QString metrics = readAll(metricsFile);
        QVERIFY2(metrics.contains(QLatin1String("quorvel_guide_visits_total{ended=\"button\"} 1")),
                 qPrintable(metrics));
        QVERIFY2(metrics.contains(QLatin1String("quorvel_guide_page_views_total 6")), qPrintable(metrics));
        QVERIFY(metrics.contains(QLatin1String("quorvel_guide_info{version=\"")));
#ifdef PROMTOOL
        QProcess promtool;
        promtool.setStandardInputFile(metricsFile);
        promtool.start(QStringLiteral(PROMTOOL), {QStringLiteral("check"), QStringLiteral("metrics")});
        QVERIFY(promtool.waitForFinished(60000));
        QVERIFY2(promtool.exitCode() == 0, promtool.readAllStandardError().constData());
#endif
    }
    // Written on the way out, though no batch was due yet.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    db.setDatabaseName(folder.filePath(QStringLiteral("state/visits.sqlite")));
    QVERIFY(db.open());
    {
        QSqlQuery query(QStringLiteral("SELECT end_page, ended_by FROM visits ORDER BY rowid"), db);
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 61);
        QCOMPARE(query.value(1).toInt(), 1);
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 62);
        QCOMPARE(query.value(1).toInt(), 0);
        QVERIFY(!query.next());
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
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
    QTRY_COMPARE_WITH_TIMEOUT(command.state(), QProcess::NotRunning, 30000);
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
