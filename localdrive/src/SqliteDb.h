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

    class Lease;
    // A statement kept prepared for the life of the connection. The lease resets it when it goes
    // out of scope: a statement left mid-row would pin an old snapshot and block later writes.
    // Keyed by the address of a string literal; do not nest two uses of the same text.
    Lease cached(const char *sql);

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

class SqliteDb::Lease
{
public:
    explicit Lease(SqliteStatement &statement)
        : m_statement(statement)
    { }
    ~Lease() { m_statement.reset(); }
    Lease(const Lease &) = delete;
    Lease &operator=(const Lease &) = delete;

    // Only a named lease converts: a reference taken from a temporary would outlive its reset.
    operator SqliteStatement &() & { return m_statement; }
    operator const SqliteStatement &() const & { return m_statement; }
    template<typename T>
    SqliteStatement &bind(int index, const T &value)
    {
        return m_statement.bind(index, value);
    }
    bool next() { return m_statement.next(); }
    bool exec() { return m_statement.exec(); }
    bool failed() const { return m_statement.failed(); }
    void reset() { m_statement.reset(); }
    qint64 int64(int column) const { return m_statement.int64(column); }
    QString text(int column) const { return m_statement.text(column); }

private:
    SqliteStatement &m_statement;
};

} // namespace TQDrive

#endif
