#ifndef TQDRIVE_SQLITEDB_H
#define TQDRIVE_SQLITEDB_H

#include <QByteArray>
#include <QString>

#include <memory>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace TQDrive {

class SqliteStatement;

// One SQLite connection. Not thread-safe by itself: DriveStore serialises access.
class SqliteDb
{
public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb &) = delete;
    SqliteDb &operator=(const SqliteDb &) = delete;

    bool open(const QString &path, QString *error);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    bool exec(const char *sql);
    QString lastError() const;
    qint64 lastInsertRowId() const;
    int changes() const;
    sqlite3 *handle() const { return m_db; }

    // A statement kept prepared for the life of the connection, reset for a new use.
    // Keyed by the address of a string literal; do not nest two uses of the same text.
    SqliteStatement &cached(const char *sql);

private:
    sqlite3 *m_db = nullptr;
    std::unordered_map<const char *, std::unique_ptr<SqliteStatement>> m_cache;
};

// A prepared statement with positional binding (1-based) and column reads (0-based).
class SqliteStatement
{
public:
    SqliteStatement(const SqliteDb &db, const char *sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    SqliteStatement &bind(int index, qint64 value);
    SqliteStatement &bind(int index, int value) { return bind(index, qint64(value)); }
    SqliteStatement &bind(int index, const QString &value);
    SqliteStatement &bindNull(int index);

    // Steps once: true while a row is available. Errors end the iteration and stick.
    bool next();
    // Runs to completion; true on success.
    bool exec();
    bool failed() const { return m_failed; }
    void reset();

    qint64 int64(int column) const;
    QString text(int column) const;
    bool isNull(int column) const;

private:
    sqlite3_stmt *m_stmt = nullptr;
    bool m_failed = false;
};

} // namespace TQDrive

#endif
