// SPDX-License-Identifier: MIT
#include "platform/linux/registry/RegistryFile.h"

#include "platform/linux/registry/RegistryNames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

namespace tarnquill::registry {

namespace fs = std::filesystem;

namespace {

constexpr int kSchemaVersion = 1;
// Long enough that a busy writer in another process (a burst of autostart
// updates, a slow disk) is waited for rather than reported as a failure.
constexpr int kBusyTimeoutMs = 10000;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
    id      INTEGER PRIMARY KEY AUTOINCREMENT,
    parent  INTEGER,
    name    BLOB NOT NULL,
    fold    BLOB NOT NULL,
    class   BLOB,
    written INTEGER NOT NULL
);
CREATE UNIQUE INDEX IF NOT EXISTS keys_child ON keys(parent, fold);
CREATE TABLE IF NOT EXISTS vals(
    key  INTEGER NOT NULL,
    name BLOB NOT NULL,
    fold BLOB NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY(key, fold)
) WITHOUT ROWID;
)sql";

// Key ids never come back after a delete (AUTOINCREMENT), so a handle to a
// deleted key cannot end up on a new key that happens to get its id. The roots
// keep fixed ids, the same in the in-memory standard keys and in the file.
const std::vector<RegistryFile::Root>& userRoots()
{
    static const std::vector<RegistryFile::Root> roots{{1, "HKEY_CURRENT_USER"}};
    return roots;
}

const std::vector<RegistryFile::Root>& machineRoots()
{
    static const std::vector<RegistryFile::Root> roots{
        {1, "HKEY_LOCAL_MACHINE"}, {2, "HKEY_USERS"}, {3, "HKEY_CURRENT_CONFIG"}};
    return roots;
}

struct StandardKey {
    std::int64_t root;
    std::vector<const char*> path;
};

