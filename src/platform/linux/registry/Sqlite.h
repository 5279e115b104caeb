// SPDX-License-Identifier: MIT
#pragma once

// A thin RAII layer over the SQLite C API: a connection, prepared statements
// and a transaction guard. Failures are reported as SQLite result codes; the
// registry store turns them into Windows status codes.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnquill::registry {

class SqliteConnection;

class SqliteStatement final {
public:
    SqliteStatement(SqliteConnection& connection, const char* sql);
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    ~SqliteStatement();

    int prepareResult() const { return m_prepareResult; }

    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bindNull(int index);
    // Binds bytes as a BLOB; an empty view binds an empty BLOB, never NULL.
    SqliteStatement& bindBytes(int index, std::string_view bytes);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    void reset();

    std::int64_t columnInt(int column) const;
    bool columnIsNull(int column) const;
    std::string columnBytes(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
    int m_prepareResult;
};

class SqliteConnection final {
public:
    SqliteConnection() = default;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;
    ~SqliteConnection();

    // flags as for sqlite3_open_v2; ":memory:" opens a private in-memory database.
    int open(const std::string& file, int flags);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    bool isReadOnly() const;

    int execute(const char* sql);
    // The first column of the first row of a query that yields one integer.
    std::optional<std::int64_t> queryInt(const char* sql);
    std::int64_t changes() const;
    std::int64_t lastInsertId() const;

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

// BEGIN on construction; ROLLBACK on destruction unless commit() succeeded.
class SqliteTransaction final {
public:
    enum class Kind { Read, Write };
    SqliteTransaction(SqliteConnection& connection, Kind kind);
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    ~SqliteTransaction();

    int beginResult() const { return m_beginResult; }
    int commit();

private:
    SqliteConnection& m_connection;
    int m_beginResult;
    bool m_open;
};

} // namespace tarnquill::registry
