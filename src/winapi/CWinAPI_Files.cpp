// File search and machine information: the folder-tree search, disk space,
// volume data, and the computer and user names.
//
// Not written yet: each member raises NotImplemented.

#include "winapi/CWinAPI.h"

namespace tarnquill {

Variant CWinAPI::FindFilesAPI(std::string&, const std::string&, std::int16_t&, std::int16_t&, const HWND&, const Bool16&, const Bool16&)
{
    throw NotImplemented("CWinAPI::FindFilesAPI");
}

Variant CWinAPI::DiskSpace(const std::string&, double&, double&, double&)
{
    throw NotImplemented("CWinAPI::DiskSpace");
}

std::string CWinAPI::ComputerName(const std::int32_t&, const std::string&)
{
    throw NotImplemented("CWinAPI::ComputerName");
}

Variant CWinAPI::DiskVolumeInfo(std::string&, std::string&, const std::int32_t&, std::int32_t&, std::int32_t&, std::int32_t&, std::string&, const std::int32_t&)
{
    throw NotImplemented("CWinAPI::DiskVolumeInfo");
}

} // namespace tarnquill
