// SPDX-License-Identifier: MIT
// The registry functions of the seam, forwarded to the SQLite RegistryStore.
//
// The store speaks the system's pointer forms; the seam hands over buffers as
// std::string with a claimed size beside them. A buffer's capacity is the
// smaller of the two, so no claim makes the store write past a string.

#include "platform/linux/LinuxWin32Api.h"

#include "platform/linux/registry/RegistryStore.h"
#include "winapi/RegistryBuffers.h"

#include <algorithm>
#include <cstdint>

namespace tarnquill {

namespace {

using registry::endStringData;

DWORD capacityOf(const std::string& buffer, DWORD claimed)
{
    return static_cast<DWORD>(registry::capacityOf(buffer, claimed));
}

std::uint8_t* bytesOf(std::string& buffer)
{
    return reinterpret_cast<std::uint8_t*>(buffer.data());
}

} // namespace

LONG LinuxWin32Api::RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired,
                                  HKEY& result)
{
    HKEY opened = 0;
    const LONG status = m_registry.RegOpenKeyExA(hKey, subKey, ulOptions, samDesired, &opened);
    result = status == ERROR_SUCCESS ? opened : 0;
    return status;
}

LONG LinuxWin32Api::RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD reserved,
                                    const std::optional<std::string>& className, DWORD dwOptions, REGSAM samDesired,
                                    HKEY& result, DWORD& disposition)
{
    HKEY created = 0;
    DWORD how = 0;
    const LONG status = m_registry.RegCreateKeyExA(hKey, subKey, reserved, className ? className->c_str() : nullptr,
                                                   dwOptions, samDesired, nullptr, &created, &how);
    if (status == ERROR_SUCCESS) {
        result = created;
        disposition = how;
    }
    return status;
}

LONG LinuxWin32Api::RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType,
                                   std::string_view data, DWORD cbData)
{
    // The system would read past the caller's bytes; refuse instead.
    if (registry::claimsTooMuch(data, cbData))
        return ERROR_INVALID_PARAMETER;
    return m_registry.RegSetValueExA(hKey, valueName, reserved, dwType,
                                     reinterpret_cast<const std::uint8_t*>(data.data()), cbData);
}

LONG LinuxWin32Api::RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data,
                                     DWORD& cbData)
{
    const DWORD capacity = capacityOf(data, cbData);
    DWORD storedType = 0;
    DWORD size = capacity;
    const LONG status = m_registry.RegQueryValueExA(hKey, valueName, nullptr, &storedType, bytesOf(data), &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
        return status;
    // Too small: the type and the size needed, the buffer as it was.
    type = storedType;
    cbData = size;
    if (status == ERROR_SUCCESS)
        endStringData(storedType, data, capacity, size);
    return status;
}

LONG LinuxWin32Api::RegDeleteKeyA(HKEY hKey, const std::string& subKey)
{
    return m_registry.RegDeleteKeyA(hKey, subKey);
}

LONG LinuxWin32Api::RegDeleteValueA(HKEY hKey, const std::string& valueName)
{
    return m_registry.RegDeleteValueA(hKey, valueName);
}

LONG LinuxWin32Api::RegCloseKey(HKEY hKey)
{
    return m_registry.RegCloseKey(hKey);
}

LONG LinuxWin32Api::RegQueryInfoKeyA(HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys,
                                     DWORD& maxSubKeyLen, DWORD& maxClassLen, DWORD& values, DWORD& maxValueNameLen,
                                     DWORD& maxValueLen, DWORD& cbSecurityDescriptor, FileTime& lastWriteTime)
{
    // A class buffer of size 0 asks for the class's length alone.
    DWORD classLength = capacityOf(className, cchClass);
    char* classBuffer = classLength > 0 ? className.data() : nullptr;
    DWORD counts[7] = {};
    FileTime written;
    const LONG status =
        m_registry.RegQueryInfoKeyA(hKey, classBuffer, &classLength, nullptr, &counts[0], &counts[1], &counts[2],
                                    &counts[3], &counts[4], &counts[5], &counts[6], &written);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
        return status;
    cchClass = classLength;
    subKeys = counts[0];
    maxSubKeyLen = counts[1];
    maxClassLen = counts[2];
    values = counts[3];
    maxValueNameLen = counts[4];
    maxValueLen = counts[5];
    cbSecurityDescriptor = counts[6];
    lastWriteTime = written;
    return status;
}

LONG LinuxWin32Api::RegEnumKeyExA(HKEY hKey, DWORD index, std::string& name, DWORD& cchName, std::string& className,
                                  DWORD& cchClass, FileTime& lastWriteTime)
{
    DWORD nameLength = capacityOf(name, cchName);
    DWORD classLength = capacityOf(className, cchClass);
    FileTime written;
    const LONG status = m_registry.RegEnumKeyExA(hKey, index, name.data(), &nameLength, nullptr, className.data(),
                                                 &classLength, &written);
    if (status != ERROR_SUCCESS)
        return status;
    cchName = nameLength;
    cchClass = classLength;
    lastWriteTime = written;
    return status;
}

LONG LinuxWin32Api::RegEnumValueA(HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName, DWORD& type,
                                  std::string& data, DWORD& cbData)
{
    DWORD nameLength = capacityOf(valueName, cchValueName);
    const DWORD capacity = capacityOf(data, cbData);
    DWORD size = capacity;
    DWORD storedType = 0;
    const LONG status = m_registry.RegEnumValueA(hKey, index, valueName.data(), &nameLength, nullptr, &storedType,
                                                 bytesOf(data), &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
        return status;
    // Too small: the type and the data size needed; the name's length stays.
    type = storedType;
    cbData = size;
    if (status == ERROR_SUCCESS) {
        cchValueName = nameLength;
        endStringData(storedType, data, capacity, size);
    }
    return status;
}

} // namespace tarnquill
