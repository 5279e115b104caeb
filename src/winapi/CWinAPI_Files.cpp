// SPDX-License-Identifier: MIT
// File search and machine information: the folder-tree search, disk space,
// volume data, and the computer and user names.

#include "winapi/CWinAPI.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace tarnquill {

namespace {

constexpr std::size_t kNameBufferSize = 255;
constexpr double kWordFactor = 4294967296.0;

std::string upToNul(const std::string& text)
{
    return text.substr(0, text.find('\0'));
}

template <std::size_t N>
std::string upToNul(const std::array<char, N>& field)
{
    return {field.begin(), std::find(field.begin(), field.end(), '\0')};
}

// One more in a caller's int16 counter; past 32,767 the counter keeps its
// value and the search ends with an overflow, as the counters are int16.
void countOne(std::int16_t& counter)
{
    if (counter == std::numeric_limits<std::int16_t>::max())
        throw RuntimeError(RuntimeError::kOverflow);
    ++counter;
}

bool isDotEntry(const std::string& name)
{
    return name == "." || name == "..";
}

// Both size words unsigned, so sizes of 2 GiB and beyond stay positive.
std::uint64_t entrySize(const Win32FindDataA& record)
{
    return (std::uint64_t{record.nFileSizeHigh} << 32) | record.nFileSizeLow;
}

// A search handle, closed whichever way the folder's loop ends (an overflow
// included), so an error leaves no search open behind it.
class SearchHandle final {
public:
    SearchHandle(Win32Api& api, HANDLE handle)
        : m_api(api)
        , m_handle(handle)
    {
    }
    ~SearchHandle()
    {
        if (valid())
            m_api.FindClose(m_handle);
    }
    SearchHandle(const SearchHandle&) = delete;
    SearchHandle& operator=(const SearchHandle&) = delete;

    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }

private:
    Win32Api& m_api;
    HANDLE m_handle;
};

} // namespace

Variant CWinAPI::FindFilesAPI(std::string& path, const std::string& SearchStr, std::int16_t& FileCount,
                              std::int16_t& DirCount, const HWND& handleListbox,
                              const Bool16& SendBackInFilename_PathFormat, const Bool16& DontLookInSubFolders)
{
    if (path.empty() || path.back() != '\\')
        path += '\\';
    // The class's total is exact: sizes add up in 64 bits, and the variant
    // carries it as a double, whole up to 2^53 bytes.
    std::uint64_t total = 0;
    bool counted = false;

    std::vector<std::string> folders;
    if (DontLookInSubFolders == kFalse) {
        Win32FindDataA record;
        const SearchHandle search(m_api, m_api.FindFirstFileA(path + "*", record));
        if (search.valid()) {
            bool more = true;
            while (more) {
                const std::string name = upToNul(record.cFileName);
                // An entry whose attributes cannot be read has every bit set,
                // the folder bit included, and is searched as a folder.
                if (!isDotEntry(name) && (m_api.GetFileAttributesA(path + name) & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    if (folders.size() == static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
                        throw RuntimeError(RuntimeError::kOverflow);
                    folders.push_back(name);
                    countOne(DirCount);
                }
                more = m_api.FindNextFileA(search.get(), record) != 0;
                m_api.DoEvents();
            }
        }
    }

    {
        Win32FindDataA record;
        const SearchHandle search(m_api, m_api.FindFirstFileA(path + SearchStr, record));
        if (search.valid()) {
            bool more = true;
            while (more) {
                const std::string name = upToNul(record.cFileName);
                m_api.DoEvents();
                if (!isDotEntry(name)) {
                    total += entrySize(record);
                    counted = true;
                    countOne(FileCount);
                    const std::string line = SendBackInFilename_PathFormat != kFalse ? name + "\t" + path : path + name;
                    m_api.SendMessageA(handleListbox, LB_ADDSTRING, -1, line);
                }
                more = m_api.FindNextFileA(search.get(), record) != 0;
            }
        }
    }

    double totalValue = static_cast<double>(total);
    for (const std::string& folder : folders) {
        m_api.DoEvents();
        std::string subfolder = path + folder + "\\";
        const Variant subtotal = FindFilesAPI(subfolder, SearchStr, FileCount, DirCount, handleListbox,
                                              SendBackInFilename_PathFormat, kFalse);
        if (!std::holds_alternative<std::monostate>(subtotal)) {
            totalValue += toDouble(subtotal);
            counted = true;
        }
    }
    // Nothing counted anywhere below: the total stays empty.
    if (!counted)
        return {};
    return totalValue;
}

Variant CWinAPI::DiskSpace(const std::string& sPath, double& dFree, double& dUsed, double& dTotal)
{
    const std::string root = sPath.substr(0, 1) + ":\\";
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    // The outputs are read whatever the result: a missing drive leaves them 0.
    m_api.GetDiskFreeSpaceA(root, sectorsPerCluster, bytesPerSector, freeClusters, totalClusters);
    const double clusterBytes = static_cast<double>(bytesPerSector) * static_cast<double>(sectorsPerCluster);
    dFree = clusterBytes * static_cast<double>(freeClusters);
    dTotal = clusterBytes * static_cast<double>(totalClusters);
    dUsed = dTotal - dFree;
    return {};
}

std::string CWinAPI::ComputerName(const std::int32_t& func, const std::string& CmpName)
{
    std::string buffer(kNameBufferSize, ' ');
    DWORD size = kNameBufferSize;
    switch (func) {
    case 0:
        m_api.GetComputerNameA(buffer, size);
        return upToNul(buffer);
    case 1:
        if (!CmpName.empty())
            m_api.SetComputerNameA(CmpName);
        return {};
    case 2:
        m_api.GetUserNameA(buffer, size);
        return upToNul(buffer);
    default:
        return {};
    }
}

Variant CWinAPI::DiskVolumeInfo(std::string& sPath, std::string& sDriveName, const std::int32_t& lLength,
                                std::int32_t& lSerialNo, std::int32_t& lMaximumChar, std::int32_t& lFileSystemFlags,
                                std::string& sNameOfFileSystem, const std::int32_t& lLeng)
{
    // The seam never writes past a buffer's own end, so a size larger than
    // the caller's text cannot overrun it.
    DWORD serial = static_cast<DWORD>(lSerialNo);
    DWORD longest = static_cast<DWORD>(lMaximumChar);
    DWORD flags = static_cast<DWORD>(lFileSystemFlags);
    m_api.GetVolumeInformationA(sPath, sDriveName, static_cast<DWORD>(lLength), serial, longest, flags,
                                sNameOfFileSystem, static_cast<DWORD>(lLeng));
    lSerialNo = static_cast<std::int32_t>(serial);
    lMaximumChar = static_cast<std::int32_t>(longest);
    lFileSystemFlags = static_cast<std::int32_t>(flags);
    return {};
}

} // namespace tarnquill
