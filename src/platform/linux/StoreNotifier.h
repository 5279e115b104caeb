// SPDX-License-Identifier: MIT
#pragma once

#include "history/StoreWriter.h"

namespace tarnquill {

class Notifier;

// Tells the user when the store cannot be saved (once per failure episode,
// naming the file and the reason) and when saving works again, through the
// program's notifier. Callable from any thread.
class StoreNotifier final : public StoreStatusListener {
public:
    explicit StoreNotifier(Notifier& notifier);

    void storeSaveFailed(const std::filesystem::path& file, const std::string& reason) override;
    void storeSaveRecovered(const std::filesystem::path& file) override;

private:
    Notifier& m_notifier;
};

} // namespace tarnquill
