// SPDX-License-Identifier: MIT
#include "LinuxTestSupport.h"

#include "support/ClipboardOwner.h"

#include <QCoreApplication>

namespace tarnquill::test {

std::unique_ptr<ChildProcess> startHelper(const QStringList& arguments)
{
    const QString role = arguments.value(0);
    const QString tool = QString::fromStdString(ClipboardOwner::toolProgram());
    if (role == QLatin1String("--own-clipboard-and-hang"))
        return std::make_unique<ChildProcess>(tool, QStringList{QStringLiteral("hang"), arguments.value(1)});
    if (role != QLatin1String("--own-clipboard"))
        return std::make_unique<ChildProcess>(QCoreApplication::applicationFilePath(), arguments);
    QStringList targets{QStringLiteral("own")};
    for (const QString& pair : arguments.mid(1)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        const QString format = pair.left(equals);
        const QString value = pair.mid(equals + 1);
        if (format == QLatin1String("text"))
            targets << QStringLiteral("UTF8_STRING:") + value << QStringLiteral("text/plain;charset=utf-8:") + value;
        else
            targets << format + QLatin1Char(':') + value;
    }
    return std::make_unique<ChildProcess>(tool, targets);
}

registry::RegistryLocations registryLocationsIn(const std::filesystem::path& folder)
{
    registry::RegistryLocations where;
    where.userRegistry = folder / "user.sqlite3";
    where.machineRegistry = folder / "machine.sqlite3";
    where.userAutostart = folder / "autostart";
    where.machineAutostart = folder / "xdg-autostart";
    return where;
}

} // namespace tarnquill::test
