#include "visitstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace {

// Each schema version, from an empty database: a database of version n is
// brought up to date by the steps after n.
const char *const Migrations[][3] = {
    {"CREATE TABLE page_views (day INTEGER NOT NULL, page INTEGER NOT NULL, views INTEGER NOT NULL, "
     "PRIMARY KEY (day, page)) WITHOUT ROWID",
     "CREATE TABLE visits (start_hour INTEGER NOT NULL, seconds INTEGER NOT NULL, end_page INTEGER NOT NULL)", nullptr},
    {"ALTER TABLE visits ADD COLUMN ended_by INTEGER NOT NULL DEFAULT 0",
     "CREATE INDEX visits_by_start ON visits (start_hour)", nullptr},
};
static_assert(sizeof(Migrations) / sizeof(Migrations[0]) == VisitStore::SchemaVersion, "a step for each version");

// SQLite's primary result codes, as the driver gives them.
constexpr int SqliteBusy = 5;
constexpr int SqliteLocked = 6;
constexpr int SqliteReadOnly = 8;
constexpr int SqliteIoError = 10;
constexpr int SqliteCorrupt = 11;
constexpr int SqliteFull = 13;
constexpr int SqliteCantOpen = 14;
constexpr int SqliteNotADatabase = 26;

std::atomic<int> connections{0};

// The integrity check's first finding, on one line, and how many there are.
QString firstFinding(const QString &findings)
{
    QStringList lines = findings.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QString &line) { return line.startsWith(QLatin1String("***")); }),
                lines.end());
    if (lines.isEmpty())
        return QStringLiteral("the integrity check fails");
    return lines.size() == 1 ? lines.first()
                             : QStringLiteral("%1, and %2 more findings").arg(lines.first()).arg(lines.size() - 1);
}

} // namespace

QString VisitStore::defaultPath()
{
    // systemd may list several folders, separated by colons.
    QString folder = qEnvironmentVariable("STATE_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(QStringLiteral("visits.sqlite"));
}

bool VisitStore::enabledByEnvironment()
{
    const QByteArray value = qgetenv("QUORVEL_GUIDE_STATISTICS").trimmed().toLower();
    return !(value == "off" || value == "no" || value == "false" || value == "0");
}

VisitStore::VisitStore(const QString &path, qint64 maxBytes, QObject *parent)
    : QObject(parent),
      file(path),
      connection(QStringLiteral("visits-%1").arg(connections++)),
      maxBytes(maxBytes)
{
}

VisitStore::~VisitStore()
{
    close();
}

bool VisitStore::open()
{
    if (opened)
        return true;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        fail(Unwritable, QStringLiteral("Qt's SQLite driver is not installed"));
        return false;
    }
    QDir().mkpath(QFileInfo(file).absolutePath());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        if (!db.open()) {
            const QSqlError error = db.lastError();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection);
            fail(kindOf(error), error.databaseText());
            return false;
        }
    }
    opened = true;
    QString why;
    const Problem kind = prepare(&why);
    if (kind == NoProblem && migrate())
        return true;
    close();
    if (kind == Damaged)
        setAside(why);
    else if (kind != NoProblem)
        fail(kind, why);
    return false;
}

VisitStore::Problem VisitStore::prepare(QString *why) const
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    // The write-ahead log keeps the database whole through a power cut, and
    // FULL syncs it at every commit: a cut loses at most the batch not yet
    // committed.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next()) {
        *why = query.lastError().databaseText();
        return kindOf(query.lastError());
    }
    query.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    query.exec(QStringLiteral("PRAGMA page_size"));
    const qint64 pageSize = query.next() ? query.value(0).toLongLong() : 4096;
    query.exec(QStringLiteral("PRAGMA max_page_count=%1").arg(qMax<qint64>(2, maxBytes / qMax<qint64>(512, pageSize))));
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next()) {
        *why = query.lastError().databaseText();
        return kindOf(query.lastError());
    }
    if (query.value(0).toString() != QLatin1String("ok")) {
        *why = firstFinding(query.value(0).toString());
        return Damaged;
    }
    return NoProblem;
}

void VisitStore::close()
{
    if (!opened)
        return;
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
    opened = false;
}

// A damaged database is kept for whoever wants to look into it, and counting
// starts in a new one.
void VisitStore::setAside(const QString &why)
{
    const QString aside = file + QStringLiteral(".damaged");
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        QFile::remove(aside + suffix);
        QFile::rename(file + suffix, aside + suffix);
    }
    fail(Damaged, QStringLiteral("%1; kept as %2, counting in a new database").arg(why, aside));
}

