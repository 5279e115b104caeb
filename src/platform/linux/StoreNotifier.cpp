// SPDX-License-Identifier: MIT
#include "platform/linux/StoreNotifier.h"

#include "platform/linux/DesktopNotification.h"

namespace tarnquill {

StoreNotifier::StoreNotifier(Notifier& notifier)
    : m_notifier(notifier)
{
}

void StoreNotifier::storeSaveFailed(const std::filesystem::path& file, const std::string& reason)
{
    const QString body = QStringLiteral("%1 cannot be written: %2. The history is kept in memory and saved "
                                        "again with the next copy and at exit.")
                             .arg(QString::fromStdString(file.string()), QString::fromStdString(reason));
    m_notifier.notify(QStringLiteral("Tarnquill cannot save its history"), body, NoticeLevel::Warning);
}

void StoreNotifier::storeSaveRecovered(const std::filesystem::path& file)
{
    const QString body = QStringLiteral("%1 is saved again; nothing was lost.").arg(QString::fromStdString(file.string()));
    m_notifier.notify(QStringLiteral("Tarnquill saves its history again"), body, NoticeLevel::Information);
}

} // namespace tarnquill
