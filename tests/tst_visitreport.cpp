#include "support/patience.h"

#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// guide-visits as an operator runs it: generated panels' databases read back,
// alone and as a fleet, whole or for some days, as CSV, a table and a chart.
class TestVisitReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void report_data();
    void report();

    void refused_data();
    void refused();

private:
    QTemporaryDir folder;
    QMap<int, int> generated; // visits written, by seed
};

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run guideVisits(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(GUIDE_VISITS), arguments);
    Run run;
    if (!process.waitForFinished(Patience::Ms))
        return run;
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// section -> item -> count, from --csv.
QMap<QString, QMap<QString, qint64>> parse(const QString &csv)
{
    QMap<QString, QMap<QString, qint64>> sections;
    const QStringList lines = csv.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines.mid(1)) {
        const int first = line.indexOf(QLatin1Char(','));
        const int last = line.lastIndexOf(QLatin1Char(','));
        sections[line.left(first)][line.mid(first + 1, last - first - 1)] = line.mid(last + 1).toLongLong();
    }
    return sections;
}

qint64 sum(const QMap<QString, qint64> &items)
{
    qint64 total = 0;
    for (const qint64 count : items)
        total += count;
    return total;
}

} // namespace

void TestVisitReport::initTestCase()
{
    QVERIFY(folder.isValid());
    for (const int seed : {1, 2}) {
        const Run run
            = guideVisits({QStringLiteral("generate"), QStringLiteral("--days"), QStringLiteral("60"),
                           QStringLiteral("--until"), QStringLiteral("2026-06-30"), QStringLiteral("--seed"),
                           QString::number(seed), folder.filePath(QStringLiteral("panel-%1.sqlite").arg(seed))});
        QCOMPARE(run.status, 0);
        const QRegularExpressionMatch wrote = QRegularExpression(QStringLiteral("^Wrote (\\d+) visits")).match(run.out);
        QVERIFY2(wrote.hasMatch(), qPrintable(run.out));
        generated[seed] = wrote.captured(1).toInt();
        QVERIFY(generated[seed] > 60 * 50);
    }
}

void TestVisitReport::report_data()
{
    QTest::addColumn<QList<int>>("panels"); // by seed
    QTest::addColumn<QString>("since");
    QTest::addColumn<QString>("until");
    QTest::addColumn<int>("days");

    QTest::newRow("one panel, every day") << QList<int>{1} << QString() << QString() << 60;
    QTest::newRow("a fleet of two") << QList<int>{1, 2} << QString() << QString() << 60;
    QTest::newRow("a week") << QList<int>{2} << "2026-06-10"
                            << "2026-06-16" << 7;
    QTest::newRow("a fleet's last days") << QList<int>{1, 2} << "2026-06-25" << QString() << 6;
    QTest::newRow("days before any visit") << QList<int>{1} << "2025-01-01"
                                           << "2025-01-03" << 3;
}

void TestVisitReport::report()
{
    QFETCH(QList<int>, panels);
    QFETCH(QString, since);
    QFETCH(QString, until);
    QFETCH(int, days);

    QStringList databases;
    for (const int seed : panels)
        databases << folder.filePath(QStringLiteral("panel-%1.sqlite").arg(seed));
    QStringList range;
    if (!since.isEmpty())
        range << QStringLiteral("--since") << since;
    if (!until.isEmpty())
        range << QStringLiteral("--until") << until;

    // What each panel's whole report says of the days asked for.
    qint64 expected = 0;
    for (const int seed : panels) {
        const Run whole
            = guideVisits({QStringLiteral("report"), QStringLiteral("--csv"), databases.at(panels.indexOf(seed))});
        QCOMPARE(whole.status, 0);
        const auto sections = parse(whole.out);
        QCOMPARE(sections["total"]["visits"], qint64(generated[seed]));
        for (auto it = sections["day"].cbegin(); it != sections["day"].cend(); ++it) {
            if ((since.isEmpty() || it.key() >= since) && (until.isEmpty() || it.key() <= until))
                expected += it.value();
        }
    }

    const QString chart = folder.filePath(QStringLiteral("chart.png"));
    const Run csv
        = guideVisits(QStringList{QStringLiteral("report"), QStringLiteral("--csv"), QStringLiteral("--chart"), chart}
                      + range + databases);
    QCOMPARE(csv.status, 0);
    const auto sections = parse(csv.out);
    QCOMPARE(sections["total"]["visits"], expected);
    QCOMPARE(sections["day"].size(), days);
    QCOMPARE(sum(sections["day"]), expected);
    QCOMPARE(sum(sections["hour"]), expected);
    QCOMPARE(sum(sections["visit ends"]), expected);
    QCOMPARE(sections["panel"].size(), panels.size());
    QCOMPARE(sum(sections["panel"]), expected);
    QVERIFY(sections["total"]["ended by idle return"] <= expected);
    if (expected > 0) {
        // The models are the sum of their model, detail and result pages.
        qint64 modelPages = 0;
        for (auto it = sections["page views"].cbegin(); it != sections["page views"].cend(); ++it) {
            if (it.key().contains(QLatin1String(" model ")) || it.key().contains(QLatin1String(" detail "))
                || it.key().contains(QLatin1String(" result ")))
                modelPages += it.value();
        }
        QCOMPARE(sum(sections["model views"]), modelPages);
        QVERIFY(sections["total"]["median seconds"] > 0);
    }
    const QImage image(chart);
    QCOMPARE(image.size(), QSize(1200, 860));

    const Run table = guideVisits(QStringList{QStringLiteral("report")} + range + databases);
    QCOMPARE(table.status, 0);
    QVERIFY2(table.out.contains(QStringLiteral("  %1 visits, ").arg(expected)), qPrintable(table.out));
}

void TestVisitReport::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");

    QTest::newRow("no database") << QStringList{"report"} << 2 << "report takes one database or more";
    QTest::newRow("not a date") << QStringList{"report", "--since", "June", "x.sqlite"} << 2
                                << "--since and --until take a date";
    QTest::newRow("no such file") << QStringList{"report", "missing.sqlite"} << 1 << "missing.sqlite: no such file";
    QTest::newRow("not a database") << QStringList{"report", GUIDE_VISITS} << 1 << "file is not a database";
    QTest::newRow("unknown command") << QStringList{"show"} << 2 << "unknown command show";
}

void TestVisitReport::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);

    const Run run = guideVisits(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestVisitReport)
#include "tst_visitreport.moc"
