#include "sqlitedatabase.h"

#include <sqlite3.h>

SqliteDatabase::~SqliteDatabase()
{
    close();
}

bool SqliteDatabase::open(const QString &path, Mode mode, int busyTimeoutMs)
{
    close();
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int result = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (result != SQLITE_OK) {
        failed(result);
        close();
        return false;
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    return true;
}

void SqliteDatabase::close()
{
    // Every statement is finalised by its Query before this.
    sqlite3_close(db);
    db = nullptr;
}

bool SqliteDatabase::exec(const QString &sql)
{
    Query query(*this, sql);
    return query.run();
}

QVariant SqliteDatabase::value(const QString &sql)
{
    Query query(*this, sql);
    return query.next() ? query.value(0) : QVariant();
}

void SqliteDatabase::failed(int result)
{
    code = result & 0xff;
    message = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(result));
}

SqliteDatabase::Query::Query(SqliteDatabase &database, const QString &sql)
    : database(database)
{
    if (!database.db) {
        database.failed(SQLITE_MISUSE);
        return;
    }
    const int result = sqlite3_prepare_v2(database.db, sql.toUtf8().constData(), -1, &statement, nullptr);
    if (result != SQLITE_OK) {
        database.failed(result);
        sqlite3_finalize(statement);
        statement = nullptr;
    }
}

SqliteDatabase::Query::~Query()
{
    sqlite3_finalize(statement);
}

void SqliteDatabase::Query::bind(int parameter, qint64 value)
{
    if (statement)
        sqlite3_bind_int64(statement, parameter, value);
}

bool SqliteDatabase::Query::next()
{
    if (!statement)
        return false;
    const int result = sqlite3_step(statement);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        database.failed(result);
    failedStep = result != SQLITE_DONE;
    return false;
}

bool SqliteDatabase::Query::run()
{
    while (next()) { }
    if (statement) {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
    return !hasFailed();
}

bool SqliteDatabase::Query::hasFailed() const
{
    return !statement || failedStep;
}

qint64 SqliteDatabase::Query::integer(int column) const
{
    return statement ? sqlite3_column_int64(statement, column) : 0;
}

QVariant SqliteDatabase::Query::value(int column) const
{
    if (!statement)
        return QVariant();
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return sqlite3_column_int64(statement, column);
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, column)),
                          sqlite3_column_bytes(statement, column));
    default:
        return QVariant();
    }
}
