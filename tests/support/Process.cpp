// SPDX-License-Identifier: MIT
#include "support/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarnquill::test {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what, int error = errno)
{
    throw std::system_error(error, std::generic_category(), what);
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Both ends close on exec, so no child holds another child's pipe open.
struct Pipe {
    int read = -1;
    int write = -1;
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    explicit Pipe(bool wanted)
    {
        int fds[2];
        if (wanted && ::pipe2(fds, O_CLOEXEC) != 0)
            fail("pipe2");
        if (wanted)
            std::tie(read, write) = std::pair(fds[0], fds[1]);
    }
    ~Pipe()
    {
        closeFd(read);
        closeFd(write);
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

// In the child, between fork and exec: plain system calls only.
void redirect(int fd, int pipeEnd, const char* file, int flags)
{
    const int source = pipeEnd >= 0 ? pipeEnd : ::open(file, flags, 0644);
    if (source < 0 || ::dup2(source, fd) < 0)
        ::_exit(127);
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

bool ExitStatus::exited() const { return WIFEXITED(raw); }
int ExitStatus::exitCode() const { return exited() ? WEXITSTATUS(raw) : -1; }

std::string ExitStatus::describe() const
{
    if (exited())
        return "exit code " + std::to_string(exitCode());
    if (WIFSIGNALED(raw))
        return std::string("signal ") + ::strsignal(WTERMSIG(raw));
    return "status " + std::to_string(raw);
}

Process::Process(Process&& other) noexcept
{
    *this = std::move(other);
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        kill();
        closeAll();
        m_pid = std::exchange(other.m_pid, -1);
        m_status = std::exchange(other.m_status, std::nullopt);
        m_stdoutFd = std::exchange(other.m_stdoutFd, -1);
        m_stderrFd = std::exchange(other.m_stderrFd, -1);
        m_stdout = std::move(other.m_stdout);
        m_stderr = std::move(other.m_stderr);
    }
    return *this;
}

Process::~Process()
{
    kill();
    closeAll();
}

void Process::closeAll()
{
    closeFd(m_stdoutFd);
    closeFd(m_stderrFd);
}

Process Process::spawn(const std::vector<std::string>& argv, const SpawnOptions& options)
{
    if (argv.empty())
        throw std::invalid_argument("Process::spawn: empty argument vector");
    // Writing to a child that has gone must come back as EPIPE, not end the
    // test program.
    std::signal(SIGPIPE, SIG_IGN);
    // Everything the child needs is made before the fork: a test program has
    // threads (Qt's, at least), and after fork only system calls are safe.
    std::vector<std::string> args = argv;
    std::vector<std::string> env = mergedEnvironment(options.env);
    const auto argp = pointers(args);
    const auto envp = pointers(env);
    const std::string output = options.outputFile.empty() ? "/dev/null" : options.outputFile.string();
    const std::string folder = options.workingDirectory.string();
    Pipe in(options.input.has_value()), out(options.pipeStdout), err(options.pipeStderr), report(true);

    const pid_t pid = ::fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        redirect(0, in.read, "/dev/null", O_RDONLY);
        redirect(1, out.write, output.c_str(), O_WRONLY | O_CREAT | O_APPEND);
        redirect(2, err.write, output.c_str(), O_WRONLY | O_CREAT | O_APPEND);
        // Default signal handling and no blocked signals, whatever this test
        // program set for itself.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int signalNumber : {SIGPIPE, SIGTERM, SIGINT, SIGHUP})
            std::signal(signalNumber, SIG_DFL);
        if (folder.empty() || ::chdir(folder.c_str()) == 0)
            ::execvpe(argp[0], argp.data(), envp.data());
        const int error = errno;
        (void)!::write(report.write, &error, sizeof error);
        ::_exit(127);
    }
    closeFd(report.write);
    int error = 0;
    if (::read(report.read, &error, sizeof error) == sizeof error) {
        ::waitpid(pid, nullptr, 0);
        fail("cannot start " + argv[0], error);
    }

    Process process;
    process.m_pid = pid;
    // A child that ends without reading it all leaves EPIPE here.
    closeFd(in.read);
    for (std::string_view rest = options.input ? *options.input : std::string_view(); !rest.empty();) {
        const ssize_t n = ::write(in.write, rest.data(), rest.size());
        if (n < 0 && errno != EINTR)
            break;
        rest.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    process.m_stdoutFd = std::exchange(out.read, -1);
    process.m_stderrFd = std::exchange(err.read, -1);
    for (int fd : {process.m_stdoutFd, process.m_stderrFd})
        if (fd >= 0)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return process;
}

bool Process::running()
{
    if (!valid() || m_status)
        return false;
    int raw = 0;
    const pid_t r = ::waitpid(m_pid, &raw, WNOHANG);
    if (r == m_pid)
        m_status = ExitStatus{raw};
    return r == 0;
}

std::optional<ExitStatus> Process::wait(std::chrono::milliseconds timeout)
{
    const auto ended = [&] {
        drainOutput();
        return !running();
    };
    waitUntil(ended, timeout, [] { std::this_thread::sleep_for(2ms); });
    drainOutput();
    return m_status;
}

void Process::sendSignal(int signalNumber) const
{
    if (valid() && !m_status)
        ::kill(m_pid, signalNumber);
}

ExitStatus Process::terminate(std::chrono::milliseconds grace)
{
    sendSignal(SIGTERM);
    if (auto status = wait(grace))
        return *status;
    return kill();
}

ExitStatus Process::kill()
{
    if (valid() && !m_status) {
        ::kill(m_pid, SIGKILL);
        int raw = 0;
        while (::waitpid(m_pid, &raw, 0) < 0 && errno == EINTR) {
        }
        m_status = ExitStatus{raw};
    }
    return m_status.value_or(ExitStatus{});
}

void Process::drainOutput()
{
    readAvailable(m_stdoutFd, m_stdout);
    readAvailable(m_stderrFd, m_stderr);
}

bool Process::waitForOutput(std::string_view needle, std::chrono::milliseconds timeout)
{
    const auto found = [&] {
        drainOutput();
        return m_stdout.find(needle) != std::string::npos || m_stderr.find(needle) != std::string::npos;
    };
    const auto served = [&] {
        std::vector<pollfd> fds;
        for (int fd : {m_stdoutFd, m_stderrFd})
            if (fd >= 0)
                fds.push_back({fd, POLLIN, 0});
        ::poll(fds.data(), fds.size(), fds.empty() ? 2 : 20);
    };
    return waitUntil([&] { return found() || (m_stdoutFd < 0 && m_stderrFd < 0 && !running()); }, timeout, served)
        && found();
}

RunResult run(const std::vector<std::string>& argv, const SpawnOptions& options, std::chrono::milliseconds timeout)
{
    SpawnOptions piped = options;
    piped.pipeStdout = piped.pipeStderr = true;
    Process process = Process::spawn(argv, piped);
    RunResult result;
    const auto status = process.wait(timeout);
    result.timedOut = !status;
    result.status = status ? *status : process.kill();
    process.drainOutput();
    result.out = process.stdoutText();
    result.err = process.stderrText();
    return result;
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
