// Registry enumeration: the subkeys, or the values and their readable texts, of
// one key, appended to list boxes.
//
// Not written yet: each member raises NotImplemented.

#include "winapi/CWinAPI.h"

namespace tarnquill {

void CWinAPI::RegistryEnumerateKeys(const std::string&, const HWND&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegistryEnumerateKeys");
}

void CWinAPI::RegistryEnumerateValues(const std::string&, const HWND&, const HWND&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegistryEnumerateValues");
}

std::int32_t CWinAPI::RegEnumKeys(const std::string&, const HWND&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegEnumKeys");
}

void CWinAPI::RegEnumValues(const std::string&, const HWND&, const HWND&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegEnumValues");
}

} // namespace tarnquill
