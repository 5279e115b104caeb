// SPDX-License-Identifier: MIT
// Registry values and keys: write, read and delete values, create and delete
// keys, the Run value, shell verbs, file associations and the auto-run policy.
//
// Every member opens the key it needs with access 3 (query and set value),
// does one thing and closes it again; only RegistryNewKey and the shell-verb
// and association members create keys. Platform statuses are dropped, as the
// class always did: a key that cannot be opened leaves the handle 0 and the
// calls that follow fail on it quietly.

#include "winapi/CWinAPI.h"

#include "winapi/RegistryBuffers.h"

#include <limits>

namespace tarnquill {

namespace {

// KEY_QUERY_VALUE | KEY_SET_VALUE: what every value member opens its key with.
constexpr REGSAM kValueAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;
constexpr const char* kRunKey = "software\\microsoft\\windows\\currentversion\\run";
constexpr const char* kExplorerPolicies = "software\\microsoft\\windows\\currentversion\\policies\\explorer";
// The read buffer of a text value: 255 spaces before the call.
constexpr DWORD kTextBuffer = 255;

// Closes the key when it goes out of scope, so a conversion error that ends a
// member leaves no handle open. A failed open leaves the handle 0, and the
// close is made all the same, as the members always made it.
class KeyCloser final {
public:
    KeyCloser(Win32Api& api, const HKEY& key) : m_api(api), m_key(key) {}
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;
    ~KeyCloser() { m_api.RegCloseKey(m_key); }

private:
    Win32Api& m_api;
    const HKEY& m_key;
};

} // namespace

// ---- Private routines ---------------------------------------------------------

LONG CWinAPI::PutValueData(HKEY key, const std::string& name, std::int32_t type, const Variant& value)
{
    if (type == REG_SZ) {
        const std::string data = toText(value) + '\0';
        return m_api.RegSetValueExA(key, name, 0, REG_SZ, data, static_cast<DWORD>(data.size()));
    }
    if (type == REG_BINARY || type == REG_DWORD) {
        const std::string data = registry::dwordBytes(static_cast<std::uint32_t>(toInt32(value)));
        return m_api.RegSetValueExA(key, name, 0, static_cast<DWORD>(type), data, 4);
    }
    return ERROR_SUCCESS;
}

LONG CWinAPI::FetchValueData(HKEY key, const std::string& name, std::int32_t& type, Variant& value)
{
    if (type == REG_SZ) {
        std::string buffer(kTextBuffer, ' ');
        DWORD storedType = static_cast<DWORD>(type);
        DWORD count = kTextBuffer;
        LONG status = m_api.RegQueryValueExA(key, name, storedType, buffer, count);
        if (status == ERROR_MORE_DATA && registry::isStringType(storedType)) {
            // A text longer than the buffer is read whole on a second try
            // rather than handed back as 255 spaces.
            buffer.assign(static_cast<std::size_t>(count) + 1, ' ');
            count = static_cast<DWORD>(buffer.size());
            status = m_api.RegQueryValueExA(key, name, storedType, buffer, count);
        }
        type = static_cast<std::int32_t>(storedType);
        value = StripAtNull(buffer);
        return status;
    }
    if (type == REG_BINARY || type == REG_DWORD) {
        std::string buffer = registry::dwordBytes(static_cast<std::uint32_t>(toInt32(value)));
        DWORD storedType = static_cast<DWORD>(type);
        DWORD count = 4;
        const LONG status = m_api.RegQueryValueExA(key, name, storedType, buffer, count);
        type = static_cast<std::int32_t>(storedType);
        value = static_cast<std::int32_t>(registry::dwordOf(buffer));
        return status;
    }
    return ERROR_SUCCESS;
}

std::string CWinAPI::StripAtNull(std::string& text)
{
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

Variant CWinAPI::StripAtNullVariant(const std::string& text)
{
    const auto nul = text.find('\0');
    if (nul == std::string::npos)
        return text;
    // The position is a 16-bit counter.
    if (nul + 1 > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
        throw RuntimeError(RuntimeError::kOverflow);
    return text.substr(0, nul);
}

void CWinAPI::CreateKeyPath(const std::string& path, HKEY root)
{
    HKEY key = 0;
    DWORD disposition = 0;
    m_api.RegCreateKeyExA(root, path, 0, std::nullopt, REG_OPTION_NON_VOLATILE, kValueAccess, key, disposition);
    m_api.RegCloseKey(key);
}

void CWinAPI::WriteKeyValue(const std::string& path, const std::string& name, const Variant& value,
                            std::int32_t type, const Variant& root)
{
    HKEY key = 0;
    m_api.RegOpenKeyExA(toInt32(root), path, 0, kValueAccess, key);
    const KeyCloser closer(m_api, key);
    PutValueData(key, name, type, value);
}

LONG CWinAPI::ReadKeyValue(const std::string& path, const std::string& name, Variant& value, std::int32_t& type,
                           const Variant& root)
{
    HKEY key = 0;
    m_api.RegOpenKeyExA(toInt32(root), path, 0, kValueAccess, key);
    const KeyCloser closer(m_api, key);
    return FetchValueData(key, name, type, value);
}

void CWinAPI::RemoveSubKey(const Variant& root, const std::string& path, const std::string& subKey)
{
    HKEY key = 0;
    m_api.RegOpenKeyExA(toInt32(root), path, 0, kValueAccess, key);
    m_api.RegDeleteKeyA(key, subKey);
    m_api.RegCloseKey(key);
}

void CWinAPI::RemoveKeyValue(const Variant& root, const std::string& path, const std::string& name)
{
    HKEY key = 0;
    m_api.RegOpenKeyExA(toInt32(root), path, 0, kValueAccess, key);
    m_api.RegDeleteValueA(key, name);
    m_api.RegCloseKey(key);
}

// ---- Members ------------------------------------------------------------------------

void CWinAPI::RegistryValueS(const std::string& sKey, const std::string& sValueName, const std::string& sValue,
                             const HKEY& home)
{
    WriteKeyValue(sKey, sValueName, sValue, REG_SZ, home);
}

void CWinAPI::RegistryValueD(const std::string& sKey, const std::string& sValueName, const std::string& sValue,
                             const HKEY& home)
{
    WriteKeyValue(sKey, sValueName, sValue, REG_DWORD, home);
}

void CWinAPI::RegistryValueB(const std::string& sKey, const std::string& sValueName, const std::uint8_t& sValue,
                             const HKEY& home)
{
    WriteKeyValue(sKey, sValueName, static_cast<std::int32_t>(sValue), REG_BINARY, home);
}

Variant CWinAPI::RegistryGetValue(const std::string& sKey, const std::string& sValueName, Variant& sValue,
                                  std::int32_t& nValuetype, const HKEY& home)
{
    ReadKeyValue(sKey, sValueName, sValue, nValuetype, home);
    if (nValuetype == REG_SZ) {
        std::string text = toText(sValue);
        sValue = StripAtNull(text);
    }
    return {};
}

void CWinAPI::RegistryRun(const std::string& sValueName, const std::string& sValue)
{
    WriteKeyValue(kRunKey, sValueName, sValue, REG_SZ, HKEY_LOCAL_MACHINE);
}

void CWinAPI::RegistryDeleteValue(const std::string& sKey, const std::string& sValueName, const HKEY& home)
{
    RemoveKeyValue(home, sKey, sValueName);
}

void CWinAPI::RegistryNewKey(const std::string& sKeyName, const HKEY& home)
{
    CreateKeyPath(sKeyName, home);
}

void CWinAPI::RegistryDeletekey(const std::string& sSubKey, const std::string& sKey, const HKEY& home)
{
    RemoveSubKey(home, sKey, sSubKey);
}

void CWinAPI::RegistryCreateRightClickAccess(const std::string& sName, std::string& sPath)
{
    const std::string key = "*\\shell\\" + sName + "\\Command";
    CreateKeyPath(key, HKEY_CLASSES_ROOT);
    const std::string folder = m_api.AppPath();
    const std::string program = m_api.AppExeName() + ".exe";
    const std::string args = m_api.AppCommandLine();
    const bool endsInSeparator = !folder.empty() && folder.back() == '\\';
    sPath = folder + (endsInSeparator ? "" : "\\") + program + " " + args + " " + "%1";
    WriteKeyValue(key, "", sPath, REG_SZ, HKEY_CLASSES_ROOT);
}

void CWinAPI::RegistryCreateAssociation(const std::string& sFileExtension_3Chars, const std::string& sProgramType,
                                        std::string& sPath, const std::string& sProgramName)
{
    const std::string extensionKey = "." + sFileExtension_3Chars;
    const std::string commandKey = sProgramType + "\\shell\\open\\command";
    CreateKeyPath(extensionKey, HKEY_CLASSES_ROOT);
    WriteKeyValue(extensionKey, "", sProgramType, REG_SZ, HKEY_CLASSES_ROOT);
    CreateKeyPath(commandKey, HKEY_CLASSES_ROOT);
    WriteKeyValue(sProgramType, "", sProgramName, REG_SZ, HKEY_CLASSES_ROOT);
    sPath += " %1";
    WriteKeyValue(commandKey, "", sPath, REG_SZ, HKEY_CLASSES_ROOT);
}

void CWinAPI::AutoRun(const std::int32_t& drv)
{
    if (drv < 0 || drv > 255)
        throw RuntimeError(RuntimeError::kOverflow);
    const auto policy = static_cast<std::uint8_t>(drv);
    RegistryValueB(kExplorerPolicies, "NoDriveTypeAutoRun", policy, HKEY_CURRENT_USER);
}

} // namespace tarnquill
