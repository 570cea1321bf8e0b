#include "field/sqlitedatabase.h"
#include "field/visitrecorder.h"
#include "field/visitstore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The visit statistics: visits told from the pages shown, and the database
// that keeps them through an old schema, a full disk, a lock or damage,
// saying each problem once and never stopping the guide.
class TestVisits : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void visitsFromPages_data();
    void visitsFromPages();

    void openingDatabase_data();
    void openingDatabase();

    void writingFails_data();
    void writingFails();

    void pruning_data();
    void pruning();
};

namespace {

QStringList warnings;
QtMessageHandler previousHandler = nullptr;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("visit statistics")))
        warnings << message;
    previousHandler(type, context, message);
}

// A connection of the test's own, as another program would open the file.
class Other
{
public:
    explicit Other(const QString &path) { db.open(path); }
    QVariant value(const QString &sql) { return db.value(sql); }
    bool exec(const QString &sql)
    {
        const bool ok = db.exec(sql);
        if (!ok)
            qInfo("%s: %s", qPrintable(sql), qPrintable(db.errorText()));
        return ok;
    }

private:
    SqliteDatabase db;
};

Visits::Batch visitsBatch(int count, int today = 20000)
{
    Visits::Batch batch;
    for (int i = 0; i < count; ++i)
        batch.visits.append({qint64(today) * 24 + 10, 30 + i % 200, 57 + i % 20, Visits::End(i % 2)});
    batch.views.append({today, 61, count});
    return batch;
}

} // namespace

void TestVisits::init()
{
    warnings.clear();
    previousHandler = qInstallMessageHandler(collect);
}

void TestVisits::cleanup()
{
    qInstallMessageHandler(previousHandler);
}

void TestVisits::visitsFromPages_data()
{
    // Pages shown ten seconds apart; "idle" is the return after inactivity
    // heard right after the page before it. Visits: "end page, seconds, how".
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("visits");
    QTest::addColumn<int>("pageViews");

    QTest::newRow("start picture, home: no visit") << "0 1" << QStringList() << 2;
    QTest::newRow("home, a model, home by the button") << "0 1 61 1" << QStringList{"61 10 button"} << 4;
    QTest::newRow("model, its detail, home by inactivity") << "1 61 81 1 idle" << QStringList{"81 20 idle"} << 4;
    QTest::newRow("two visits") << "1 2 3 1 61 1" << QStringList{"3 20 button", "61 10 button"} << 6;
    QTest::newRow("the return while already home ends no visit") << "1 61 1 1 idle" << QStringList{"61 10 button"} << 4;
    QTest::newRow("a visit still going is not counted") << "1 61 81" << QStringList() << 3;
    QTest::newRow("the start picture again ends a visit uncounted") << "1 61 0 1" << QStringList() << 4;
}

void TestVisits::visitsFromPages()
{
    QFETCH(QString, shown);
    QFETCH(QStringList, visits);
    QFETCH(int, pageViews);

    VisitRecorder recorder;
    QDateTime at(QDate(2026, 3, 14), QTime(11, 0));
    for (const QString &step : shown.split(QLatin1Char(' '))) {
        if (step == QLatin1String("idle")) {
            recorder.idleReturned();
            continue;
        }
        recorder.pageShown(step.toInt(), at);
        at = at.addSecs(10);
    }
    const Visits::Batch batch = recorder.take();
    QStringList seen;
    for (const Visits::Visit &visit : batch.visits) {
        seen << QStringLiteral("%1 %2 %3")
                    .arg(visit.endPage)
                    .arg(visit.seconds)
                    .arg(visit.end == Visits::End::Idle ? "idle" : "button");
        QCOMPARE(visit.startHour, Visits::localHour(QDateTime(QDate(2026, 3, 14), QTime(11, 0))));
    }
    QCOMPARE(seen, visits);
    int views = 0;
    for (const Visits::PageViews &day : batch.views)
        views += day.views;
    QCOMPARE(views, pageViews);
    QCOMPARE(recorder.pageViews(), qint64(pageViews));
    QCOMPARE(recorder.visits(Visits::End::Button) + recorder.visits(Visits::End::Idle), qint64(visits.size()));
    QVERIFY(recorder.take().isEmpty());
}

