// Registry values and keys: write, read and delete values, create and delete
// keys, the Run value, shell verbs, file associations and the auto-run policy.
//
// Not written yet: each member raises NotImplemented.

#include "winapi/CWinAPI.h"

namespace tarnquill {

void CWinAPI::RegistryValueS(const std::string&, const std::string&, const std::string&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegistryValueS");
}

void CWinAPI::RegistryValueD(const std::string&, const std::string&, const std::string&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegistryValueD");
}

void CWinAPI::RegistryValueB(const std::string&, const std::string&, const std::uint8_t&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegistryValueB");
}

Variant CWinAPI::RegistryGetValue(const std::string&, const std::string&, Variant&, std::int32_t&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegistryGetValue");
}

void CWinAPI::RegistryRun(const std::string&, const std::string&)
{
    throw NotImplemented("CWinAPI::RegistryRun");
}

void CWinAPI::RegistryDeleteValue(const std::string&, const std::string&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegistryDeleteValue");
}

void CWinAPI::RegistryNewKey(const std::string&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegistryNewKey");
}

void CWinAPI::RegistryDeletekey(const std::string&, const std::string&, const HKEY&)
{
    throw NotImplemented("CWinAPI::RegistryDeletekey");
}

void CWinAPI::RegistryCreateRightClickAccess(const std::string&, std::string&)
{
    throw NotImplemented("CWinAPI::RegistryCreateRightClickAccess");
}

void CWinAPI::RegistryCreateAssociation(const std::string&, const std::string&, std::string&, const std::string&)
{
    throw NotImplemented("CWinAPI::RegistryCreateAssociation");
}

void CWinAPI::AutoRun(const std::int32_t&)
{
    throw NotImplemented("CWinAPI::AutoRun");
}

} // namespace tarnquill
