// SPDX-License-Identifier: MIT
#include "platform/linux/registry/Sqlite.h"

namespace tarnquill::registry {

SqliteStatement::SqliteStatement(SqliteConnection& connection, const char* sql)
    : m_db(connection.handle())
{
    m_prepareResult = m_db ? sqlite3_prepare_v2(m_db, sql, -1, &m_statement, nullptr) : SQLITE_MISUSE;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index)
{
    sqlite3_bind_null(m_statement, index);
    return *this;
}

SqliteStatement& SqliteStatement::bindBytes(int index, std::string_view bytes)
{
    // sqlite3_bind_blob with a null pointer binds NULL, not an empty BLOB.
    if (bytes.empty())
        sqlite3_bind_zeroblob(m_statement, index, 0);
    else
        sqlite3_bind_blob64(m_statement, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    return *this;
}

int SqliteStatement::step()
{
    if (m_prepareResult != SQLITE_OK)
        return m_prepareResult;
    return sqlite3_step(m_statement);
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

std::int64_t SqliteStatement::columnInt(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

bool SqliteStatement::columnIsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

std::string SqliteStatement::columnBytes(int column) const
{
    const void* data = sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    if (data == nullptr || size <= 0)
        return {};
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

SqliteConnection::~SqliteConnection()
{
    close();
}

int SqliteConnection::open(const std::string& file, int flags)
{
    close();
    const int result = sqlite3_open_v2(file.c_str(), &m_db, flags, nullptr);
    if (result != SQLITE_OK) {
        close();
        return result;
    }
    sqlite3_extended_result_codes(m_db, 0);
    return SQLITE_OK;
}

void SqliteConnection::close()
{
    if (m_db != nullptr) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool SqliteConnection::isReadOnly() const
{
    return m_db == nullptr || sqlite3_db_readonly(m_db, "main") == 1;
}

int SqliteConnection::execute(const char* sql)
{
    return m_db ? sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
}

std::optional<std::int64_t> SqliteConnection::queryInt(const char* sql)
{
    SqliteStatement statement(*this, sql);
    if (statement.step() != SQLITE_ROW)
        return std::nullopt;
    return statement.columnInt(0);
}

std::int64_t SqliteConnection::changes() const
{
    return sqlite3_changes64(m_db);
}

std::int64_t SqliteConnection::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

SqliteTransaction::SqliteTransaction(SqliteConnection& connection, Kind kind)
    : m_connection(connection)
    // IMMEDIATE takes the write lock up front, so two writers queue on the
    // busy timeout instead of one failing when it upgrades a read lock.
    , m_beginResult(connection.execute(kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN"))
    , m_open(m_beginResult == SQLITE_OK)
{
}

SqliteTransaction::~SqliteTransaction()
{
    if (m_open)
        m_connection.execute("ROLLBACK");
}

int SqliteTransaction::commit()
{
    if (!m_open)
        return m_beginResult == SQLITE_OK ? SQLITE_MISUSE : m_beginResult;
    const int result = m_connection.execute("COMMIT");
    if (result == SQLITE_OK)
        m_open = false;
    return result;
}

} // namespace tarnquill::registry
