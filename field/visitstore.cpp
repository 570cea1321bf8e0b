#include "visitstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <algorithm>

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
      maxBytes(maxBytes)
{
}

bool VisitStore::open()
{
    if (db.isOpen())
        return true;
    QDir().mkpath(QFileInfo(file).absolutePath());
    if (!db.open(file, SqliteDatabase::Mode::ReadWrite, BusyTimeoutMs)) {
        failWithDatabaseError();
        return false;
    }
    QString why;
    const Problem kind = prepare(&why);
    if (kind == NoProblem && migrate())
        return true;
    db.close();
    if (kind == Damaged)
        setAside(why);
    else if (kind != NoProblem)
        fail(kind, why);
    return false;
}

VisitStore::Problem VisitStore::prepare(QString *why)
{
    // The write-ahead log keeps the database whole through a power cut, and
    // FULL syncs it at every commit: a cut loses at most the batch not yet
    // committed.
    if (!db.value(QStringLiteral("PRAGMA journal_mode=WAL")).isValid()) {
        *why = db.errorText();
        return kindOf(db.errorCode());
    }
    db.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    const qint64 pageSize = db.value(QStringLiteral("PRAGMA page_size")).toLongLong();
    db.exec(QStringLiteral("PRAGMA max_page_count=%1")
                .arg(qMax<qint64>(2, maxBytes / qMax<qint64>(512, pageSize > 0 ? pageSize : 4096))));
    const QVariant check = db.value(QStringLiteral("PRAGMA quick_check"));
    if (!check.isValid()) {
        *why = db.errorText();
        return kindOf(db.errorCode());
    }
    if (check.toString() != QLatin1String("ok")) {
        *why = firstFinding(check.toString());
        return Damaged;
    }
    return NoProblem;
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
    const QVariant version = db.value(QStringLiteral("PRAGMA user_version"));
    if (!version.isValid()) {
        failWithDatabaseError();
        return false;
    }
    if (version.toInt() > SchemaVersion) {
        fail(Newer,
             QStringLiteral("its schema version %1 is newer than this guide's %2; it is left as it is, and "
                            "nothing is counted")
                 .arg(version.toInt())
                 .arg(SchemaVersion));
        return false;
    }
    if (version.toInt() == SchemaVersion)
        return true;
    if (!db.exec(QStringLiteral("BEGIN"))) {
        failWithDatabaseError();
        return false;
    }
    for (int step = version.toInt(); step < SchemaVersion; ++step) {
        for (const char *const *statement = Migrations[step]; *statement; ++statement) {
            if (!db.exec(QLatin1String(*statement))) {
                failWithDatabaseError();
                db.exec(QStringLiteral("ROLLBACK"));
                return false;
            }
        }
    }
    if (!db.exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion)) || !db.exec(QStringLiteral("COMMIT"))) {
        failWithDatabaseError();
        db.exec(QStringLiteral("ROLLBACK"));
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
    // IMMEDIATE: a lock held by another program shows here, before any row.
    if (!db.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        failWithDatabaseError();
        return false;
    }
    const auto rollback = [&] {
        failWithDatabaseError();
        db.exec(QStringLiteral("ROLLBACK"));
        return false;
    };
    {
        SqliteDatabase::Query views(db,
                                    QStringLiteral("INSERT INTO page_views (day, page, views) VALUES (?, ?, ?) "
                                                   "ON CONFLICT (day, page) DO UPDATE SET views = views + "
                                                   "excluded.views"));
        for (const Visits::PageViews &day : qAsConst(pending.views)) {
            views.bind(1, day.day);
            views.bind(2, day.page);
            views.bind(3, day.views);
            if (!views.run())
                return rollback();
        }
        SqliteDatabase::Query visits(
            db, QStringLiteral("INSERT INTO visits (start_hour, seconds, end_page, ended_by) VALUES (?, ?, ?, ?)"));
        for (const Visits::Visit &visit : qAsConst(pending.visits)) {
            visits.bind(1, visit.startHour);
            visits.bind(2, visit.seconds);
            visits.bind(3, visit.endPage);
            visits.bind(4, int(visit.end));
            if (!visits.run())
                return rollback();
        }
    }
    if (today != prunedDay) {
        const int oldest = today - KeepDays;
        if (!db.exec(QStringLiteral("DELETE FROM page_views WHERE day < %1").arg(oldest))
            || !db.exec(QStringLiteral("DELETE FROM visits WHERE start_hour < %1").arg(qint64(oldest) * 24)))
            return rollback();
    }
    if (!db.exec(QStringLiteral("COMMIT")))
        return rollback();
    prunedDay = today;
    pending = Visits::Batch();
    return true;
}

void VisitStore::failWithDatabaseError()
{
    fail(kindOf(db.errorCode()), db.errorText());
}

VisitStore::Problem VisitStore::kindOf(int sqliteCode)
{
    switch (sqliteCode) {
    case SQLITE_FULL:
        return DiskFull;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Locked;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Damaged;
    case SQLITE_READONLY:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
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
