// SPDX-License-Identifier: MIT
#include "LinuxTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cstdlib>
#include <string>
#include <system_error>

namespace tarnquill::test {

bool waitUntil(const std::function<bool()>& condition, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void settle(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(program, arguments);
    if (m_process.waitForStarted(10000)) {
        if (!input.isEmpty())
            m_process.write(input);
        m_process.closeWriteChannel();
    }
}

ChildProcess::~ChildProcess()
{
    end();
}

bool ChildProcess::waitForLine(const QByteArray& line, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!output().contains(line + '\n')) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(10);
    }
    return true;
}

bool ChildProcess::waitForExit(int milliseconds)
{
    return waitUntil(
        [this] {
            output();
            return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(5);
        },
        milliseconds);
}

void ChildProcess::end()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // QProcess signals its own child's process id, never a name.
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

std::unique_ptr<ChildProcess> startHelper(const QStringList& arguments)
{
    return std::make_unique<ChildProcess>(QCoreApplication::applicationFilePath(), arguments);
}

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnquill-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

TempFolder::~TempFolder()
{
    if (m_path.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
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
