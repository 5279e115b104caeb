// SPDX-License-Identifier: MIT
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

namespace {

// Six letters and digits; the older names (legacy) also need one capital or
// digit, so that a word such as "backup" is not taken for one.
bool isTemporarySuffix(std::string_view suffix, bool legacy)
{
    if (suffix.size() != 6)
        return false;
    bool randomLooking = !legacy;
    for (const char c : suffix) {
        const bool lower = c >= 'a' && c <= 'z';
        const bool other = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!lower && !other)
            return false;
        randomLooking = randomLooking || other;
    }
    return randomLooking;
}

} // namespace

bool isLeftoverOfStore(std::string_view storeName, std::string_view candidate)
{
    if (candidate.size() <= storeName.size() || candidate.substr(0, storeName.size()) != storeName)
        return false;
    std::string_view rest = candidate.substr(storeName.size());
    for (const std::string_view journal : {".journal-next", ".journal"}) {
        if (rest.substr(0, journal.size()) == journal) {
            rest.remove_prefix(journal.size());
            break;
        }
    }
    if (rest.substr(0, kTemporaryInfix.size()) == kTemporaryInfix)
        return isTemporarySuffix(rest.substr(kTemporaryInfix.size()), false);
    return rest.substr(0, 1) == "." && isTemporarySuffix(rest.substr(1), true);
}

} // namespace tarnquill