// Keys a fresh Windows installation has, which programs open without creating
// them: the Run keys above all, which the start-up entry is written under.
const std::vector<StandardKey>& standardKeys(RegistryFile::Scope scope)
{
    static const std::vector<StandardKey> user{
        {1, {"Software", "Classes"}},
        {1, {"Software", "Microsoft", "Windows", "CurrentVersion", "Run"}},
        {1, {"Software", "Microsoft", "Windows", "CurrentVersion", "Policies", "Explorer"}},
    };
    static const std::vector<StandardKey> machine{
        {1, {"SOFTWARE", "Classes"}},
        {1, {"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "Run"}},
        {1, {"SYSTEM"}},
        {2, {".DEFAULT"}},
    };
    return scope == RegistryFile::Scope::User ? user : machine;
}

int seed(SqliteConnection& connection, RegistryFile::Scope scope)
{
    const std::int64_t now = fileTimeNow();
    const auto& roots = scope == RegistryFile::Scope::User ? userRoots() : machineRoots();
    for (const auto& root : roots) {
        SqliteStatement insert(connection,
                               "INSERT OR IGNORE INTO keys(id, parent, name, fold, written) VALUES(?, NULL, ?, ?, ?)");
        insert.bind(1, root.id).bindBytes(2, root.name).bindBytes(3, foldName(root.name)).bind(4, now);
        if (const int result = insert.step(); result != SQLITE_DONE)
            return result;
    }
    for (const auto& key : standardKeys(scope)) {
        std::int64_t parent = key.root;
        for (const char* name : key.path) {
            SqliteStatement insert(connection,
                                   "INSERT OR IGNORE INTO keys(parent, name, fold, written) VALUES(?, ?, ?, ?)");
            insert.bind(1, parent).bindBytes(2, name).bindBytes(3, foldName(name)).bind(4, now);
            if (const int result = insert.step(); result != SQLITE_DONE)
                return result;
            SqliteStatement find(connection, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
            find.bind(1, parent).bindBytes(2, foldName(name));
            if (const int result = find.step(); result != SQLITE_ROW)
                return result == SQLITE_DONE ? SQLITE_INTERNAL : result;
            parent = find.columnInt(0);
        }
    }
    return SQLITE_OK;
}

} // namespace

bool makeFolders(const fs::path& folder, mode_t mode)
{
    std::error_code error;
    if (folder.empty() || fs::is_directory(folder, error))
        return true;
    if (!makeFolders(folder.parent_path(), mode))
        return false;
    return ::mkdir(folder.c_str(), mode) == 0 || errno == EEXIST;
}

std::int64_t fileTimeNow()
{
    using namespace std::chrono;
    constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;
    const auto sinceEpoch = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return kTicksFrom1601To1970 + sinceEpoch / 100;
}

bool processCanWrite(const fs::path& file)
{
    std::error_code error;
    if (fs::exists(file, error) && ::access(file.c_str(), W_OK) != 0)
        return false;
    fs::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    while (!fs::exists(folder, error)) {
        if (!folder.has_relative_path())
            return false;
        folder = folder.parent_path();
    }
    return fs::is_directory(folder, error) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

LONG statusFromSqlite(int result)
{
    switch (result & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
        return ERROR_ACCESS_DENIED;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_BADDB;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

RegistryFile::RegistryFile(fs::path file, Scope scope, WritableCheck canWrite)
    : m_file(std::move(file))
    , m_scope(scope)
    , m_canWrite(canWrite ? std::move(canWrite) : WritableCheck(processCanWrite))
{
}

const std::vector<RegistryFile::Root>& RegistryFile::roots() const
{
    return m_scope == Scope::User ? userRoots() : machineRoots();
}

int RegistryFile::prepareSchema(SqliteConnection& connection)
{
    SqliteTransaction transaction(connection, SqliteTransaction::Kind::Write);
    if (transaction.beginResult() != SQLITE_OK)
        return transaction.beginResult();
    const auto version = connection.queryInt("PRAGMA user_version");
    if (!version)
        return SQLITE_NOTADB;
    if (*version == kSchemaVersion)
        return SQLITE_OK;
    if (*version != 0)
        return SQLITE_NOTADB; // written by a newer program: leave it alone
    if (const int result = connection.execute(kSchema); result != SQLITE_OK)
        return result;
    if (const int result = seed(connection, m_scope); result != SQLITE_OK)
        return result;
    if (const int result = connection.execute("PRAGMA user_version = 1"); result != SQLITE_OK)
        return result;
    return transaction.commit();
}

int RegistryFile::openReal(bool write)
{
    if (write) {
        const mode_t folderMode = m_scope == Scope::User ? 0700 : 0755;
        if (!makeFolders(m_file.parent_path(), folderMode))
            return SQLITE_CANTOPEN;
        // SQLite would create the file with the umask's mode; the per-user
        // store is private, the machine store readable by every user. Its
        // journal files take the same mode.
        const mode_t fileMode = m_scope == Scope::User ? 0600 : 0644;
        const int fd = ::open(m_file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, fileMode);
        if (fd < 0)
            return SQLITE_CANTOPEN;
        ::close(fd);
    }
    const int flags = write ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (const int result = m_real.open(m_file.string(), flags); result != SQLITE_OK)
        return result;
    sqlite3_busy_timeout(m_real.handle(), kBusyTimeoutMs);
    if (write && m_scope == Scope::User) {
        // WAL lets readers go on while another process writes.
        SqliteStatement mode(m_real, "PRAGMA journal_mode = WAL");
        mode.step();
        m_real.execute("PRAGMA synchronous = NORMAL");
    }
    if (write) {
        if (const int result = prepareSchema(m_real); result != SQLITE_OK) {
            m_real.close();
            return result;
        }
    } else if (m_real.queryInt("PRAGMA user_version").value_or(0) != kSchemaVersion) {
        // Still being set up by its creator, or not ours to read.
        m_real.close();
        return SQLITE_NOTADB;
    }
    return SQLITE_OK;
}

SqliteConnection* RegistryFile::standardKeys(LONG& status)
{
    if (!m_standard.isOpen()) {
        int result = m_standard.open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (result == SQLITE_OK)
            result = prepareSchema(m_standard);
        if (result != SQLITE_OK) {
            m_standard.close();
            status = statusFromSqlite(result);
            return nullptr;
        }
    }
    status = ERROR_SUCCESS;
    return &m_standard;
}

SqliteConnection* RegistryFile::forReading(LONG& status)
{
    status = ERROR_SUCCESS;
    if (m_real.isOpen())
        return &m_real;
    std::error_code error;
    const bool exists = fs::exists(m_file, error);
    // The per-user store is the user's own: made at first use, so that its
    // standard keys live in the file from the start.
    if (exists || (m_scope == Scope::User && writable())) {
        const bool write = writable();
        const int result = openReal(write);
        if (result == SQLITE_OK)
            return &m_real;
        if (write || result != SQLITE_NOTADB) {
            status = statusFromSqlite(result);
            return nullptr;
        }
    }
    return standardKeys(status);
}

SqliteConnection* RegistryFile::forWriting(LONG& status)
{
    if (!writable()) {
        status = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    status = ERROR_SUCCESS;
    if (m_real.isOpen() && !m_real.isReadOnly())
        return &m_real;
    if (const int result = openReal(true); result != SQLITE_OK) {
        status = statusFromSqlite(result);
        return nullptr;
    }
    return &m_real;
}

} // namespace tarnquill::registry
