// SPDX-License-Identifier: MIT
#include "platform/linux/registry/RegistryStore.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>

namespace tarnquill::registry {

namespace {

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr std::string_view kRunKey = "\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN";

// The rights a handle gets for the rights asked: generic rights mapped as the
// registry maps them, MAXIMUM_ALLOWED as all that the store's file allows.
REGSAM grantedAccess(REGSAM requested, bool writable)
{
    REGSAM granted = requested & ~(GENERIC_ALL | GENERIC_EXECUTE | GENERIC_WRITE | GENERIC_READ | MAXIMUM_ALLOWED
                                   | KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    if (requested & (GENERIC_READ | GENERIC_EXECUTE))
        granted |= KEY_READ;
    if (requested & GENERIC_WRITE)
        granted |= KEY_WRITE;
    if (requested & GENERIC_ALL)
        granted |= KEY_ALL_ACCESS;
    if (requested & MAXIMUM_ALLOWED)
        granted |= writable ? KEY_ALL_ACCESS : KEY_READ;
    return granted;
}

FileTime toFileTime(std::int64_t ticks)
{
    FileTime time;
    time.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
    return time;
}

DWORD clampedSize(std::size_t size)
{
    return static_cast<DWORD>(std::min<std::size_t>(size, 0xFFFFFFFFu));
}

bool keyExists(SqliteConnection& db, std::int64_t id)
{
    SqliteStatement query(db, "SELECT 1 FROM keys WHERE id = ?");
    query.bind(1, id);
    return query.step() == SQLITE_ROW;
}

std::optional<std::int64_t> findChild(SqliteConnection& db, std::int64_t parent, const std::string& fold)
{
    SqliteStatement query(db, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
    query.bind(1, parent).bindBytes(2, fold);
    if (query.step() != SQLITE_ROW)
        return std::nullopt;
    return query.columnInt(0);
}

void touch(SqliteConnection& db, std::int64_t id)
{
    SqliteStatement update(db, "UPDATE keys SET written = ? WHERE id = ?");
    update.bind(1, fileTimeNow()).bind(2, id);
    update.step();
}

struct Walk {
    LONG status = ERROR_SUCCESS;
    std::int64_t id = 0;
    std::string path;
};

// Follows the path from the base key; ERROR_FILE_NOT_FOUND when a key on the
// way is missing, ERROR_KEY_DELETED when the base itself is gone.
Walk walk(SqliteConnection& db, std::int64_t base, const std::string& basePath,
          const std::vector<std::string>& components)
{
    Walk result{ERROR_SUCCESS, base, basePath};
    if (!keyExists(db, base)) {
        result.status = ERROR_KEY_DELETED;
        return result;
    }
    for (const auto& component : components) {
        const std::string fold = foldName(component);
        const auto child = findChild(db, result.id, fold);
        if (!child) {
            result.status = ERROR_FILE_NOT_FOUND;
            return result;
        }
        result.id = *child;
        result.path += '\\';
        result.path += fold;
    }
    return result;
}

constexpr std::string_view kClassesPath = "HKEY_CURRENT_USER\\SOFTWARE\\CLASSES";

std::vector<std::pair<std::int64_t, std::string>> childKeys(SqliteConnection& db, std::int64_t parent)
{
    std::vector<std::pair<std::int64_t, std::string>> children;
    SqliteStatement query(db, "SELECT id, name FROM keys WHERE parent = ?");
    query.bind(1, parent);
    while (query.step() == SQLITE_ROW)
        children.emplace_back(query.columnInt(0), query.columnBytes(1));
    return children;
}

// A key's default value as text: a REG_SZ or REG_EXPAND_SZ up to its NUL.
std::string defaultText(SqliteConnection& db, std::int64_t key)
{
    SqliteStatement query(db, "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
    query.bind(1, key).bindBytes(2, foldName(""));
    if (query.step() != SQLITE_ROW)
        return {};
    const auto type = static_cast<DWORD>(query.columnInt(0));
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return {};
    const std::string data = query.columnBytes(1);
    return data.substr(0, data.find('\0'));
}

// Copies a name and its NUL into a buffer of `capacity` bytes, or says that
// it does not fit.
bool copyName(const std::string& name, char* buffer, DWORD capacity)
{
    if (buffer == nullptr || name.size() >= capacity)
        return false;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    return true;
}

using Kind = SqliteTransaction::Kind;

} // namespace

// A transaction on a store's connection; status() says whether it began.
class RegistryStore::Transaction final {
public:
    Transaction(RegistryFile& store, Kind kind)
        : m_db(kind == Kind::Read ? store.forReading(m_status) : store.forWriting(m_status))
    {
        if (m_db != nullptr) {
            m_transaction.emplace(*m_db, kind);
            m_status = statusFromSqlite(m_transaction->beginResult());
        }
    }
    LONG status() const { return m_status; }
    SqliteConnection& db() { return *m_db; }
    LONG commit() { return statusFromSqlite(m_transaction->commit()); }
    // The transaction's failure, or ERROR_KEY_DELETED when the key is gone.
    LONG onKey(std::int64_t id)
    {
        if (m_status != ERROR_SUCCESS)
            return m_status;
        return keyExists(*m_db, id) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
    }

private:
    LONG m_status = ERROR_SUCCESS;
    SqliteConnection* m_db;
    std::optional<SqliteTransaction> m_transaction;
};

RegistryStore::RegistryStore(const RegistryLocations& locations, WritableCheck canWrite)
    : m_user(locations.userRegistry, RegistryFile::Scope::User, canWrite)
    , m_machine(locations.machineRegistry, RegistryFile::Scope::Machine, canWrite)
    , m_userAutostart(locations.userAutostart, locations.systemAutostart, 0700)
    , m_machineAutostart(locations.machineAutostart, {}, 0755)
    , m_classes(LiveClassesFolders{locations.dataHome, locations.configHome, locations.dataDirs})
{
}

RegistryStore::~RegistryStore() = default;

LONG RegistryStore::classesRoot(OpenKey& out)
{
    static const std::vector<std::string> classes{"Software", "Classes"};
    const std::string userPath = "HKEY_CURRENT_USER";
    out = OpenKey{&m_user, 0, KEY_ALL_ACCESS, userPath, true, std::nullopt};
    out.classes.emplace();
    {
        Transaction read(m_user, Kind::Read);
        if (read.status() != ERROR_SUCCESS)
            return read.status();
        const Walk found = walk(read.db(), 1, userPath, classes);
        if (found.status == ERROR_SUCCESS) {
            out.id = found.id;
            out.path = found.path;
            return ERROR_SUCCESS;
        }
    }
    // Every profile has the key; make it again if it was deleted.
    Transaction write(m_user, Kind::Write);
    if (write.status() != ERROR_SUCCESS)
        return write.status();
    std::int64_t parent = 1;
    for (const auto& name : classes) {
        auto child = findChild(write.db(), parent, foldName(name));
        if (!child) {
            SqliteStatement insert(write.db(), "INSERT INTO keys(parent, name, fold, written) VALUES(?, ?, ?, ?)");
            insert.bind(1, parent).bindBytes(2, name).bindBytes(3, foldName(name)).bind(4, fileTimeNow());
            if (const int result = insert.step(); result != SQLITE_DONE)
                return statusFromSqlite(result);
            child = write.db().lastInsertId();
        }
        parent = *child;
        out.path += '\\' + foldName(name);
    }
    out.id = parent;
    return write.commit();
}

LONG RegistryStore::resolve(HKEY key, OpenKey& out)
{
    switch (key) {
    case HKEY_CURRENT_USER:
        out = OpenKey{&m_user, 1, KEY_ALL_ACCESS, "HKEY_CURRENT_USER", true, std::nullopt};
        return ERROR_SUCCESS;
    case HKEY_LOCAL_MACHINE:
        out = OpenKey{&m_machine, 1, KEY_ALL_ACCESS, "HKEY_LOCAL_MACHINE", true, std::nullopt};
        return ERROR_SUCCESS;
    case HKEY_USERS:
        out = OpenKey{&m_machine, 2, KEY_ALL_ACCESS, "HKEY_USERS", true, std::nullopt};
        return ERROR_SUCCESS;
    case HKEY_CURRENT_CONFIG:
        out = OpenKey{&m_machine, 3, KEY_ALL_ACCESS, "HKEY_CURRENT_CONFIG", true, std::nullopt};
        return ERROR_SUCCESS;
    case HKEY_CLASSES_ROOT:
        return classesRoot(out);
    default:
        break;
    }
    const auto it = m_handles.find(key);
    if (it == m_handles.end())
        return ERROR_INVALID_HANDLE;
    out = it->second;
    return ERROR_SUCCESS;
}

HKEY RegistryStore::addHandle(OpenKey key)
{
    // Multiples of 4 like the system's handles, counting up and wrapping
    // rather than reusing the one just closed, so that a stale handle rarely
    // meets a new key.
    do {
        m_lastHandle = m_lastHandle >= 0x7FFFFFF0 ? 4 : m_lastHandle + 4;
    } while (m_handles.count(m_lastHandle) != 0);
    key.root = false;
    m_handles.emplace(m_lastHandle, std::move(key));
    return m_lastHandle;
}

AutostartFolder* RegistryStore::autostartFor(const std::string& keyPath)
{
    const auto isRunKeyOf = [&](std::string_view root) {
        return keyPath.size() == root.size() + kRunKey.size() && keyPath.compare(0, root.size(), root) == 0
            && keyPath.compare(root.size(), std::string::npos, kRunKey) == 0;
    };
    if (isRunKeyOf("HKEY_CURRENT_USER"))
        return &m_userAutostart;
    if (isRunKeyOf("HKEY_LOCAL_MACHINE"))
        return &m_machineAutostart;
    return nullptr;
}

LONG RegistryStore::syncAutostart(SqliteConnection& db, const OpenKey& key, const std::string& valueName)
{
    AutostartFolder* folder = autostartFor(key.path);
    if (folder == nullptr || valueName.empty())
        return ERROR_SUCCESS;
    SqliteStatement query(db, "SELECT name, type, data FROM vals WHERE key = ? AND fold = ?");
    query.bind(1, key.id).bindBytes(2, foldName(valueName));
    if (query.step() == SQLITE_ROW && static_cast<DWORD>(query.columnInt(1)) == REG_SZ) {
        const std::string data = query.columnBytes(2);
        const std::string command = data.substr(0, data.find('\0'));
        // An empty text starts nothing; an entry for it would be broken.
        if (!command.empty())
            return folder->put(query.columnBytes(0), command);
    }
    return folder->remove(valueName);
}

void RegistryStore::syncClasses(const std::string& changedPath)
{
    if (!m_classes.enabled() || changedPath.compare(0, kClassesPath.size(), kClassesPath) != 0)
        return;
    Transaction read(m_user, Kind::Read);
    if (read.status() != ERROR_SUCCESS)
        return;
    SqliteConnection& db = read.db();
    ClassesSnapshot snapshot;
    const Walk classes = walk(db, 1, "", {"Software", "Classes"});
    if (classes.status == ERROR_SUCCESS) {
        for (const auto& [id, name] : childKeys(db, classes.id)) {
            if (name.size() < 2 || name.front() != '.')
                continue;
            const std::string className = defaultText(db, id);
            const KeyPath classPath = splitKeyPath(className);
            if (className.empty() || classPath.status != ERROR_SUCCESS)
                continue;
            const Walk found = walk(db, classes.id, "", classPath.components);
            const Walk command = walk(db, found.id, "", {"shell", "open", "command"});
            if (found.status != ERROR_SUCCESS || command.status != ERROR_SUCCESS)
                continue;
            snapshot.associations.push_back(
                {name.substr(1), className, defaultText(db, found.id), defaultText(db, command.id)});
        }
        const Walk shell = walk(db, classes.id, "", {"*", "shell"});
        if (shell.status == ERROR_SUCCESS) {
            for (const auto& [id, name] : childKeys(db, shell.id)) {
                const Walk command = walk(db, id, "", {"Command"});
                if (command.status == ERROR_SUCCESS)
                    snapshot.verbs.push_back({name, defaultText(db, command.id)});
            }
        }
    }
    m_classes.sync(snapshot);
}

LONG RegistryStore::openWith(HKEY key, REGSAM right, OpenKey& out)
{
    if (const LONG status = resolve(key, out); status != ERROR_SUCCESS)
        return status;
    return (out.access & right) != 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG RegistryStore::openExisting(RegistryFile& store, std::int64_t id, const std::string& path, REGSAM access,
                                 HKEY* result, std::optional<std::vector<std::string>> classes)
{
    const bool writable = store.writable();
    const REGSAM granted = grantedAccess(access, writable);
    if ((granted & kWriteRights) != 0 && !writable)
        return ERROR_ACCESS_DENIED;
    *result = addHandle(OpenKey{&store, id, granted, path, false, std::move(classes)});
    return ERROR_SUCCESS;
}

LONG RegistryStore::listClasses(const OpenKey& key, bool values, ClassesListing& out)
{
    out.clear();
    std::vector<std::string> components{"SOFTWARE", "CLASSES"};
    components.insert(components.end(), key.classes->begin(), key.classes->end());
    // The user's first: a name already listed stays the user's.
    for (RegistryFile* store : {&m_user, &m_machine}) {
        Transaction read(*store, Kind::Read);
        if (read.status() != ERROR_SUCCESS)
            return read.status();
        const Walk found = walk(read.db(), 1, "", components);
        if (found.status != ERROR_SUCCESS)
            continue;
        SqliteStatement query(read.db(), values ? "SELECT fold, name, data, type FROM vals WHERE key = ?"
                                                : "SELECT fold, name, class, written FROM keys WHERE parent = ?");
        query.bind(1, found.id);
        while (query.step() == SQLITE_ROW)
            out.emplace(query.columnBytes(0),
                        ClassesEntry{query.columnBytes(1), query.columnBytes(2), query.columnInt(3)});
    }
    return ERROR_SUCCESS;
}

LONG RegistryStore::classesOf(const OpenKey& key, bool values, ClassesListing& out)
{
    {
        Transaction read(*key.store, Kind::Read);
        if (const LONG status = read.onKey(key.id); status != ERROR_SUCCESS)
            return status;
    }
    return listClasses(key, values, out);
}

LONG RegistryStore::entryAt(const OpenKey& key, bool values, DWORD index, ClassesEntry& out)
{
    if (key.classes) {
        ClassesListing listing;
        if (const LONG status = classesOf(key, values, listing); status != ERROR_SUCCESS)
            return status;
        if (index >= listing.size())
            return ERROR_NO_MORE_ITEMS;
        out = std::next(listing.begin(), index)->second;
        return ERROR_SUCCESS;
    }
    Transaction read(*key.store, Kind::Read);
    if (const LONG status = read.onKey(key.id); status != ERROR_SUCCESS)
        return status;
    SqliteStatement query(read.db(), values ? "SELECT name, data, type FROM vals WHERE key = ? "
                                              "ORDER BY fold LIMIT 1 OFFSET ?"
                                            : "SELECT name, class, written FROM keys WHERE parent = ? "
                                              "ORDER BY fold LIMIT 1 OFFSET ?");
    query.bind(1, key.id).bind(2, index);
    if (query.step() != SQLITE_ROW)
        return ERROR_NO_MORE_ITEMS;
    out = ClassesEntry{query.columnBytes(0), query.columnBytes(1), query.columnInt(2)};
    return ERROR_SUCCESS;
}

LONG RegistryStore::entryAt(HKEY key, REGSAM right, bool values, DWORD index, ClassesEntry& out)
{
    std::lock_guard lock(m_mutex);
    OpenKey open;
    if (const LONG status = openWith(key, right, open); status != ERROR_SUCCESS)
        return status;
    return entryAt(open, values, index, out);
}

LONG RegistryStore::commitValue(Transaction& write, const OpenKey& key, const std::string& valueName)
{
    touch(write.db(), key.id);
    if (const LONG status = syncAutostart(write.db(), key, valueName); status != ERROR_SUCCESS)
        return status;
    const LONG status = write.commit();
    if (status == ERROR_SUCCESS)
        syncClasses(key.path);
    if (status != ERROR_SUCCESS) {
        // The entry follows what the store still holds.
        Transaction read(*key.store, Kind::Read);
        if (read.status() == ERROR_SUCCESS)
            syncAutostart(read.db(), key, valueName);
    }
    return status;
}

LONG RegistryStore::lookUp(HKEY key, const std::string& subKey, Lookup& out)
{
    if (const LONG status = resolve(key, out.base); status != ERROR_SUCCESS)
        return status;
    KeyPath path = splitKeyPath(subKey);
    if (path.status != ERROR_SUCCESS)
        return path.status;
    out.components = std::move(path.components);
    out.classes = out.base.classes;
    if (out.classes)
        for (const auto& component : out.components)
            out.classes->push_back(foldName(component));
    Transaction read(*out.base.store, Kind::Read);
    if (read.status() != ERROR_SUCCESS)
        return read.status();
    const Walk found = walk(read.db(), out.base.id, out.base.path, out.components);
    out.status = found.status;
    out.id = found.id;
    out.path = found.path;
    return ERROR_SUCCESS;
}

LONG RegistryStore::RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD /*options*/, REGSAM access,
                                  HKEY* result)
{
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    std::lock_guard lock(m_mutex);
    Lookup found;
    if (const LONG status = lookUp(key, subKey, found); status != ERROR_SUCCESS)
        return status;
    if (found.status == ERROR_SUCCESS)
        return openExisting(*found.base.store, found.id, found.path, access, result, found.classes);
    if (found.status != ERROR_FILE_NOT_FOUND || !found.classes || found.components.empty())
        return found.status;
    std::optional<std::vector<std::string>>& classes = found.classes;
    // HKEY_CLASSES_ROOT reads the other side's classes where one side has no
    // key of that name. New keys under the root go to the user's
    // (RegCreateKeyExA), whose classes are the ones the desktop is told about.
    const bool machineSide = found.base.store == &m_user;
    RegistryFile& other = machineSide ? m_machine : m_user;
    Transaction read(other, Kind::Read);
    if (read.status() != ERROR_SUCCESS)
        return read.status();
    std::vector<std::string> components{"SOFTWARE", "CLASSES"};
    components.insert(components.end(), classes->begin(), classes->end());
    const Walk inOther = walk(read.db(), 1, machineSide ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER", components);
    if (inOther.status != ERROR_SUCCESS)
        return inOther.status;
    return openExisting(other, inOther.id, inOther.path, access, result, std::move(classes));
}

LONG RegistryStore::RegCreateKeyExA(HKEY key, const std::string& subKey, DWORD reserved, const char* keyClass,
                                    DWORD /*options*/, REGSAM access, const void* /*securityAttributes*/,
                                    HKEY* result, DWORD* disposition)
{
    if (result == nullptr || reserved != 0)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    std::lock_guard lock(m_mutex);
    Lookup found;
    if (const LONG status = lookUp(key, subKey, found); status != ERROR_SUCCESS)
        return status;
    if (found.status == ERROR_KEY_DELETED)
        return found.status;
    const OpenKey& base = found.base;
    if (found.status == ERROR_SUCCESS) {
        const LONG status = openExisting(*base.store, found.id, found.path, access, result, found.classes);
        if (status == ERROR_SUCCESS && disposition != nullptr)
            *disposition = REG_OPENED_EXISTING_KEY;
        return status;
    }

    // An existing key opens whatever the parent handle allows; making one
    // takes the right to create subkeys under it.
    if ((base.access & KEY_CREATE_SUB_KEY) == 0)
        return ERROR_ACCESS_DENIED;
    Transaction write(*base.store, Kind::Write);
    if (const LONG status = write.onKey(base.id); status != ERROR_SUCCESS)
        return status;
    SqliteConnection& db = write.db();
    std::int64_t id = base.id;
    std::string fullPath = base.path;
    bool created = false;
    for (std::size_t i = 0; i < found.components.size(); ++i) {
        const std::string& name = found.components[i];
        const std::string fold = foldName(name);
        fullPath += '\\' + fold;
        if (const auto child = findChild(db, id, fold)) {
            id = *child;
            created = false;
            continue;
        }
        const bool last = i + 1 == found.components.size();
        SqliteStatement insert(db, "INSERT INTO keys(parent, name, fold, class, written) VALUES(?, ?, ?, ?, ?)");
        insert.bind(1, id).bindBytes(2, name).bindBytes(3, fold).bind(5, fileTimeNow());
        if (last && keyClass != nullptr)
            insert.bindBytes(4, keyClass);
        else
            insert.bindNull(4);
        if (const int status = insert.step(); status != SQLITE_DONE)
            return statusFromSqlite(status);
        touch(db, id);
        id = db.lastInsertId();
        created = true;
    }
    if (const LONG status = write.commit(); status != ERROR_SUCCESS)
        return status;
    if (disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = addHandle(OpenKey{base.store, id, grantedAccess(access, base.store->writable()), fullPath, false,
                                std::move(found.classes)});
    return ERROR_SUCCESS;
}

LONG RegistryStore::RegSetValueExA(HKEY key, const std::string& valueName, DWORD /*reserved*/, DWORD type,
                                   const std::uint8_t* data, DWORD size)
{
    std::lock_guard lock(m_mutex);
    OpenKey open;
    if (const LONG status = openWith(key, KEY_SET_VALUE, open); status != ERROR_SUCCESS)
        return status;
    if (data == nullptr && size != 0)
        return ERROR_NOACCESS;
    Transaction write(*open.store, Kind::Write);
    if (const LONG status = write.onKey(open.id); status != ERROR_SUCCESS)
        return status;
    SqliteConnection& db = write.db();
    // A value written again under another letter case keeps its first name.
    SqliteStatement upsert(db, "INSERT INTO vals(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?) "
                               "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    upsert.bind(1, open.id)
        .bindBytes(2, valueName)
        .bindBytes(3, foldName(valueName))
        .bind(4, type)
        .bindBytes(5, std::string_view(reinterpret_cast<const char*>(data), data ? size : 0));
    if (const int status = upsert.step(); status != SQLITE_DONE)
        return statusFromSqlite(status);
    return commitValue(write, open, valueName);
}

LONG RegistryStore::RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* reserved, DWORD* type,
                                     std::uint8_t* data, DWORD* size)
{
    if (reserved != nullptr || (data != nullptr && size == nullptr))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    OpenKey open;
    if (const LONG status = openWith(key, KEY_QUERY_VALUE, open); status != ERROR_SUCCESS)
        return status;
    std::string bytes;
    DWORD storedType = 0;
    if (open.classes) {
        ClassesListing listing;
        if (const LONG status = classesOf(open, true, listing); status != ERROR_SUCCESS)
            return status;
        const auto found = listing.find(foldName(valueName));
        if (found == listing.end())
            return ERROR_FILE_NOT_FOUND;
        bytes = found->second.text;
        storedType = static_cast<DWORD>(found->second.number);
    } else {
        Transaction read(*open.store, Kind::Read);
        if (const LONG status = read.onKey(open.id); status != ERROR_SUCCESS)
            return status;
        SqliteStatement query(read.db(), "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
        query.bind(1, open.id).bindBytes(2, foldName(valueName));
        if (query.step() != SQLITE_ROW)
            return ERROR_FILE_NOT_FOUND;
        bytes = query.columnBytes(1);
        storedType = static_cast<DWORD>(query.columnInt(0));
    }
    if (type != nullptr)
        *type = storedType;
    if (size == nullptr)
        return ERROR_SUCCESS;
    const DWORD needed = clampedSize(bytes.size());
    if (data != nullptr) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, bytes.data(), bytes.size());
    }
    *size = needed;
    return ERROR_SUCCESS;
}

LONG RegistryStore::RegDeleteValueA(HKEY key, const std::string& valueName)
{
    std::lock_guard lock(m_mutex);
    OpenKey open;
    if (const LONG status = openWith(key, KEY_SET_VALUE, open); status != ERROR_SUCCESS)
        return status;
    Transaction write(*open.store, Kind::Write);
    if (const LONG status = write.onKey(open.id); status != ERROR_SUCCESS)
        return status;
    SqliteConnection& db = write.db();
    SqliteStatement remove(db, "DELETE FROM vals WHERE key = ? AND fold = ?");
    remove.bind(1, open.id).bindBytes(2, foldName(valueName));
    if (const int status = remove.step(); status != SQLITE_DONE)
        return statusFromSqlite(status);
    if (db.changes() == 0)
        return ERROR_FILE_NOT_FOUND;
    return commitValue(write, open, valueName);
}

LONG RegistryStore::RegDeleteKeyA(HKEY key, const std::string& subKey)
{
    std::lock_guard lock(m_mutex);
    Lookup found;
    if (const LONG status = lookUp(key, subKey, found); status != ERROR_SUCCESS)
        return status;
    if (found.status != ERROR_SUCCESS)
        return found.status;
    const OpenKey& base = found.base;
    if (found.components.empty() && base.root)
        return ERROR_ACCESS_DENIED;

    Transaction write(*base.store, Kind::Write);
    if (write.status() != ERROR_SUCCESS)
        return write.status();
    SqliteConnection& db = write.db();
    const Walk target = walk(db, base.id, base.path, found.components);
    if (target.status != ERROR_SUCCESS)
        return target.status;
    SqliteStatement info(db, "SELECT parent, EXISTS(SELECT 1 FROM keys WHERE parent = ?1) FROM keys WHERE id = ?1");
    info.bind(1, target.id);
    if (info.step() != SQLITE_ROW)
        return ERROR_FILE_NOT_FOUND;
    // Roots stay, and so does a key with subkeys: RegDeleteKey is not a tree
    // delete.
    if (info.columnIsNull(0) || info.columnInt(1) != 0)
        return ERROR_ACCESS_DENIED;
    const std::int64_t parent = info.columnInt(0);

    if (AutostartFolder* folder = autostartFor(target.path)) {
        SqliteStatement names(db, "SELECT name FROM vals WHERE key = ?");
        names.bind(1, target.id);
        while (names.step() == SQLITE_ROW) {
            const std::string name = names.columnBytes(0);
            if (!name.empty())
                if (const LONG status = folder->remove(name); status != ERROR_SUCCESS)
                    return status;
        }
    }
    SqliteStatement values(db, "DELETE FROM vals WHERE key = ?");
    values.bind(1, target.id);
    SqliteStatement keyRow(db, "DELETE FROM keys WHERE id = ?");
    keyRow.bind(1, target.id);
    if (const int status = values.step(); status != SQLITE_DONE)
        return statusFromSqlite(status);
    if (const int status = keyRow.step(); status != SQLITE_DONE)
        return statusFromSqlite(status);
    touch(db, parent);
    const LONG status = write.commit();
    if (status == ERROR_SUCCESS)
        syncClasses(target.path);
    return status;
}

LONG RegistryStore::RegCloseKey(HKEY key)
{
    const auto raw = static_cast<std::uint32_t>(key);
    if (raw >= 0x80000000u && raw <= 0x80000006u)
        return ERROR_SUCCESS;
    std::lock_guard lock(m_mutex);
    return m_handles.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegistryStore::RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* classLength, DWORD* reserved, DWORD* subKeys,
                                     DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values,
                                     DWORD* maxValueNameLength, DWORD* maxValueLength,
                                     DWORD* securityDescriptorSize, FileTime* lastWriteTime)
{
    if (reserved != nullptr || (keyClass != nullptr && classLength == nullptr))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    OpenKey open;
    if (const LONG status = openWith(key, KEY_QUERY_VALUE, open); status != ERROR_SUCCESS)
        return status;
    std::string ownClass;
    std::int64_t written = 0;
    // Counts and longest name, class (data) of the subkeys, then the values.
    std::int64_t counts[6] = {};
    {
        Transaction read(*open.store, Kind::Read);
        if (read.status() != ERROR_SUCCESS)
            return read.status();
        SqliteConnection& db = read.db();
        SqliteStatement self(db, "SELECT class, written FROM keys WHERE id = ?");
        self.bind(1, open.id);
        if (self.step() != SQLITE_ROW)
            return ERROR_KEY_DELETED;
        ownClass = self.columnBytes(0);
        written = self.columnInt(1);
        if (!open.classes) {
            SqliteStatement children(db, "SELECT count(*), ifnull(max(length(name)), 0), "
                                         "ifnull(max(length(class)), 0) FROM keys WHERE parent = ?");
            children.bind(1, open.id);
            children.step();
            SqliteStatement valueRows(db, "SELECT count(*), ifnull(max(length(name)), 0), "
                                          "ifnull(max(length(data)), 0) FROM vals WHERE key = ?");
            valueRows.bind(1, open.id);
            valueRows.step();
            for (int i = 0; i < 3; ++i) {
                counts[i] = children.columnInt(i);
                counts[3 + i] = valueRows.columnInt(i);
            }
        }
    }
    if (open.classes) {
        for (const bool ofValues : {false, true}) {
            ClassesListing listing;
            if (const LONG status = classesOf(open, ofValues, listing); status != ERROR_SUCCESS)
                return status;
            std::int64_t* row = counts + (ofValues ? 3 : 0);
            row[0] = static_cast<std::int64_t>(listing.size());
            for (const auto& [fold, entry] : listing) {
                row[1] = std::max<std::int64_t>(row[1], static_cast<std::int64_t>(entry.name.size()));
                row[2] = std::max<std::int64_t>(row[2], static_cast<std::int64_t>(entry.text.size()));
            }
        }
    }

    DWORD* const outputs[6] = {subKeys, maxSubKeyLength, maxClassLength, values, maxValueNameLength, maxValueLength};
    for (int i = 0; i < 6; ++i)
        if (outputs[i] != nullptr)
            *outputs[i] = static_cast<DWORD>(counts[i]);
    // Keys carry no security descriptor of their own here.
    if (securityDescriptorSize)
        *securityDescriptorSize = 0;
    if (lastWriteTime)
        *lastWriteTime = toFileTime(written);

    if (classLength != nullptr) {
        if (keyClass != nullptr && !copyName(ownClass, keyClass, *classLength)) {
            *classLength = clampedSize(ownClass.size());
            return ERROR_MORE_DATA;
        }
        *classLength = clampedSize(ownClass.size());
    }
    return ERROR_SUCCESS;
}

LONG RegistryStore::RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* reserved,
                                  char* keyClass, DWORD* classLength, FileTime* lastWriteTime)
{
    if (nameLength == nullptr || reserved != nullptr || (keyClass != nullptr && classLength == nullptr))
        return ERROR_INVALID_PARAMETER;
    ClassesEntry child;
    if (const LONG status = entryAt(key, KEY_ENUMERATE_SUB_KEYS, false, index, child); status != ERROR_SUCCESS)
        return status;
    const std::string& childName = child.name;
    const std::string& childClass = child.text;
    if (name == nullptr || childName.size() >= *nameLength)
        return ERROR_MORE_DATA;
    if (keyClass != nullptr && childClass.size() >= *classLength)
        return ERROR_MORE_DATA;
    copyName(childName, name, *nameLength);
    *nameLength = clampedSize(childName.size());
    if (keyClass != nullptr)
        copyName(childClass, keyClass, *classLength);
    if (classLength != nullptr)
        *classLength = clampedSize(childClass.size());
    if (lastWriteTime != nullptr)
        *lastWriteTime = toFileTime(child.number);
    return ERROR_SUCCESS;
}

LONG RegistryStore::RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* reserved,
                                  DWORD* type, std::uint8_t* data, DWORD* size)
{
    if (name == nullptr || nameLength == nullptr || reserved != nullptr || (data != nullptr && size == nullptr))
        return ERROR_INVALID_PARAMETER;
    ClassesEntry value;
    if (const LONG status = entryAt(key, KEY_QUERY_VALUE, true, index, value); status != ERROR_SUCCESS)
        return status;
    const std::string& valueName = value.name;
    const std::string& bytes = value.text;
    const auto storedType = static_cast<DWORD>(value.number);
    const DWORD needed = clampedSize(bytes.size());
    // Either buffer too small: the caller learns the data size, and the name
    // length stays as it was, as the system function leaves it.
    const bool nameFits = valueName.size() < *nameLength;
    const bool dataFits = data == nullptr || *size >= needed;
    if (!nameFits || !dataFits) {
        if (size != nullptr)
            *size = needed;
        if (type != nullptr)
            *type = storedType;
        return ERROR_MORE_DATA;
    }
    copyName(valueName, name, *nameLength);
    *nameLength = clampedSize(valueName.size());
    if (type != nullptr)
        *type = storedType;
    if (data != nullptr)
        std::memcpy(data, bytes.data(), bytes.size());
    if (size != nullptr)
        *size = needed;
    return ERROR_SUCCESS;
}

} // namespace tarnquill::registry
