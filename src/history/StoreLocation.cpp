#include "history/StoreLocation.h"

namespace tarnquill {

std::filesystem::path chooseStoreFolder(FileSystem& files, const std::filesystem::path& programFolder,
                                        const std::filesystem::path& userDataFolder)
{
    if (files.isWritableFolder(programFolder, false))
        return programFolder;
    if (!userDataFolder.empty() && files.isWritableFolder(userDataFolder, true))
        return userDataFolder;
    return programFolder;
}

} // namespace tarnquill
