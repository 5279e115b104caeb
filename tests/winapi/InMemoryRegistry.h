// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Win32Api.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnquill::testing {

// The ten registry functions of the seam over keys held in memory, with the
// answers the registry contract suite holds every backend to (names without
// regard to case, open never creating, ERROR_MORE_DATA, deleted keys, access
// rights). Plugged into RecordingWin32Api (its `registry`), it lets a test
// judge what a procedure left in the registry instead of how it called.
//
// The machine's keys (HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG)
// refuse every change while `machineWritable` is false, as for an ordinary
// user. HKEY_CLASSES_ROOT is HKEY_CURRENT_USER\Software\Classes. A fresh
// registry has the Software keys and both Run keys.
class InMemoryRegistry final {
public:
    InMemoryRegistry();

    bool machineWritable = true;

    struct Stored {
        DWORD type = 0;
        std::string bytes;
        bool operator==(const Stored&) const = default;
    };
    // A value as stored, or nullopt when the key or the value is missing.
    std::optional<Stored> value(HKEY root, const std::string& path, const std::string& name) const;
    bool keyExists(HKEY root, const std::string& path) const;
    // Handles opened and not yet closed.
    std::size_t openHandles() const { return m_handles.size(); }

    LONG RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired, HKEY& result);
    LONG RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD reserved,
                         const std::optional<std::string>& className, DWORD dwOptions, REGSAM samDesired,
                         HKEY& result, DWORD& disposition);
    LONG RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType, std::string_view data,
                        DWORD cbData);
    LONG RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data, DWORD& cbData);
    LONG RegDeleteKeyA(HKEY hKey, const std::string& subKey);
    LONG RegDeleteValueA(HKEY hKey, const std::string& valueName);
    LONG RegCloseKey(HKEY hKey);
    LONG RegQueryInfoKeyA(HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys, DWORD& maxSubKeyLen,
                          DWORD& maxClassLen, DWORD& values, DWORD& maxValueNameLen, DWORD& maxValueLen,
                          DWORD& cbSecurityDescriptor, FileTime& lastWriteTime);
    LONG RegEnumKeyExA(HKEY hKey, DWORD index, std::string& name, DWORD& cchName, std::string& className,
                       DWORD& cchClass, FileTime& lastWriteTime);
    LONG RegEnumValueA(HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName, DWORD& type,
                       std::string& data, DWORD& cbData);

private:
    struct Value { std::string name; DWORD type = 0; std::string data; };
    struct Key {
        std::string name;
        std::string className;
        bool machine = false;
        bool deleted = false;
        Key* parent = nullptr;
        // By upper-case name: the enumeration order.
        std::map<std::string, std::shared_ptr<Key>> children;
        std::vector<Value> values;
    };
    struct Open { std::shared_ptr<Key> key; REGSAM access = 0; };

    // The key behind hKey, ERROR_ACCESS_DENIED unless its handle grants `needed`
    // (and, for a write right, the key may change).
    LONG resolve(HKEY hKey, Open& out, REGSAM needed = 0) const;
    struct Found { Open base; std::vector<std::string> components; std::shared_ptr<Key> key; };
    // The key at subKey below hKey (ERROR_FILE_NOT_FOUND, with base and
    // components filled, when it is missing).
    LONG lookup(HKEY hKey, const std::string& subKey, Found& out) const;
    static Value* findValue(Key& key, const std::string& name);
    // A value's type and data into a caller's buffer, as RegQueryValueExA answers.
    static LONG putData(const Value& value, DWORD& type, std::string& data, DWORD& cbData);
    std::shared_ptr<Key> find(const std::shared_ptr<Key>& base, const std::vector<std::string>& path) const;
    HKEY addHandle(Open open);
    bool mayChange(const Key& key) const { return !key.machine || machineWritable; }

    std::shared_ptr<Key> m_user, m_machine, m_users, m_config, m_classes;
    std::map<HKEY, Open> m_handles;
    HKEY m_lastHandle = 0x1000;
};

} // namespace tarnquill::testing
