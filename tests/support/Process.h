// SPDX-License-Identifier: MIT
#pragma once

// Child processes for tests on Linux: started from an argument vector (never
// through a shell) and ended by their process id, never by name.

#include "support/Wait.h"

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnquill::test {

// Variables to set (a value) or to remove (nullopt) on top of this process's
// environment.
using EnvOverrides = std::map<std::string, std::optional<std::string>>;

struct SpawnOptions {
    EnvOverrides env;
    // Empty: the child inherits this process's working folder.
    std::filesystem::path workingDirectory;
    // What the child reads on stdin before its end; none: /dev/null.
    std::optional<std::string> input;
    // Pipes this process reads from; otherwise the stream is /dev/null, so
    // a chatty child never blocks on a pipe nobody reads.
    bool pipeStdout = false;
    bool pipeStderr = false;
    // When set, stdout and stderr (those not piped) are appended to this
    // file: for long-running children whose output nobody reads.
    std::filesystem::path outputFile;
};

// How a child ended, as waitpid reports it.
struct ExitStatus {
    int raw = 0;
    bool exited() const;
    int exitCode() const; // -1 unless exited()
    bool success() const { return exited() && exitCode() == 0; }
    std::string describe() const;
};

// A child process. The destructor ends a child that still runs (SIGKILL to
// its pid) and reaps it, so no test leaves anything running behind it.
class Process final {
public:
    Process() = default;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    // Starts argv[0] (looked up in PATH when it holds no slash). Throws
    // std::runtime_error when the program cannot be started.
    static Process spawn(const std::vector<std::string>& argv, const SpawnOptions& options = {});

    pid_t pid() const { return m_pid; }
    bool valid() const { return m_pid > 0; }
    // True while the child has not ended; reaps it when it has.
    bool running();
    // The exit status once the child has ended and been reaped.
    std::optional<ExitStatus> status() const { return m_status; }

    // Waits up to `timeout` for the child to end, reading its output meanwhile.
    std::optional<ExitStatus> wait(std::chrono::milliseconds timeout);
    void sendSignal(int signalNumber) const;
    // SIGTERM, then SIGKILL when it has not ended within `grace`.
    ExitStatus terminate(std::chrono::milliseconds grace = 5s);
    ExitStatus kill();

    // Reads what the child has written so far without blocking (pipeStdout /
    // pipeStderr) and appends it to stdoutText() / stderrText().
    void drainOutput();
    // Waits until the child's stdout or stderr holds `needle`; false on
    // timeout or when the child ends first.
    bool waitForOutput(std::string_view needle, std::chrono::milliseconds timeout);
    const std::string& stdoutText() const { return m_stdout; }
    const std::string& stderrText() const { return m_stderr; }

private:
    void closeAll();

    pid_t m_pid = -1;
    std::optional<ExitStatus> m_status;
    int m_stdoutFd = -1;
    int m_stderrFd = -1;
    std::string m_stdout;
    std::string m_stderr;
};

struct RunResult {
    ExitStatus status;
    std::string out;
    std::string err;
    bool timedOut = false;
    bool ok() const { return !timedOut && status.success(); }
};

// Runs a program to its end and collects its output; a child still running
// after `timeout` is killed.
RunResult run(const std::vector<std::string>& argv, const SpawnOptions& options = {},
              std::chrono::milliseconds timeout = 10s);

// The full path of a program in PATH, or empty.
std::filesystem::path findProgram(std::string_view name);

// The CPU time the process has used so far, all its threads together
// (/proc/PID/task/*/schedstat); 0 when it has gone.
std::chrono::nanoseconds cpuTime(pid_t pid);

} // namespace tarnquill::test
