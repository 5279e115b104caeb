// SPDX-License-Identifier: MIT
#include "LinuxTestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <cstdlib>

namespace tarnquill::test {

std::string output(const std::vector<std::string>& argv)
{
    SpawnOptions options;
    options.pipeStdout = true;
    std::string out = run(argv, options).out;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value)
    : m_name(std::move(name))
{
    if (const char* previous = std::getenv(m_name.c_str()))
        m_previous = previous;
    ::setenv(m_name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    m_previous ? ::setenv(m_name.c_str(), m_previous->c_str(), 1) : ::unsetenv(m_name.c_str());
}

MockBus::MockBus(const TempFolder& folder, const std::string& variable, const std::vector<std::string>& mockArguments,
                 const QString& service)
    : m_log(folder / "mock.log")
{
    SpawnOptions daemon;
    daemon.pipeStdout = true;
    m_daemon = Process::spawn({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, daemon);
    if (!m_daemon.waitForOutput("\n", 10s))
        return;
    m_address = m_daemon.stdoutText().substr(0, m_daemon.stdoutText().find('\n'));
    m_variable.emplace(variable, m_address);
    std::vector<std::string> mock = {"/usr/bin/python3", "-m", "dbusmock"};
    mock.insert(mock.end(), mockArguments.begin(), mockArguments.end());
    mock.insert(mock.end(), {"-l", m_log.string()});
    m_mock = Process::spawn(mock);
    const QString name = QStringLiteral("mock bus ") + QString::fromStdString(m_address);
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(m_address), name);
    m_up = waitUntil([&] { return bus.interface()->isServiceRegistered(service).value(); });
    QDBusConnection::disconnectFromBus(name);
}

std::string MockBus::log() const
{
    return readFile(m_log).value_or("");
}

} // namespace tarnquill::test
