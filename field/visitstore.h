#ifndef VISITSTORE_H
#define VISITSTORE_H

#include "sqlitedatabase.h"
#include "visits.h"

#include <QObject>
#include <QSet>
#include <QString>

// The visit statistics' SQLite database. It is used from one thread only, the
// one that first writes (the guide gives it a thread of its own, so that a
// slow disk never holds up a press). Every problem (a full disk, a database
// locked by another program, a damaged one, one made by a newer guide) is
// said once, on stderr, and the guide goes on: what could not be written is
// kept in memory, up to a bound, and written once it can be.
class VisitStore : public QObject
{
    Q_OBJECT

public:
    static constexpr int SchemaVersion = 2;
    // Rows older than this are pruned; the report compares a year with the last.
    static constexpr int KeepDays = 400;
    // The database never grows past this; reaching it counts as a full disk.
    static constexpr qint64 DefaultMaxBytes = 64 * 1024 * 1024;
    // What waits in memory when writing fails; older rows go first beyond it.
    static constexpr int MaxPending = 50000;
    // How long a write waits for another program's lock before it gives up
    // until the next batch.
    static constexpr int BusyTimeoutMs = 1000;

    enum Problem { NoProblem, DiskFull, Locked, Damaged, Newer, Unwritable };

    // The database in the kiosk's state folder ($STATE_DIRECTORY, set by the
    // unit's StateDirectory=), else in the user's data location.
    static QString defaultPath();
    // The statistics are on unless QUORVEL_GUIDE_STATISTICS is off, no, false or 0.
    static bool enabledByEnvironment();

    explicit VisitStore(const QString &path, qint64 maxBytes = DefaultMaxBytes, QObject *parent = nullptr);

    QString path() const { return file; }
    // Writes what the batch holds, with what earlier writes left; false when
    // it is kept for later (or, for a newer database, dropped).
    bool write(const Visits::Batch &batch, int today);
    int pendingRows() const { return pending.views.size() + pending.visits.size(); }
    Problem lastProblem() const { return problem; }

private:
    bool open();
    Problem prepare(QString *why);
    bool migrate();
    bool writePending(int today);
    void fail(Problem kind, const QString &why);
    void failWithDatabaseError();
    static Problem kindOf(int sqliteCode);
    void setAside(const QString &why);

    QString file;
    qint64 maxBytes = DefaultMaxBytes;
    SqliteDatabase db;
    Visits::Batch pending;
    int prunedDay = -1;
    Problem problem = NoProblem;
    QSet<int> said;
};

#endif
