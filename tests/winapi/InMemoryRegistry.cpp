// SPDX-License-Identifier: MIT
#include "InMemoryRegistry.h"

#include "winapi/RegistryBuffers.h"

#include <algorithm>
#include <cctype>

namespace tarnquill::testing {

namespace {

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

std::string fold(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Components of a key path; ERROR_BAD_PATHNAME for one that starts with "\".
LONG split(const std::string& path, std::vector<std::string>& out)
{
    if (!path.empty() && path.front() == '\\')
        return ERROR_BAD_PATHNAME;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start)
            out.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return ERROR_SUCCESS;
}

REGSAM granted(REGSAM requested)
{
    REGSAM rights = requested;
    if (requested & GENERIC_READ)
        rights |= KEY_READ;
    if (requested & GENERIC_WRITE)
        rights |= KEY_WRITE;
    if (requested & (GENERIC_ALL | MAXIMUM_ALLOWED))
        rights |= KEY_ALL_ACCESS;
    return rights;
}

// Writes text and its NUL into a caller's buffer; the text's length.
DWORD putWithNul(std::string& buffer, const std::string& text)
{
    std::copy(text.begin(), text.end(), buffer.begin());
    buffer[text.size()] = '\0';
    return static_cast<DWORD>(text.size());
}

} // namespace

InMemoryRegistry::InMemoryRegistry()
    : m_user(std::make_shared<Key>())
    , m_machine(std::make_shared<Key>())
    , m_users(std::make_shared<Key>())
    , m_config(std::make_shared<Key>())
{
    m_machine->machine = m_users->machine = m_config->machine = true;
    for (const auto& [root, path] : {std::pair{HKEY_CURRENT_USER, "Software\\Classes"},
                                     std::pair{HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
                                     std::pair{HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"}}) {
        HKEY key = 0;
        DWORD disposition = 0;
        RegCreateKeyExA(root, path, 0, std::nullopt, 0, KEY_ALL_ACCESS, key, disposition);
        RegCloseKey(key);
    }
    m_classes = find(m_user, {"Software", "Classes"});
}

std::shared_ptr<InMemoryRegistry::Key> InMemoryRegistry::find(const std::shared_ptr<Key>& base,
                                                              const std::vector<std::string>& path) const
{
    std::shared_ptr<Key> key = base;
    for (const auto& name : path) {
        const auto it = key->children.find(fold(name));
        if (it == key->children.end())
            return nullptr;
        key = it->second;
    }
    return key;
}

LONG InMemoryRegistry::resolve(HKEY hKey, Open& out, REGSAM needed) const
{
    switch (hKey) {
    case HKEY_CLASSES_ROOT: out = {m_classes, KEY_ALL_ACCESS}; break;
    case HKEY_CURRENT_USER: out = {m_user, KEY_ALL_ACCESS}; break;
    case HKEY_LOCAL_MACHINE: out = {m_machine, KEY_ALL_ACCESS}; break;
    case HKEY_USERS: out = {m_users, KEY_ALL_ACCESS}; break;
    case HKEY_CURRENT_CONFIG: out = {m_config, KEY_ALL_ACCESS}; break;
    default: {
        const auto it = m_handles.find(hKey);
        if (it == m_handles.end())
            return ERROR_INVALID_HANDLE;
        out = it->second;
    }
    }
    if (!out.key || out.key->deleted)
        return ERROR_KEY_DELETED;
    const bool denied = (out.access & needed) != needed || ((needed & kWriteRights) != 0 && !mayChange(*out.key));
    return denied ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

HKEY InMemoryRegistry::addHandle(Open open)
{
    m_lastHandle += 4;
    m_handles.emplace(m_lastHandle, std::move(open));
    return m_lastHandle;
}

LONG InMemoryRegistry::lookup(HKEY hKey, const std::string& subKey, Found& out) const
{
    if (const LONG status = resolve(hKey, out.base); status != ERROR_SUCCESS)
        return status;
    if (const LONG status = split(subKey, out.components); status != ERROR_SUCCESS)
        return status;
    out.key = find(out.base.key, out.components);
    return out.key ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

InMemoryRegistry::Value* InMemoryRegistry::findValue(Key& key, const std::string& name)
{
    for (auto& value : key.values)
        if (fold(value.name) == fold(name))
            return &value;
    return nullptr;
}

std::optional<InMemoryRegistry::Stored> InMemoryRegistry::value(HKEY root, const std::string& path,
                                                                const std::string& name) const
{
    Found key;
    const Value* found = lookup(root, path, key) == ERROR_SUCCESS ? findValue(*key.key, name) : nullptr;
    return found ? std::optional<Stored>(Stored{found->type, found->data}) : std::nullopt;
}

bool InMemoryRegistry::keyExists(HKEY root, const std::string& path) const
{
    Found key;
    return lookup(root, path, key) == ERROR_SUCCESS;
}

LONG InMemoryRegistry::RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD, REGSAM samDesired, HKEY& result)
{
    result = 0;
    Found found;
    if (const LONG status = lookup(hKey, subKey, found); status != ERROR_SUCCESS)
        return status;
    const REGSAM rights = granted(samDesired);
    if ((rights & kWriteRights) != 0 && !mayChange(*found.key))
        return ERROR_ACCESS_DENIED;
    result = addHandle({found.key, rights});
    return ERROR_SUCCESS;
}

LONG InMemoryRegistry::RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD,
                                       const std::optional<std::string>& className, DWORD, REGSAM samDesired,
                                       HKEY& result, DWORD& disposition)
{
    if (const LONG status = RegOpenKeyExA(hKey, subKey, 0, samDesired, result); status != ERROR_FILE_NOT_FOUND) {
        if (status == ERROR_SUCCESS)
            disposition = REG_OPENED_EXISTING_KEY;
        return status;
    }
    Found found;
    lookup(hKey, subKey, found);
    const auto& [base, components, missing] = found;
    if (!mayChange(*base.key) || (base.access & KEY_CREATE_SUB_KEY) == 0)
        return ERROR_ACCESS_DENIED;
    std::shared_ptr<Key> key = base.key;
    for (std::size_t i = 0; i < components.size(); ++i) {
        auto& child = key->children[fold(components[i])];
        if (!child) {
            child = std::make_shared<Key>();
            child->name = components[i];
            child->machine = key->machine;
            child->parent = key.get();
            if (i + 1 == components.size() && className)
                child->className = *className;
        }
        key = child;
    }
    result = addHandle({key, granted(samDesired)});
    disposition = REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

LONG InMemoryRegistry::RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD, DWORD dwType,
                                      std::string_view data, DWORD cbData)
{
    Open open;
    if (const LONG status = resolve(hKey, open, KEY_SET_VALUE); status != ERROR_SUCCESS)
        return status;
    if (registry::claimsTooMuch(data, cbData))
        return ERROR_INVALID_PARAMETER;
    Value* value = findValue(*open.key, valueName);
    if (!value)
        value = &open.key->values.emplace_back(Value{valueName, 0, {}});
    value->type = dwType;
    value->data = std::string(data.substr(0, cbData));
    return ERROR_SUCCESS;
}

LONG InMemoryRegistry::RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data,
                                        DWORD& cbData)
{
    Open open;
    if (const LONG status = resolve(hKey, open, KEY_QUERY_VALUE); status != ERROR_SUCCESS)
        return status;
    const Value* value = findValue(*open.key, valueName);
    return value ? putData(*value, type, data, cbData) : ERROR_FILE_NOT_FOUND;
}

LONG InMemoryRegistry::putData(const Value& value, DWORD& type, std::string& data, DWORD& cbData)
{
    const std::size_t capacity = registry::capacityOf(data, cbData);
    type = value.type;
    cbData = static_cast<DWORD>(value.data.size());
    if (value.data.size() > capacity)
        return ERROR_MORE_DATA;
    std::copy(value.data.begin(), value.data.end(), data.begin());
    registry::endStringData(value.type, data, capacity, value.data.size());
    return ERROR_SUCCESS;
}

LONG InMemoryRegistry::RegDeleteKeyA(HKEY hKey, const std::string& subKey)
{
    Found found;
    if (const LONG status = lookup(hKey, subKey, found); status != ERROR_SUCCESS)
        return status;
    const auto& key = found.key;
    if (key->parent == nullptr || !key->children.empty() || !mayChange(*key))
        return ERROR_ACCESS_DENIED;
    key->deleted = true;
    key->parent->children.erase(fold(key->name));
    return ERROR_SUCCESS;
}

LONG InMemoryRegistry::RegDeleteValueA(HKEY hKey, const std::string& valueName)
{
    Open open;
    if (const LONG status = resolve(hKey, open, KEY_SET_VALUE); status != ERROR_SUCCESS)
        return status;
    const Value* value = findValue(*open.key, valueName);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    open.key->values.erase(open.key->values.begin() + (value - open.key->values.data()));
    return ERROR_SUCCESS;
}

LONG InMemoryRegistry::RegCloseKey(HKEY hKey)
{
    if (static_cast<std::uint32_t>(hKey) >= static_cast<std::uint32_t>(HKEY_CLASSES_ROOT))
        return ERROR_SUCCESS;
    return m_handles.erase(hKey) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG InMemoryRegistry::RegQueryInfoKeyA(HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys,
                                        DWORD& maxSubKeyLen, DWORD& maxClassLen, DWORD& values,
                                        DWORD& maxValueNameLen, DWORD& maxValueLen, DWORD& cbSecurityDescriptor,
                                        FileTime& lastWriteTime)
{
    Open open;
    if (const LONG status = resolve(hKey, open); status != ERROR_SUCCESS)
        return status;
    const Key& key = *open.key;
    const std::size_t capacity = registry::capacityOf(className, cchClass);
    const LONG status = capacity > 0 && key.className.size() >= capacity ? ERROR_MORE_DATA : ERROR_SUCCESS;
    if (capacity > 0 && status == ERROR_SUCCESS)
        putWithNul(className, key.className);
    cchClass = static_cast<DWORD>(key.className.size());
    subKeys = static_cast<DWORD>(key.children.size());
    maxSubKeyLen = maxClassLen = maxValueNameLen = maxValueLen = 0;
    for (const auto& [name, child] : key.children) {
        maxSubKeyLen = std::max<DWORD>(maxSubKeyLen, static_cast<DWORD>(child->name.size()));
        maxClassLen = std::max<DWORD>(maxClassLen, static_cast<DWORD>(child->className.size()));
    }
    values = static_cast<DWORD>(key.values.size());
    for (const auto& value : key.values) {
        maxValueNameLen = std::max<DWORD>(maxValueNameLen, static_cast<DWORD>(value.name.size()));
        maxValueLen = std::max<DWORD>(maxValueLen, static_cast<DWORD>(value.data.size()));
    }
    cbSecurityDescriptor = 0;
    lastWriteTime = {};
    return status;
}

LONG InMemoryRegistry::RegEnumKeyExA(HKEY hKey, DWORD index, std::string& name, DWORD& cchName,
                                     std::string& className, DWORD& cchClass, FileTime& lastWriteTime)
{
    Open open;
    if (const LONG status = resolve(hKey, open); status != ERROR_SUCCESS)
        return status;
    if (index >= open.key->children.size())
        return ERROR_NO_MORE_ITEMS;
    const Key& child = *std::next(open.key->children.begin(), index)->second;
    if (child.name.size() >= registry::capacityOf(name, cchName)
        || child.className.size() >= registry::capacityOf(className, cchClass))
        return ERROR_MORE_DATA;
    cchName = putWithNul(name, child.name);
    cchClass = putWithNul(className, child.className);
    lastWriteTime = {};
    return ERROR_SUCCESS;
}

LONG InMemoryRegistry::RegEnumValueA(HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName,
                                     DWORD& type, std::string& data, DWORD& cbData)
{
    Open open;
    if (const LONG status = resolve(hKey, open); status != ERROR_SUCCESS)
        return status;
    if (index >= open.key->values.size())
        return ERROR_NO_MORE_ITEMS;
    const Value& value = open.key->values[index];
    if (const LONG status = putData(value, type, data, cbData); status != ERROR_SUCCESS)
        return status;
    if (value.name.size() >= registry::capacityOf(valueName, cchValueName))
        return ERROR_MORE_DATA;
    cchValueName = putWithNul(valueName, value.name);
    return ERROR_SUCCESS;
}

} // namespace tarnquill::testing