void TestVisits::openingDatabase_data()
{
    QTest::addColumn<QString>("before"); // what is in the file before the guide opens it
    QTest::addColumn<bool>("written");
    QTest::addColumn<int>("visitsAfter");
    QTest::addColumn<bool>("setAside");
    QTest::addColumn<QString>("said"); // the one warning, or empty

    QTest::newRow("no file") << "none" << true << 2 << false << QString();
    QTest::newRow("an older schema") << "version 1" << true << 5 << false << QString();
    QTest::newRow("a newer schema") << "version 9" << false << 0 << false
                                    << "made by a newer guide (%1): its schema version 9 is newer";
    QTest::newRow("not a database") << "garbage" << true << 2 << true << "is damaged (%1): file is not a database";
    QTest::newRow("damaged pages") << "damaged" << true << 2 << true << "is damaged (%1)";
}

void TestVisits::openingDatabase()
{
    QFETCH(QString, before);
    QFETCH(bool, written);
    QFETCH(int, visitsAfter);
    QFETCH(bool, setAside);
    QFETCH(QString, said);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("visits.sqlite"));
    if (before == QLatin1String("version 1")) {
        // The first schema, with three visits in it.
        Other other(path);
        QVERIFY(other.exec(QStringLiteral("CREATE TABLE page_views (day INTEGER NOT NULL, page INTEGER NOT NULL, "
                                          "views INTEGER NOT NULL, PRIMARY KEY (day, page)) WITHOUT ROWID")));
        QVERIFY(other.exec(QStringLiteral("CREATE TABLE visits (start_hour INTEGER NOT NULL, seconds INTEGER NOT "
                                          "NULL, end_page INTEGER NOT NULL)")));
        QVERIFY(other.exec(QStringLiteral("INSERT INTO visits VALUES (480010, 40, 61), (480010, 50, 62), "
                                          "(480011, 60, 63)")));
        QVERIFY(other.exec(QStringLiteral("INSERT INTO page_views VALUES (20000, 61, 7)")));
        QVERIFY(other.exec(QStringLiteral("PRAGMA user_version=1")));
    } else if (before == QLatin1String("version 9")) {
        Other other(path);
        QVERIFY(other.exec(QStringLiteral("CREATE TABLE future (x)")));
        QVERIFY(other.exec(QStringLiteral("PRAGMA user_version=9")));
    } else if (before == QLatin1String("garbage")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
    } else if (before == QLatin1String("damaged")) {
        {
            VisitStore store(path);
            QVERIFY(store.write(visitsBatch(3000), 20000));
        }
        QFile file(path);
        QVERIFY(file.size() > qint64(16) * 4096);
        QVERIFY(file.open(QIODevice::ReadWrite));
        // The pages of the visits' table and its index, past the schema.
        file.seek(qint64(2) * 4096);
        file.write(QByteArray(8 * 4096, '\xa5'));
    }

    {
        VisitStore store(path);
        QCOMPARE(store.write(visitsBatch(2), 20000), written);
        // Once said is enough, however often the guide tries.
        QCOMPARE(store.write(Visits::Batch(), 20000), written);
        QCOMPARE(store.pendingRows(), 0);
    }
    QCOMPARE(warnings.size(), said.isEmpty() ? 0 : 1);
    if (!said.isEmpty())
        QVERIFY2(warnings.first().contains(said.arg(path)), qPrintable(warnings.first()));
    QCOMPARE(QFile::exists(path + QStringLiteral(".damaged")), setAside);

    Other other(path);
    if (before == QLatin1String("version 9")) {
        QCOMPARE(other.value(QStringLiteral("PRAGMA user_version")).toInt(), 9);
        return;
    }
    QCOMPARE(other.value(QStringLiteral("PRAGMA user_version")).toInt(), int(VisitStore::SchemaVersion));
    QCOMPARE(other.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    QCOMPARE(other.value(QStringLiteral("SELECT count(*) FROM visits")).toInt(), visitsAfter);
    QCOMPARE(other.value(QStringLiteral("SELECT count(*) FROM visits WHERE ended_by = 1")).toInt(), 1);
    QCOMPARE(other.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    if (before == QLatin1String("version 1")) {
        // The old rows kept, counted as ended by the button, and the views added to.
        QCOMPARE(other.value(QStringLiteral("SELECT sum(seconds) FROM visits WHERE ended_by = 0")).toInt(), 150 + 30);
        QCOMPARE(other.value(QStringLiteral("SELECT views FROM page_views WHERE day = 20000 AND page = 61")).toInt(),
                 9);
    }
}

void TestVisits::writingFails_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("said");

    QTest::newRow("full disk") << "full"
                               << "the disk is full (%1): database or disk is full";
    QTest::newRow("locked by another program") << "locked"
                                               << "the database is locked by another program (%1): database is locked";
}

