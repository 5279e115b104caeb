// SPDX-License-Identifier: MIT
#include "support/ChildProcess.h"

#include "support/QtWait.h"

#include <stdexcept>

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
    } catch (const std::runtime_error&) {
    }
}

bool ChildProcess::waitForLine(const QByteArray& line, int milliseconds)
{
    return m_process.waitForOutput((line + '\n').toStdString(), std::chrono::milliseconds(milliseconds));
}

bool ChildProcess::waitForExit(int milliseconds)
{
    return waitUntil(
        [this] {
            m_process.drainOutput();
            return !m_process.running();
        },
        milliseconds);
}

QByteArray ChildProcess::output()
{
    m_process.drainOutput();
    return QByteArray::fromStdString(m_process.stdoutText());
}

} // namespace tarnquill::test
