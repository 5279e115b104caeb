// SPDX-License-Identifier: MIT
#include "support/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace tarnquill::test {

namespace fs = std::filesystem;

namespace {

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Both ends close on exec, so no child holds another child's pipe open; the
// child's end is dup2'ed onto its stream, which clears that flag.
struct Pipe {
    int ends[2] = {-1, -1};
    explicit Pipe(bool wanted)
    {
        if (wanted && ::pipe2(ends, O_CLOEXEC) != 0)
            throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe()
    {
        closeFd(ends[0]);
        closeFd(ends[1]);
    }
};

std::vector<std::string> mergedEnvironment(const EnvOverrides& overrides)
{
    std::vector<std::string> result;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        if (!overrides.contains(std::string(text.substr(0, text.find('=')))))
            result.emplace_back(text);
    }
    for (const auto& [name, value] : overrides)
        if (value)
            result.push_back(name + "=" + *value);
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// Appends what `fd` holds now to `into`; closes it at the end of the stream.
void readAvailable(int& fd, std::string& into)
{
    char buffer[65536];
    ssize_t n = 0;
    while (fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0)
        into.append(buffer, static_cast<std::size_t>(n));
    if (n == 0)
        closeFd(fd);
}

} // namespace

std::string ExitStatus::describe() const
{
    if (exited())
        return "exit code " + std::to_string(exitCode());
    if (WIFSIGNALED(raw))
        return std::string("signal ") + ::strsignal(WTERMSIG(raw));
    return "status " + std::to_string(raw);
}

ExitStatus Process::Child::kill()
{
    if (pid > 0 && !status) {
        ::kill(pid, SIGKILL);
        int raw = 0;
        while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
        }
        status = ExitStatus{raw};
    }
    return status.value_or(ExitStatus{});
}

Process::Child::~Child()
{
    kill();
    closeFd(outFd);
    closeFd(errFd);
}

Process Process::spawn(const std::vector<std::string>& argv, const SpawnOptions& options)
{
    // Writing to a child that has gone must come back as EPIPE, not end the
    // test program.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args = argv;
    std::vector<std::string> env = mergedEnvironment(options.env);
    const auto argp = pointers(args);
    const auto envp = pointers(env);
    const std::string output = options.outputFile.empty() ? "/dev/null" : options.outputFile.string();
    Pipe in(options.input.has_value()), out(options.pipeStdout), err(options.pipeStderr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const auto stream = [&](int fd, int pipeEnd, const char* file, int flags) {
        if (pipeEnd >= 0)
            posix_spawn_file_actions_adddup2(&actions, pipeEnd, fd);
        else
            posix_spawn_file_actions_addopen(&actions, fd, file, flags, 0644);
    };
    stream(0, in.ends[0], "/dev/null", O_RDONLY);
    stream(1, out.ends[1], output.c_str(), O_WRONLY | O_CREAT | O_APPEND);
    stream(2, err.ends[1], output.c_str(), O_WRONLY | O_CREAT | O_APPEND);
    if (!options.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
    // Default signal handling and no blocked signals, whatever this test
    // program set for itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    Process process;
    const int error = ::posix_spawnp(&process.m_child->pid, argp[0], &actions, &attributes, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        throw std::system_error(error, std::generic_category(), "cannot start " + argv[0]);

    // A child that ends without reading it all leaves EPIPE here.
    closeFd(in.ends[0]);
    for (std::string_view rest = options.input ? *options.input : std::string_view(); !rest.empty();) {
        const ssize_t n = ::write(in.ends[1], rest.data(), rest.size());
        if (n < 0 && errno != EINTR)
            break;
        rest.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    process.m_child->outFd = std::exchange(out.ends[0], -1);
    process.m_child->errFd = std::exchange(err.ends[0], -1);
    for (int fd : {process.m_child->outFd, process.m_child->errFd})
        if (fd >= 0)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return process;
}

bool Process::running()
{
    if (m_child->pid <= 0 || m_child->status)
        return false;
    int raw = 0;
    const pid_t r = ::waitpid(m_child->pid, &raw, WNOHANG);
    if (r == m_child->pid)
        m_child->status = ExitStatus{raw};
    return r == 0;
}

std::optional<ExitStatus> Process::wait(std::chrono::milliseconds timeout)
{
    waitUntil([&] { return drainOutput(), !running(); }, timeout, [] { std::this_thread::sleep_for(2ms); });
    drainOutput();
    return m_child->status;
}

void Process::sendSignal(int signalNumber) const
{
    if (m_child->pid > 0 && !m_child->status)
        ::kill(m_child->pid, signalNumber);
}

ExitStatus Process::terminate(std::chrono::milliseconds grace)
{
    sendSignal(SIGTERM);
    if (auto status = wait(grace))
        return *status;
    return kill();
}

void Process::drainOutput()
{
    readAvailable(m_child->outFd, m_child->out);
    readAvailable(m_child->errFd, m_child->err);
}

bool Process::waitForOutput(std::string_view needle, std::chrono::milliseconds timeout)
{
    const auto found = [&] {
        drainOutput();
        return stdoutText().find(needle) != std::string::npos || stderrText().find(needle) != std::string::npos;
    };
    const auto over = [&] { return found() || (m_child->outFd < 0 && m_child->errFd < 0 && !running()); };
    return waitUntil(over, timeout, [] { std::this_thread::sleep_for(2ms); }) && found();
}

RunResult run(const std::vector<std::string>& argv, const SpawnOptions& options, std::chrono::milliseconds timeout)
{
    SpawnOptions piped = options;
    piped.pipeStdout = piped.pipeStderr = true;
    Process process = Process::spawn(argv, piped);
    const auto status = process.wait(timeout);
    const ExitStatus ended = process.kill(); // its status, or the kill's when it still ran
    process.drainOutput();
    return {ended, process.stdoutText(), process.stderrText(), !status};
}

fs::path findProgram(std::string_view name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/local/bin:/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && ::access((fs::path(dir) / name).c_str(), X_OK) == 0)
            return fs::path(dir) / name;
    return {};
}

std::chrono::nanoseconds cpuTime(pid_t pid)
{
    std::chrono::nanoseconds total{0};
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream in(task.path() / "schedstat");
        long long ns = 0;
        if (in >> ns)
            total += std::chrono::nanoseconds(ns);
    }
    return total;
}

} // namespace tarnquill::test
