// SPDX-License-Identifier: MIT
// Shell operations: opening files, addresses and mail with their programs, the
// recycle bin, Windows-key shortcuts, the recent-documents list, file icons and
// type names, and the system folders.

#include "winapi/CWinAPI.h"

#include <algorithm>
#include <cctype>

namespace tarnquill {

namespace {

constexpr const char* kOpen = "Open";
// The shell's open-with dialog for the file named after it (no quotes added).
constexpr const char* kOpenWithPrefix = "rundll32.exe shell32.dll,OpenAs_RunDLL ";
constexpr const char* kExplorer = "explorer.exe";
// The recycle bin's shell class as the explorer's root.
constexpr const char* kRecycleBinRoot = "/root,::{645FF040-5081-101B-9F08-00AA002F954E}";
constexpr HINSTANCE kFirstSuccess = 32;

constexpr UINT kSmallIconLookup =
    SHGFI_SYSICONINDEX | SHGFI_EXETYPE | SHGFI_TYPENAME | SHGFI_DISPLAYNAME | SHGFI_SHELLICONSIZE | SHGFI_SMALLICON;
constexpr UINT kLargeIconLookup = kSmallIconLookup & ~SHGFI_SMALLICON;

constexpr UINT kFolderBufferSize = 256;

template <std::size_t N>
std::string fieldUpToNul(const std::array<char, N>& field)
{
    const auto end = std::find(field.begin(), field.end(), '\0');
    return {field.begin(), end};
}

// The open-with dialog for a file no program opened, started without waiting.
// A command that cannot be started at all is the caller's error; what the
// user then chooses is not.
void openWithFallback(Win32Api& api, const std::string& sFile)
{
    if (api.WinExec(kOpenWithPrefix + sFile, SW_SHOWNORMAL) < static_cast<UINT>(kFirstSuccess))
        throw RuntimeError(RuntimeError::kFileNotFound);
}

} // namespace

Variant CWinAPI::GetSystemFolders(const std::int32_t& func)
{
    std::string buffer(kFolderBufferSize, ' ');
    switch (func) {
    case 0:
        m_api.GetWindowsDirectoryA(buffer, kFolderBufferSize);
        break;
    case 1:
        m_api.GetSystemDirectoryA(buffer, kFolderBufferSize);
        break;
    case 2:
        m_api.GetTempPathA(kFolderBufferSize, buffer);
        break;
    default:
        return {};
    }
    // The count returned is not used: a buffer the platform left alone comes
    // back as its 256 spaces.
    return buffer.substr(0, buffer.find('\0'));
}

void CWinAPI::Launch(const std::int32_t& func)
{
    static constexpr BYTE kKeys[] = {'E', 'F', 'M', 'R', VK_LWIN, 0x70 /* F1 */};
    const BYTE key = func >= 0 && func < static_cast<std::int32_t>(std::size(kKeys)) ? kKeys[func] : 0;
    // Only the Windows key is released; the shortcut fires on its release.
    m_api.keybd_event(VK_LWIN, 0, 0, 0);
    m_api.keybd_event(key, 0, 0, 0);
    m_api.keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
}

void CWinAPI::RetrieveIcon(const std::string& fName, const HDC& DC, const std::int32_t& icnSize)
{
    UINT flags = 0;
    if (icnSize == 16)
        flags = kSmallIconLookup;
    else if (icnSize == 32)
        flags = kLargeIconLookup;
    else
        return;
    const HIMAGELIST list = m_api.SHGetFileInfoA(fName, 0, m_fileInfo, ShFileInfoA::kSize, flags);
    m_api.ImageList_Draw(list, m_fileInfo.iIcon, DC, 0, 0, ILD_TRANSPARENT);
}

std::string CWinAPI::RetrieveFileTypeName(const std::string& fName)
{
    // The record is not cleared: an unknown file keeps the last type name.
    m_api.SHGetFileInfoA(fName, 0, m_fileInfo, ShFileInfoA::kSize, kSmallIconLookup);
    return fieldUpToNul(m_fileInfo.szTypeName);
}

void CWinAPI::DocumentList(std::string& func, const std::string& sName)
{
    std::transform(func.begin(), func.end(), func.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (func == "CLEAR")
        m_api.SHAddToRecentDocs(SHARD_PATH, std::nullopt);
    else if (func == "ADD")
        m_api.SHAddToRecentDocs(SHARD_PATH, sName);
}

void CWinAPI::ShowRecycleBin(const HWND& h)
{
    m_api.ShellExecuteA(h, kOpen, kExplorer, std::string(kRecycleBinRoot), std::nullopt, SW_SHOWNORMAL);
}

void CWinAPI::OpenWebSite(const std::string& sFile, const HWND& handle)
{
    if (m_api.ShellExecuteA(handle, kOpen, sFile, std::nullopt, std::nullopt, SW_SHOWMAXIMIZED) < kFirstSuccess)
        openWithFallback(m_api, sFile);
}

void CWinAPI::ExecuteFile(const std::string& sFile, const HWND& handle, const std::string& sParams)
{
    if (m_api.ShellExecuteA(handle, kOpen, sFile, sParams, std::nullopt, SW_SHOWMAXIMIZED) < kFirstSuccess)
        openWithFallback(m_api, sFile);
}

void CWinAPI::SendEmail(std::string& address, const HWND& handle)
{
    address = "mailto:" + address;
    m_api.ShellExecuteA(handle, kOpen, address, std::nullopt, std::nullopt, SW_SHOWMAXIMIZED);
}

} // namespace tarnquill