bool VisitStore::migrate()
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        fail(kindOf(query.lastError()), query.lastError().databaseText());
        return false;
    }
    const int version = query.value(0).toInt();
    if (version > SchemaVersion) {
        fail(Newer,
             QStringLiteral("its schema version %1 is newer than this guide's %2; it is left as it is, and "
                            "nothing is counted")
                 .arg(version)
                 .arg(SchemaVersion));
        return false;
    }
    if (version == SchemaVersion)
        return true;
    if (!db.transaction()) {
        fail(kindOf(db.lastError()), db.lastError().databaseText());
        return false;
    }
    for (int step = version; step < SchemaVersion; ++step) {
        for (const char *const *statement = Migrations[step]; *statement; ++statement) {
            if (!query.exec(QLatin1String(*statement))) {
                const QSqlError error = query.lastError();
                db.rollback();
                fail(kindOf(error), error.databaseText());
                return false;
            }
        }
    }
    query.exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion));
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        db.rollback();
        fail(kindOf(error), error.databaseText());
        return false;
    }
    return true;
}

bool VisitStore::write(const Visits::Batch &batch, int today)
{
    pending.views += batch.views;
    pending.visits += batch.visits;
    // Bounded: a disk full for weeks costs the oldest rows, not the memory.
    if (pending.views.size() > MaxPending)
        pending.views.remove(0, pending.views.size() - MaxPending);
    if (pending.visits.size() > MaxPending)
        pending.visits.remove(0, pending.visits.size() - MaxPending);
    if (problem == Newer) {
        pending = Visits::Batch();
        return false;
    }
    // A damaged database set aside leaves the way free for a new one at once.
    if (!open() && !(problem == Damaged && !QFileInfo::exists(file) && open()))
        return false;
    if (!writePending(today))
        return false;
    problem = NoProblem;
    said.clear();
    return true;
}

bool VisitStore::writePending(int today)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery query(db);
    // IMMEDIATE: a lock held by another program shows here, before any row.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        fail(kindOf(query.lastError()), query.lastError().databaseText());
        return false;
    }
    const auto rollback = [&](const QSqlError &error) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        fail(kindOf(error), error.databaseText());
        return false;
    };
    query.prepare(QStringLiteral("INSERT INTO page_views (day, page, views) VALUES (?, ?, ?) "
                                 "ON CONFLICT (day, page) DO UPDATE SET views = views + excluded.views"));
    for (const Visits::PageViews &views : qAsConst(pending.views)) {
        query.addBindValue(views.day);
        query.addBindValue(views.page);
        query.addBindValue(views.views);
        if (!query.exec())
            return rollback(query.lastError());
    }
    query.prepare(QStringLiteral("INSERT INTO visits (start_hour, seconds, end_page, ended_by) VALUES (?, ?, ?, ?)"));
    for (const Visits::Visit &visit : qAsConst(pending.visits)) {
        query.addBindValue(visit.startHour);
        query.addBindValue(visit.seconds);
        query.addBindValue(visit.endPage);
        query.addBindValue(int(visit.end));
        if (!query.exec())
            return rollback(query.lastError());
    }
    if (today != prunedDay) {
        const int oldest = today - KeepDays;
        if (!query.exec(QStringLiteral("DELETE FROM page_views WHERE day < %1").arg(oldest))
            || !query.exec(QStringLiteral("DELETE FROM visits WHERE start_hour < %1").arg(qint64(oldest) * 24)))
            return rollback(query.lastError());
    }
    if (!query.exec(QStringLiteral("COMMIT")))
        return rollback(query.lastError());
    prunedDay = today;
    pending = Visits::Batch();
    return true;
}

VisitStore::Problem VisitStore::kindOf(const QSqlError &error) const
{
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case SqliteFull:
        return DiskFull;
    case SqliteBusy:
    case SqliteLocked:
        return Locked;
    case SqliteCorrupt:
    case SqliteNotADatabase:
        return Damaged;
    case SqliteReadOnly:
    case SqliteIoError:
    case SqliteCantOpen:
    default:
        return Unwritable;
    }
}

void VisitStore::fail(Problem kind, const QString &why)
{
    problem = kind;
    if (said.contains(kind))
        return;
    said.insert(kind);
    static const char *const What[] = {
        "",
        "the disk is full",
        "the database is locked by another program",
        "the database is damaged",
        "the database was made by a newer guide",
        "the database cannot be written",
    };
    QString message = QStringLiteral("quorvel-guide: visit statistics: %1 (%2): %3")
                          .arg(QLatin1String(What[kind]), file, why.trimmed());
    if (kind == DiskFull || kind == Locked || kind == Unwritable)
        message += QStringLiteral("; the last visits wait in memory until they can be written");
    qWarning("%s", qPrintable(message));
}
