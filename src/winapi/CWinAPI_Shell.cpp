// Shell operations: opening files, addresses and mail with their programs, the
// recycle bin, Windows-key shortcuts, the recent-documents list, file icons and
// type names, and the system folders.
//
// Not written yet: each member raises NotImplemented.

#include "winapi/CWinAPI.h"

namespace tarnquill {

Variant CWinAPI::GetSystemFolders(const std::int32_t&)
{
    throw NotImplemented("CWinAPI::GetSystemFolders");
}

void CWinAPI::Launch(const std::int32_t&)
{
    throw NotImplemented("CWinAPI::Launch");
}

void CWinAPI::RetrieveIcon(const std::string&, const HDC&, const std::int32_t&)
{
    throw NotImplemented("CWinAPI::RetrieveIcon");
}

std::string CWinAPI::RetrieveFileTypeName(const std::string&)
{
    throw NotImplemented("CWinAPI::RetrieveFileTypeName");
}

void CWinAPI::DocumentList(std::string&, const std::string&)
{
    throw NotImplemented("CWinAPI::DocumentList");
}

void CWinAPI::ShowRecycleBin(const HWND&)
{
    throw NotImplemented("CWinAPI::ShowRecycleBin");
}

void CWinAPI::OpenWebSite(const std::string&, const HWND&)
{
    throw NotImplemented("CWinAPI::OpenWebSite");
}

void CWinAPI::ExecuteFile(const std::string&, const HWND&, const std::string&)
{
    throw NotImplemented("CWinAPI::ExecuteFile");
}

void CWinAPI::SendEmail(std::string&, const HWND&)
{
    throw NotImplemented("CWinAPI::SendEmail");
}

} // namespace tarnquill
