// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/registry/AutostartFolder.h"
#include "platform/linux/registry/LiveClasses.h"
#include "platform/linux/registry/RegistryLocations.h"
#include "platform/linux/registry/RegistryNames.h"
#include "platform/linux/registry/RegistryFile.h"
#include "winapi/Win32Types.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnquill::registry {

// The registry on Linux: keys and typed values kept in SQLite, answering the
// ten registry functions the program calls with Windows' semantics and status
// codes.
//
// Names of keys and values are compared without regard to letter case (by
// their upper-case forms) and keep the case they were created with; "" is the
// key's default value. Enumeration is by index in the order of those upper-case
// forms. Values are kept as the bytes given, type and all. Handles are 32-bit
// integers: the predefined roots, or small numbers handed out by the open and
// create calls. Every call is safe from several threads, and several processes
// may share the stores: each change is one transaction.
//
// HKEY_CURRENT_USER lives in the per-user store and HKEY_CLASSES_ROOT is its
// Software\Classes merged with the machine's Software\Classes, as on
// Windows: a key the user's classes lack opens from the machine's, and the
// subkeys and values of a key seen through HKEY_CLASSES_ROOT are those of
// both (the user's where both have a name), listed in one order; keys are
// created in the user's; HKEY_LOCAL_MACHINE, HKEY_USERS and HKEY_CURRENT_CONFIG
// live in the machine store, which only a process that may write its file can
// change. A REG_SZ value under Software\Microsoft\Windows\CurrentVersion\Run of
// HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE is also an XDG autostart entry, and
// the file associations and commands for every file under HKEY_CLASSES_ROOT
// are the desktop's (LiveClasses).
class RegistryStore final {
public:
    explicit RegistryStore(const RegistryLocations& locations, WritableCheck canWrite = {});
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;
    ~RegistryStore();

    // Opens an existing key; never creates one. A missing key (or one on the
    // way to it) gives ERROR_FILE_NOT_FOUND; write access to a key this
    // process may not change gives ERROR_ACCESS_DENIED.
    LONG RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD options, REGSAM access, HKEY* result);

    // Opens a key, creating it and every missing key above it; disposition
    // receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. keyClass may be
    // null; it is kept for a key that is created. securityAttributes are not
    // used: a key's rights are those of its store's file.
    LONG RegCreateKeyExA(HKEY key, const std::string& subKey, DWORD reserved, const char* keyClass, DWORD options,
                         REGSAM access, const void* securityAttributes, HKEY* result, DWORD* disposition);

    // Writes a value: its type and exactly its bytes (a REG_SZ keeps the NUL
    // it is given, or lacks it).
    LONG RegSetValueExA(HKEY key, const std::string& valueName, DWORD reserved, DWORD type, const std::uint8_t* data,
                        DWORD size);

    // Reads a value. With data null the size alone is reported; a buffer too
    // small gives ERROR_MORE_DATA, the size needed, and leaves the buffer as
    // it was.
    LONG RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* reserved, DWORD* type, std::uint8_t* data,
                          DWORD* size);

    LONG RegDeleteValueA(HKEY key, const std::string& valueName);

    // Deletes a key that has no subkeys (one that has them: ERROR_ACCESS_DENIED,
    // as Windows' RegDeleteKey); "" deletes the key of the handle itself. Open
    // handles to a deleted key answer ERROR_KEY_DELETED.
    LONG RegDeleteKeyA(HKEY key, const std::string& subKey);

    LONG RegCloseKey(HKEY key);

    // Counts and longest lengths of a key's subkeys and values. Name and class
    // lengths are in bytes of their UTF-8 form without the NUL, which is the
    // buffer size (less one) the A functions need; data lengths in bytes.
    LONG RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* classLength, DWORD* reserved, DWORD* subKeys,
                          DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values, DWORD* maxValueNameLength,
                          DWORD* maxValueLength, DWORD* securityDescriptorSize, FileTime* lastWriteTime);

    // The subkey at an index. nameLength holds the buffer's size in bytes
    // (NUL included) and receives the name's length (NUL excluded); a buffer
    // too small gives ERROR_MORE_DATA and leaves nameLength as it was. An
    // index past the last subkey gives ERROR_NO_MORE_ITEMS.
    LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* reserved, char* keyClass,
                       DWORD* classLength, FileTime* lastWriteTime);

    // The value at an index: name as in RegEnumKeyExA, data as in
    // RegQueryValueExA (a buffer too small: ERROR_MORE_DATA and the size needed).
    LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* reserved, DWORD* type,
                       std::uint8_t* data, DWORD* size);