void TestVisits::writingFails()
{
    QFETCH(QString, cause);
    QFETCH(QString, said);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("visits.sqlite"));
    // A cap of a few pages stands in for a disk that has no room left.
    const qint64 cap = cause == QLatin1String("full") ? qint64(12) * 4096 : VisitStore::DefaultMaxBytes;
    VisitStore store(path, cap);
    QVERIFY(store.write(Visits::Batch(), 20000));
    {
        Other other(path);
        if (cause == QLatin1String("locked"))
            QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));

        QVERIFY(!store.write(visitsBatch(3000), 20000));
        QVERIFY(!store.write(visitsBatch(10), 20000));
        // Kept for later, all of it, and said once.
        QCOMPARE(store.pendingRows(), 3010 + 2);
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().contains(said.arg(path)), qPrintable(warnings.first()));
        QVERIFY(warnings.first().contains(QLatin1String("wait in memory")));
        if (cause == QLatin1String("locked"))
            QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
        QCOMPARE(other.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        QCOMPARE(other.value(QStringLiteral("SELECT count(*) FROM visits")).toInt(), 0);
    }
    if (cause == QLatin1String("full")) {
        // Too much for the room there is: the rows stay in memory, bounded.
        QVERIFY(!store.write(visitsBatch(VisitStore::MaxPending), 20000));
        QVERIFY(store.pendingRows() <= 2 * VisitStore::MaxPending);
        QCOMPARE(warnings.size(), 1);
        return;
    }
    // Free again: everything kept is written, and the database is whole.
    QVERIFY(store.write(Visits::Batch(), 20000));
    QCOMPARE(store.pendingRows(), 0);
    Other other(path);
    QCOMPARE(other.value(QStringLiteral("SELECT count(*) FROM visits")).toInt(), 3010);
    QCOMPARE(other.value(QStringLiteral("SELECT sum(views) FROM page_views")).toInt(), 3010);
}

void TestVisits::pruning_data()
{
    QTest::addColumn<int>("age"); // in days
    QTest::addColumn<bool>("kept");

    QTest::newRow("a year") << 365 << true;
    QTest::newRow("the last day kept") << int(VisitStore::KeepDays) << true;
    QTest::newRow("a day older") << int(VisitStore::KeepDays) + 1 << false;
}

void TestVisits::pruning()
{
    QFETCH(int, age);
    QFETCH(bool, kept);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("visits.sqlite"));
    const int today = 20500;
    VisitStore store(path);
    QVERIFY(store.write(visitsBatch(4, today - age), today - age));
    QVERIFY(store.write(visitsBatch(1, today), today));
    Other other(path);
    QCOMPARE(other.value(QStringLiteral("SELECT count(*) FROM visits")).toInt(), kept ? 5 : 1);
    QCOMPARE(other.value(QStringLiteral("SELECT count(*) FROM page_views")).toInt(), kept ? 2 : 1);
}

QTEST_GUILESS_MAIN(TestVisits)
#include "tst_visits.moc"
