#include "SqliteDb.h"

#include <sqlite3.h>

namespace TQDrive {

SqliteDb::~SqliteDb()
{
    close();
}

bool SqliteDb::open(const QString &path, QString *error)
{
    close();
    const QByteArray file = path.toUtf8();
    const int rc = sqlite3_open_v2(
        file.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        close();
        return false;
    }
    // Another process may hold the write lock for a while (a big commit); wait rather than fail.
    sqlite3_busy_timeout(m_db, 15000);
    return true;
}

void SqliteDb::close()
{
    m_cache.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool SqliteDb::exec(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

SqliteDb::Lease SqliteDb::cached(const char *sql)
{
    auto it = m_cache.find(sql);
    if (it == m_cache.end())
        it = m_cache.emplace(sql, std::make_unique<SqliteStatement>(*this, sql)).first;
    it->second->reset();
    return Lease(*it->second);
}

QString SqliteDb::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
}

qint64 SqliteDb::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int SqliteDb::changes() const
{
    return sqlite3_changes(m_db);
}

SqliteStatement::SqliteStatement(const SqliteDb &db, const char *sql)
{
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
        m_stmt = nullptr;
        m_failed = true;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteStatement &SqliteStatement::bind(int index, qint64 value)
{
    if (m_stmt && sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        m_failed = true;
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, const QString &value)
{
    if (!m_stmt)
        return *this;
    const QByteArray utf8 = value.toUtf8();
    if (sqlite3_bind_text(m_stmt, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT) != SQLITE_OK)
        m_failed = true;
    return *this;
}

SqliteStatement &SqliteStatement::bindNull(int index)
{
    if (m_stmt && sqlite3_bind_null(m_stmt, index) != SQLITE_OK)
        m_failed = true;
    return *this;
}

bool SqliteStatement::next()
{
    if (!m_stmt || m_failed)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        m_failed = true;
    return false;
}

bool SqliteStatement::exec()
{
    while (next()) { }
    return !m_failed;
}

void SqliteStatement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    m_failed = m_stmt == nullptr;
}

qint64 SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString SqliteStatement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return data ? QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column)) : QString();
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

} // namespace TQDrive
