// SPDX-License-Identifier: MIT
#pragma once

// Child processes for tests on Linux: started from an argument vector (never
// through a shell) and ended by their process id, never by name.

#include "support/Wait.h"

#include <sys/types.h>
#include <sys/wait.h>

#include <filesystem>
#include <map>
#include <memory>
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
    // Pipes this process reads from. A stream not piped goes to outputFile
    // (appended) or to /dev/null, so a chatty child never blocks on a pipe
    // nobody reads.
    bool pipeStdout = false;
    bool pipeStderr = false;
    std::filesystem::path outputFile;
};

// How a child ended, as waitpid reports it.
struct ExitStatus {
    int raw = 0;
    bool exited() const { return WIFEXITED(raw); }
    int exitCode() const { return exited() ? WEXITSTATUS(raw) : -1; }
    bool success() const { return exited() && exitCode() == 0; }
    std::string describe() const;
};

// A child process. Its end (the object's, or the moved-over one's) ends a
// child that still runs (SIGKILL to its pid) and reaps it, so no test leaves
// anything running behind it.
class Process final {
public:
    // Starts argv[0] (looked up in PATH when it holds no slash). Throws
    // std::system_error when the program cannot be started.
    static Process spawn(const std::vector<std::string>& argv, const SpawnOptions& options = {});

    pid_t pid() const { return m_child->pid; }
    // True while the child has not ended; reaps it when it has.
    bool running();

    // Waits up to `timeout` for the child to end, reading its output meanwhile.
    std::optional<ExitStatus> wait(std::chrono::milliseconds timeout);
    void sendSignal(int signalNumber) const;
    // SIGTERM, then SIGKILL when it has not ended within `grace`.
    ExitStatus terminate(std::chrono::milliseconds grace = 5s);
    ExitStatus kill() { return m_child->kill(); }

    // Reads what the child has written so far without blocking (pipeStdout /
    // pipeStderr) and appends it to stdoutText() / stderrText().
    void drainOutput();
    // Waits until the child's stdout or stderr holds `needle`; false on
    // timeout or when the child ends first.
    bool waitForOutput(std::string_view needle, std::chrono::milliseconds timeout);
    const std::string& stdoutText() const { return m_child->out; }
    const std::string& stderrText() const { return m_child->err; }

private:
    struct Child {
        pid_t pid = -1;
        std::optional<ExitStatus> status;
        int outFd = -1;
        int errFd = -1;
        std::string out;
        std::string err;
        ExitStatus kill();
        ~Child();
    };
    std::unique_ptr<Child> m_child = std::make_unique<Child>();
};

// A program run to its end: its status and output.
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
