#ifndef SQLITEDATABASE_H
#define SQLITEDATABASE_H

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// One connection to an SQLite database, through SQLite's own library: the
// Debian package's libsqlite3, or on Windows SQLite built into the guide. It
// belongs to the thread that uses it. A failure keeps SQLite's result code
// and message until the next one.
class SqliteDatabase
{
public:
    enum class Mode { ReadWrite, ReadOnly };

    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    // Creates the file when it is missing and the mode allows. A lock held by
    // another connection is waited for up to busyTimeoutMs.
    bool open(const QString &path, Mode mode = Mode::ReadWrite, int busyTimeoutMs = 0);
    void close();
    bool isOpen() const { return db != nullptr; }

    // Runs one statement and drops what it returns.
    bool exec(const QString &sql);
    // The first column of the first row; invalid when there is none or it fails.
    QVariant value(const QString &sql);

    // SQLite's primary result code of the last failure (SQLITE_FULL...), and its message.
    int errorCode() const { return code; }
    QString errorText() const { return message; }

    // A prepared statement: bind, then step through the rows or run it to its end.
    class Query
    {
    public:
        Query(SqliteDatabase &database, const QString &sql);
        ~Query();
        Query(const Query &) = delete;
        Query &operator=(const Query &) = delete;

        // The parameters are numbered from 1.
        void bind(int parameter, qint64 value);
        // True while there is a row; false at the end, and on a failure.
        bool next();
        // Runs it to its end and makes it ready to run again with new values.
        bool run();
        // Whether it could not be prepared, or its last step failed.
        bool hasFailed() const;
        qint64 integer(int column) const;
        QVariant value(int column) const;

    private:
        SqliteDatabase &database;
        sqlite3_stmt *statement = nullptr;
        bool failedStep = false;
    };

private:
    void failed(int result);

    sqlite3 *db = nullptr;
    int code = 0;
    QString message;
};

#endif