private:
    struct OpenKey {
        RegistryFile* store = nullptr;
        std::int64_t id = 0;
        REGSAM access = 0;
        // The key's full path in upper-case form, "HKEY_CURRENT_USER\SOFTWARE\...".
        std::string path;
        // A predefined root, which cannot be deleted.
        bool root = false;
        // A key seen through HKEY_CLASSES_ROOT: its path below Software\Classes
        // (upper-case components), where the user's and the machine's merge.
        std::optional<std::vector<std::string>> classes;
    };

    // A subkey or value (of a key seen through HKEY_CLASSES_ROOT): `text` is a
    // key's class or a value's data; `number` a key's last write or a value's type.
    struct ClassesEntry {
        std::string name;
        std::string text;
        std::int64_t number = 0;
    };
    using ClassesListing = std::map<std::string, ClassesEntry>;

    // A subkey looked up below a handle, in the handle's own store.
    struct Lookup {
        OpenKey base;
        std::vector<std::string> components;
        // Below HKEY_CLASSES_ROOT: the subkey's upper-case path under Software\Classes.
        std::optional<std::vector<std::string>> classes;
        // ERROR_SUCCESS with the key's id and full path; ERROR_FILE_NOT_FOUND
        // when a key on the way is missing; ERROR_KEY_DELETED when the base is gone.
        LONG status = ERROR_SUCCESS;
        std::int64_t id = 0;
        std::string path;
    };

    class Transaction;

    LONG resolve(HKEY key, OpenKey& out);
    // Resolves the handle, splits the path and walks it in a read: the status
    // of whichever of those failed, else ERROR_SUCCESS with `out` filled.
    LONG lookUp(HKEY key, const std::string& subKey, Lookup& out);
    // resolve(), then ERROR_ACCESS_DENIED unless the handle holds `right`.
    LONG openWith(HKEY key, REGSAM right, OpenKey& out);
    LONG classesRoot(OpenKey& out);
    HKEY addHandle(OpenKey key);
    // A handle with the rights asked to an existing key, unless they include
    // writing to a store this process may not change.
    LONG openExisting(RegistryFile& store, std::int64_t id, const std::string& path, REGSAM access, HKEY* result,
                      std::optional<std::vector<std::string>> classes = std::nullopt);
    // The subkeys (or values) of a key seen through HKEY_CLASSES_ROOT, the
    // user's and the machine's, by their upper-case names.
    LONG listClasses(const OpenKey& key, bool values, ClassesListing& out);
    // listClasses() for a key that still exists.
    LONG classesOf(const OpenKey& key, bool values, ClassesListing& out);
    // The subkey (or value) at an index in the order of upper-case names.
    LONG entryAt(const OpenKey& key, bool values, DWORD index, ClassesEntry& out);
    // The same through a handle that holds `right`; the lock is held for the look-up alone, the entry being a copy.
    LONG entryAt(HKEY key, REGSAM right, bool values, DWORD index, ClassesEntry& out);
    AutostartFolder* autostartFor(const std::string& keyPath);
    LONG syncAutostart(SqliteConnection& db, const OpenKey& key, const std::string& valueName);
    // Marks the key written, mirrors the value into the autostart folder and
    // commits.
    LONG commitValue(Transaction& write, const OpenKey& key, const std::string& valueName);
    // After a change under HKEY_CLASSES_ROOT: the desktop's associations and
    // file actions follow the classes as they now stand.
    void syncClasses(const std::string& changedPath);

    std::mutex m_mutex;
    RegistryFile m_user;
    RegistryFile m_machine;
    AutostartFolder m_userAutostart;
    AutostartFolder m_machineAutostart;
    LiveClasses m_classes;
    std::unordered_map<HKEY, OpenKey> m_handles;
    HKEY m_lastHandle = 0;
};

} // namespace tarnquill::registry
