// SPDX-License-Identifier: MIT
#include "support/ChildProcess.h"

#include "support/QtWait.h"

#include <system_error>

namespace tarnquill::test {

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    std::vector<std::string> argv{program.toStdString()};
    for (const QString& argument : arguments)
        argv.push_back(argument.toStdString());
    SpawnOptions options;
    options.input = input.toStdString();
    options.pipeStdout = true;
    try {
        m_process = Process::spawn(argv, options);
    } catch (const std::system_error&) {
    }
}

bool ChildProcess::waitForExit(int milliseconds)
{
    return waitUntil([this] { return m_process.drainOutput(), !m_process.running(); }, milliseconds);
}

} // namespace tarnquill::test
