// SPDX-License-Identifier: MIT
#include "startup/RegStuff.h"

#include <utility>

namespace tarnquill {

namespace {

// A key this module opened, closed when it goes out of scope. A failed open
// leaves nothing to close, so no call is ever made on a key that is not open.
class OpenKey final {
public:
    explicit OpenKey(Win32Api& api)
        : m_api(api)
    {
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey()
    {
        if (m_open)
            m_api.RegCloseKey(m_key);
    }

    // RegOpenKeyExA; the status it returned.
    LONG open(HKEY root, const std::string& path)
    {
        const LONG status = m_api.RegOpenKeyExA(root, path, 0, kRunKeyAccess, m_key);
        m_open = status == ERROR_SUCCESS;
        return status;
    }

    // RegCreateKeyExA: opens the key, creating it when missing.
    LONG create(HKEY root, const std::string& path)
    {
        DWORD disposition = 0;
        const LONG status = m_api.RegCreateKeyExA(root, path, 0, std::nullopt, REG_OPTION_NON_VOLATILE,
                                                  kRunKeyAccess, m_key, disposition);
        m_open = status == ERROR_SUCCESS;
        return status;
    }

    HKEY get() const { return m_key; }

private:
    Win32Api& m_api;
    HKEY m_key = 0;
    bool m_open = false;
};

// In a Linux path only "/" parts folders; a backslash is part of a name there.
bool endsInSeparator(std::string_view folder)
{
    if (folder.empty())
        return false;
    return folder.back() == '/' || (folder.back() == '\\' && !folder.starts_with('/'));
}

} // namespace

std::string runEntryData(std::string_view programFolder, std::string_view name)
{
    std::string data(programFolder);
    if (!endsInSeparator(data))
        data += programFolder.starts_with('/') ? '/' : '\\';
    // Written as it is, blanks and all: installers and the program's earlier
    // versions read and compare this value verbatim. The Linux autostart
    // stand-in quotes it for its Exec line.
    data += name;
    return data;
}

RegStuff::RegStuff(Win32Api& api, std::string programFolder)
    : m_api(api)
    , m_programFolder(std::move(programFolder))
{
}

void RegStuff::AddRunEntry(const std::string& name)
{
    const std::string path(kRunSubKey);
    const std::string data = runEntryData(m_programFolder, name);
    if (WriteValue(HKEY_LOCAL_MACHINE, path, name, data, REG_SZ) == ERROR_SUCCESS) {
        // A per-user value of the same name, left by an earlier fallback,
        // would start the program a second time at log-on.
        DeleteValue(HKEY_CURRENT_USER, path, name);
        return;
    }

    // No right to the machine-wide key. The per-user Run key always belongs to
    // the user; it is created when missing (a fresh profile on a desktop whose
    // registry starts empty) rather than opened, or the entry would never be
    // written there either.
    OpenKey key(m_api);
    if (key.create(HKEY_CURRENT_USER, path) == ERROR_SUCCESS)
        SetValueOnOpenKey(key.get(), name, REG_SZ, data);
}

void RegStuff::RemoveRunEntry(const std::string& name)
{
    const std::string path(kRunSubKey);
    DeleteValue(HKEY_LOCAL_MACHINE, path, name);
    DeleteValue(HKEY_CURRENT_USER, path, name);
}

LONG RegStuff::WriteValue(HKEY root, const std::string& path, const std::string& valueName, const Variant& value,
                          DWORD type)
{
    OpenKey key(m_api);
    if (const LONG status = key.open(root, path); status != ERROR_SUCCESS)
        return status;
    return SetValueOnOpenKey(key.get(), valueName, type, value);
}

LONG RegStuff::SetValueOnOpenKey(HKEY key, const std::string& valueName, DWORD type, const Variant& value)
{
    switch (type) {
    case REG_SZ: {
        // The text and its terminating NUL; the size counts the NUL.
        std::string data = toText(value);
        data.push_back('\0');
        return m_api.RegSetValueExA(key, valueName, 0, REG_SZ, data, static_cast<DWORD>(data.size()));
    }
    case REG_DWORD: {
        const auto number = static_cast<std::uint32_t>(toInt32(value));
        std::string data(4, '\0');
        for (int i = 0; i < 4; ++i)
            data[static_cast<std::size_t>(i)] = static_cast<char>(number >> (8 * i));
        return m_api.RegSetValueExA(key, valueName, 0, REG_DWORD, data, 4);
    }
    default:
        return ERROR_SUCCESS;
    }
}

LONG RegStuff::DeleteValue(HKEY root, const std::string& path, const std::string& valueName)
{
    OpenKey key(m_api);
    if (const LONG status = key.open(root, path); status != ERROR_SUCCESS)
        return status;
    return m_api.RegDeleteValueA(key.get(), valueName);
}

void applyRunAtStartup(RegStuff& regStuff, int check2Value, const std::string& exeName)
{
    if (check2Value == 1)
        regStuff.AddRunEntry(exeName);
    else
        regStuff.RemoveRunEntry(exeName);
}

} // namespace tarnquill
