// SPDX-License-Identifier: MIT
#pragma once

// A Process in the words of a Qt test: Qt strings in and out, and a wait for
// its end that keeps serving this process's events (the child may be asking
// this process for the clipboard meanwhile).

#include "support/Process.h"
#include "support/QtWait.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <system_error>

namespace tarnquill::test {

// A program this test started, `input` on its stdin, stdout read by output()
// and stderr dropped; ended by its pid when the object goes. A program that
// cannot start reads as one that has ended.
class ChildProcess final {
public:
    ChildProcess(const QString& program, const QStringList& arguments, const QByteArray& input = {})
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

    // Waits for the child to print `line` on its standard output.
    bool waitForLine(const QByteArray& line, int milliseconds = 10000)
    {
        return m_process.waitForOutput((line + '\n').toStdString(), std::chrono::milliseconds(milliseconds));
    }
    // Waits for the child to end while serving this process's events.
    bool waitForExit(int milliseconds = 10000)
    {
        return waitUntil([this] { return m_process.drainOutput(), !m_process.running(); }, milliseconds);
    }

    // Everything it printed so far.
    QByteArray output()
    {
        m_process.drainOutput();
        return QByteArray::fromStdString(m_process.stdoutText());
    }

private:
    Process m_process;
};

} // namespace tarnquill::test
