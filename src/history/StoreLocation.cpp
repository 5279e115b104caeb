#include "history/StoreLocation.h"

namespace tarnquill {

std::filesystem::path chooseStoreFolder(FileSystem& files, const std::filesystem::path& programFolder,
                                        const std::filesystem::path& userDataFolder, bool programInstalled)
{
    if (programInstalled && !userDataFolder.empty()) {
        // Created when missing; a folder that cannot be written still
        // takes the store, whose saves then report the failure.
        files.isWritableFolder(userDataFolder, true);
        return userDataFolder;
    }
    if (files.isWritableFolder(programFolder, false))
        return programFolder;
    if (!userDataFolder.empty() && files.isWritableFolder(userDataFolder, true))
        return userDataFolder;
    return programFolder;
}

} // namespace tarnquill
