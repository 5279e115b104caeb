// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Win32Types.h"

#include "platform/linux/registry/Sqlite.h"

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tarnquill::registry {

// Whether this process may write a store file (or create it, when missing).
using WritableCheck = std::function<bool(const std::filesystem::path& file)>;

// The default check: the file (when it exists) and its folder, or the nearest
// folder above it that exists, grant this process write access.
bool processCanWrite(const std::filesystem::path& file);

// Creates a folder and the missing ones above it, one by one so that each
// gets the mode asked for (mkdir -p would give the umask's).
bool makeFolders(const std::filesystem::path& folder, mode_t mode);

// One SQLite file holding the keys of some predefined roots.
//
// A missing file is not created for reading: reads then see the standard keys
// that every registry has (from a private in-memory copy), and the file comes
// into being with the first write. The per-user store is private to its owner
// and journals ahead (WAL); the machine store stays readable by every user, so
// it keeps a rollback journal, whose readers need no write access to the
// folder as WAL readers would.
class RegistryFile final {
public:
    enum class Scope { User, Machine };

    struct Root {
        std::int64_t id;
        std::string name;
    };

    RegistryFile(std::filesystem::path file, Scope scope, WritableCheck canWrite);
    RegistryFile(const RegistryFile&) = delete;
    RegistryFile& operator=(const RegistryFile&) = delete;

    // The roots this store holds, with the fixed key ids they have in every
    // store of the scope.
    const std::vector<Root>& roots() const;

    bool writable() const { return m_canWrite(m_file); }
    const std::filesystem::path& file() const { return m_file; }

    // A connection to read from; status ERROR_SUCCESS or a failure code.
    SqliteConnection* forReading(LONG& status);
    // A connection to write to, creating the file when needed; fails with
    // ERROR_ACCESS_DENIED when the process may not write the file.
    SqliteConnection* forWriting(LONG& status);

private:
    int openReal(bool write);
    int prepareSchema(SqliteConnection& connection);
    SqliteConnection* standardKeys(LONG& status);

    std::filesystem::path m_file;
    Scope m_scope;
    WritableCheck m_canWrite;
    SqliteConnection m_real;
    SqliteConnection m_standard;
};

// Now, as a FILETIME count: 100 ns ticks since 1601-01-01 UTC.
std::int64_t fileTimeNow();

// Maps a SQLite result code to the Windows status a registry call reports.
LONG statusFromSqlite(int result);

} // namespace tarnquill::registry
