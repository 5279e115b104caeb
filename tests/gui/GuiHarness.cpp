// SPDX-License-Identifier: MIT
#include "GuiHarness.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarnquill::gui {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what, int error = errno)
{
    throw std::system_error(error, std::generic_category(), what);
}

// Writing to a child that has gone must come back as EPIPE, not end the test
// program.
void ignoreSigpipeOnce()
{
    static const bool done = [] {
        std::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)done;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::vector<std::string> mergedEnvironment(const EnvOverrides& overrides)
{
    std::vector<std::string> result;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        const auto equals = text.find('=');
        const std::string name(text.substr(0, equals));
        if (!overrides.contains(name))
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
    result.reserve(strings.size() + 1);
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// RAII for the spawn attribute objects.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

} // namespace

// ---------------------------------------------------------------- ExitStatus

bool ExitStatus::exited() const { return WIFEXITED(raw); }
int ExitStatus::exitCode() const { return exited() ? WEXITSTATUS(raw) : -1; }
bool ExitStatus::signaled() const { return WIFSIGNALED(raw); }
int ExitStatus::signal() const { return signaled() ? WTERMSIG(raw) : 0; }

std::string ExitStatus::describe() const
{
    if (exited())
        return "exit code " + std::to_string(exitCode());
    if (signaled())
        return std::string("signal ") + ::strsignal(signal());
    return "status " + std::to_string(raw);
}

// ------------------------------------------------------------------- Process

Process::Process(Process&& other) noexcept
{
    *this = std::move(other);
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        if (valid() && !m_status)
            kill();
        closeAll();
        m_pid = std::exchange(other.m_pid, -1);
        m_status = std::exchange(other.m_status, std::nullopt);
        m_stdin = std::exchange(other.m_stdin, -1);
        m_stdoutFd = std::exchange(other.m_stdoutFd, -1);
        m_stderrFd = std::exchange(other.m_stderrFd, -1);
        m_stdout = std::move(other.m_stdout);
        m_stderr = std::move(other.m_stderr);
    }
    return *this;
}

Process::~Process()
{
    if (valid() && !m_status)
        kill();
    closeAll();
}

void Process::closeAll()
{
    closeFd(m_stdin);
    closeFd(m_stdoutFd);
    closeFd(m_stderrFd);
}

Process Process::spawn(const std::vector<std::string>& argv, const SpawnOptions& options)
{
    if (argv.empty())
        throw std::invalid_argument("Process::spawn: empty argument vector");
    ignoreSigpipeOnce();

    SpawnSetup setup;
    int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
    auto closePipes = [&] {
        for (int* p : {inPipe, outPipe, errPipe}) {
            closeFd(p[0]);
            closeFd(p[1]);
        }
    };
    auto makePipe = [&](int (&p)[2]) {
        if (::pipe2(p, O_CLOEXEC) != 0) {
            closePipes();
            fail("pipe2");
        }
    };

    if (options.pipeStdin) {
        makePipe(inPipe);
        posix_spawn_file_actions_adddup2(&setup.actions, inPipe[0], 0);
    } else {
        posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    }
    // Standard output and error: a pipe, the output file, or /dev/null.
    const auto output = [&](int fd, bool piped, int (&p)[2]) {
        if (piped) {
            makePipe(p);
            posix_spawn_file_actions_adddup2(&setup.actions, p[1], fd);
        } else if (!options.outputFile.empty()) {
            posix_spawn_file_actions_addopen(&setup.actions, fd, options.outputFile.c_str(),
                                             O_WRONLY | O_CREAT | O_APPEND, 0644);
        } else {
            posix_spawn_file_actions_addopen(&setup.actions, fd, "/dev/null", O_WRONLY, 0);
        }
    };
    output(1, options.pipeStdout, outPipe);
    output(2, options.pipeStderr, errPipe);

    // dup2 onto the same number would leave close-on-exec set, so such a
    // descriptor goes through a copy first.
    std::vector<int> copies;
    for (auto [parentFd, childFd] : options.passFds) {
        int source = parentFd;
        if (parentFd == childFd) {
            source = ::fcntl(parentFd, F_DUPFD_CLOEXEC, 10);
            if (source < 0)
                fail("fcntl");
            copies.push_back(source);
        }
        posix_spawn_file_actions_adddup2(&setup.actions, source, childFd);
    }
    if (!options.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&setup.actions, options.workingDirectory.c_str());

    // The child starts with default signal handling and no blocked signals,
    // whatever this test program set for itself (SIGPIPE is ignored here).
    sigset_t defaults, empty;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGHUP);
    sigemptyset(&empty);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setsigmask(&setup.attributes, &empty);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> args = argv;
    std::vector<std::string> env = mergedEnvironment(options.env);
    auto argp = pointers(args);
    auto envp = pointers(env);

    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, args[0].c_str(), &setup.actions, &setup.attributes, argp.data(), envp.data());
    for (int fd : copies)
        ::close(fd);
    if (error != 0) {
        closePipes();
        fail("cannot start " + argv[0], error);
    }

    Process process;
    process.m_pid = pid;
    closeFd(inPipe[0]);
    closeFd(outPipe[1]);
    closeFd(errPipe[1]);
    process.m_stdin = std::exchange(inPipe[1], -1);
    process.m_stdoutFd = std::exchange(outPipe[0], -1);
    process.m_stderrFd = std::exchange(errPipe[0], -1);
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
    if (r == m_pid) {
        m_status = ExitStatus{raw};
        return false;
    }
    return r == 0;
}

std::optional<ExitStatus> Process::wait(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (running()) {
        if (Clock::now() >= deadline)
            return std::nullopt;
        drainOutput();
        std::this_thread::sleep_for(2ms);
    }
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
    if (!valid())
        return {};
    sendSignal(SIGTERM);
    if (auto status = wait(grace))
        return *status;
    return kill();
}

ExitStatus Process::kill()
{
    if (!valid())
        return {};
    if (!m_status) {
        ::kill(m_pid, SIGKILL);
        int raw = 0;
        while (::waitpid(m_pid, &raw, 0) < 0 && errno == EINTR) {
        }
        m_status = ExitStatus{raw};
    }
    return *m_status;
}

bool Process::writeStdin(std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(m_stdin, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void Process::closeStdin()
{
    closeFd(m_stdin);
}

bool Process::readFrom(int& fd, std::string& into, int timeoutMs)
{
    if (fd < 0)
        return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return false;
    char buffer[65536];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
            any = true;
            continue;
        }
        if (n == 0)
            closeFd(fd); // end of stream
        break;
    }
    return any;
}

void Process::drainOutput()
{
    readFrom(m_stdoutFd, m_stdout, 0);
    readFrom(m_stderrFd, m_stderr, 0);
}

bool Process::waitForOutput(std::string_view needle, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        drainOutput();
        if (m_stdout.find(needle) != std::string::npos || m_stderr.find(needle) != std::string::npos)
            return true;
        if (Clock::now() >= deadline || (m_stdoutFd < 0 && m_stderrFd < 0 && !running()))
            return false;
        std::vector<pollfd> fds;
        for (int fd : {m_stdoutFd, m_stderrFd})
            if (fd >= 0)
                fds.push_back({fd, POLLIN, 0});
        if (fds.empty())
            std::this_thread::sleep_for(2ms);
        else
            ::poll(fds.data(), fds.size(), std::min(remainingMs(deadline), 50));
    }
}

// ----------------------------------------------------------------- run etc.

RunResult run(const std::vector<std::string>& argv, const SpawnOptions& options, std::chrono::milliseconds timeout)
{
    SpawnOptions piped = options;
    piped.pipeStdout = true;
    piped.pipeStderr = true;
    // wait() keeps reading the output, so a chatty child never blocks.
    Process process = Process::spawn(argv, piped);
    RunResult result;
    if (auto status = process.wait(timeout)) {
        result.status = *status;
    } else {
        result.timedOut = true;
        result.status = process.kill();
    }
    process.drainOutput();
    result.out = process.stdoutText();
    result.err = process.stderrText();
    return result;
}

fs::path findProgram(std::string_view name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty())
            continue;
        fs::path candidate = fs::path(dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

bool waitFor(const std::function<bool()>& predicate, std::chrono::milliseconds timeout,
             std::chrono::milliseconds interval)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (predicate())
            return true;
        if (Clock::now() >= deadline)
            return predicate();
        std::this_thread::sleep_for(interval);
    }
}

std::optional<std::string> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

// ------------------------------------------------------------------- TempDir

TempDir::TempDir(std::string_view prefix)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (fs::path(tmp && *tmp ? tmp : "/tmp") / (std::string(prefix) + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        fail("mkdtemp " + pattern);
    m_path = pattern;
}

TempDir::~TempDir()
{
    if (const char* keep = std::getenv("TARNQUILL_KEEP_TEMP"); keep && std::string_view(keep) == "1")
        return;
    std::error_code error;
    // A test may have made folders read-only; give them back before removing.
    for (auto it = fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(m_path, error);
}

// -------------------------------------------------------------- XvfbSession

XvfbSession::XvfbSession()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        fail("pipe2");
    constexpr int kChildFd = 3;
    const std::vector<std::string> argv = {"Xvfb", "-displayfd", std::to_string(kChildFd), "-screen", "0",
                                           "1280x1024x24", "-dpi", "96", "-nolisten", "tcp", "-noreset"};
    SpawnOptions spawnOptions;
    spawnOptions.passFds = {{fds[1], kChildFd}};
    try {
        m_server = Process::spawn(argv, spawnOptions);
    } catch (...) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw;
    }
    ::close(fds[1]);

    // Xvfb writes the display number once it accepts connections.
    std::string number;
    const auto deadline = Clock::now() + 15s;
    while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, remainingMs(deadline)) <= 0)
            break;
        char buffer[32];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    const auto newline = number.find('\n');
    if (newline == std::string::npos || newline == 0) {
        const ExitStatus status = m_server.kill();
        throw std::runtime_error("Xvfb did not report a display (" + status.describe() + ")");
    }
    m_display = ":" + number.substr(0, newline);
}

XvfbSession::~XvfbSession()
{
    m_server.terminate(3s);
}

SpawnOptions XvfbSession::clientOptions() const
{
    SpawnOptions options;
    options.env["DISPLAY"] = m_display;
    options.env["XAUTHORITY"] = std::nullopt;
    options.env["WAYLAND_DISPLAY"] = std::nullopt;
    options.env["XDG_SESSION_TYPE"] = std::nullopt;
    options.env["QT_QPA_PLATFORM"] = "xcb";
    // No bus: an unset address would make libdbus autolaunch a daemon on
    // this display, which nobody would end.
    options.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=/nonexistent/tarnquill-test-bus";
    options.env["LC_ALL"] = "C.UTF-8";
    return options;
}

Process XvfbSession::spawn(const std::vector<std::string>& argv, SpawnOptions options) const
{
    SpawnOptions merged = clientOptions();
    for (auto& [name, value] : options.env)
        merged.env[name] = value;
    options.env = std::move(merged.env);
    return Process::spawn(argv, options);
}

RunResult XvfbSession::run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) const
{
    return gui::run(argv, clientOptions(), timeout);
}

std::vector<unsigned long> XvfbSession::windowsOf(pid_t pid) const
{
    const RunResult result = run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, 5s);
    std::vector<unsigned long> ids;
    std::istringstream lines(result.out);
    unsigned long id = 0;
    while (lines >> id)
        ids.push_back(id);
    return ids;
}

std::string XvfbSession::windowName(unsigned long window) const
{
    const RunResult result = run({"xdotool", "getwindowname", std::to_string(window)}, 5s);
    std::string name = result.ok() ? result.out : std::string();
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
        name.pop_back();
    return name;
}

// ------------------------------------------------------------ ClipboardTool

ClipboardTool::ClipboardTool(const XvfbSession& session)
    : m_session(session)
{
}

ClipboardTool::~ClipboardTool()
{
    releaseAll();
}

void ClipboardTool::prune()
{
    std::erase_if(m_owners, [](Process& owner) {
        // xclip -quiet reports every paste on stderr; keep its pipe empty.
        owner.drainOutput();
        return !owner.running();
    });
}

void ClipboardTool::own(const std::vector<std::string>& argv, std::string_view text, std::string_view ready)
{
    prune();
    SpawnOptions options;
    options.pipeStdin = true;
    options.pipeStdout = true;
    options.pipeStderr = true;
    Process owner = m_session.spawn(argv, options);
    owner.writeStdin(text);
    owner.closeStdin();
    if (!owner.waitForOutput(ready, 15s))
        throw std::runtime_error(argv[0] + " did not take the clipboard: " + owner.stderrText());
    m_owners.push_back(std::move(owner));
}

void ClipboardTool::copyToClipboard(std::string_view text)
{
    // -quiet keeps xclip in the foreground (the default forks and the pid
    // would be lost) and says when it owns the selection.
    own({"xclip", "-quiet", "-selection", "clipboard", "-i"}, text, "Waiting for selection requests");
}

void ClipboardTool::copyWithTargets(const fs::path& ownerProgram, std::string_view text,
                                    const std::vector<std::pair<std::string, std::string>>& targets)
{
    std::vector<std::string> argv = {ownerProgram.string()};
    for (const auto& [name, bytes] : targets)
        argv.push_back(name + "=" + bytes);
    own(argv, text, "owning clipboard");
}

std::optional<std::string> ClipboardTool::readClipboard() const
{
    RunResult result = m_session.run({"xclip", "-selection", "clipboard", "-o"}, 10s);
    if (!result.ok())
        return std::nullopt;
    return std::move(result.out);
}

void ClipboardTool::releaseAll()
{
    for (Process& owner : m_owners)
        owner.terminate(2s);
    m_owners.clear();
}

// ---------------------------------------------------------------- Tarnquill

fs::path builtProgram()
{
    if (const char* path = std::getenv("TARNQUILL_BINARY"); path && *path)
        return path;
#ifdef TARNQUILL_BINARY
    return TARNQUILL_BINARY;
#else
    return {};
#endif
}

Tarnquill::Tarnquill(const XvfbSession& session, const fs::path& root)
    : m_session(session)
    , m_root(root)
    , m_programFolder(root / "app")
    , m_home(root / "home")
    , m_runtime(root / "runtime")
    , m_system(root / "system")
{
    const fs::path source = builtProgram();
    if (source.empty() || !fs::exists(source))
        throw std::runtime_error("the built program is missing: " + source.string());
    fs::create_directories(m_programFolder);
    m_program = m_programFolder / source.filename();
    fs::copy_file(source, m_program, fs::copy_options::overwrite_existing);

    for (const char* sub : {".config", ".local/share", ".local/state", ".cache"})
        fs::create_directories(m_home / sub);
    fs::create_directories(m_runtime);
    fs::permissions(m_runtime, fs::perms::owner_all, fs::perm_options::replace);

    m_env["HOME"] = m_home.string();
    m_env["XDG_CONFIG_HOME"] = (m_home / ".config").string();
    m_env["XDG_DATA_HOME"] = (m_home / ".local/share").string();
    m_env["XDG_STATE_HOME"] = (m_home / ".local/state").string();
    m_env["XDG_CACHE_HOME"] = (m_home / ".cache").string();
    m_env["XDG_RUNTIME_DIR"] = m_runtime.string();
    // The exit writes the machine-wide Run value; as root the defaults are
    // the real /var/lib/tarnquill and /etc/xdg/autostart.
    fs::create_directories(m_system / "xdg/autostart");
    m_env["TARNQUILL_MACHINE_REGISTRY"] = (m_system / "registry.sqlite3").string();
    m_env["TARNQUILL_MACHINE_AUTOSTART"] = (m_system / "xdg/autostart").string();
    m_env["XDG_CONFIG_DIRS"] = (m_system / "xdg").string();
}

Tarnquill::~Tarnquill()
{
    if (m_process.valid())
        m_process.terminate(5s);
}

void Tarnquill::runAs(uid_t uid, gid_t gid)
{
    m_user = {uid, gid};
    // The other user needs to reach the program; everything under home and
    // runtime becomes theirs, the program folder stays root's and 0755.
    fs::permissions(m_root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                                | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(m_programFolder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                                         | fs::perms::others_read | fs::perms::others_exec);
    for (const fs::path& folder : {m_home, m_runtime}) {
        if (::chown(folder.c_str(), uid, gid) != 0)
            fail("chown " + folder.string());
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (::lchown(entry.path().c_str(), uid, gid) != 0)
                fail("chown " + entry.path().string());
    }
}

fs::path Tarnquill::userDataFolder() const
{
    return m_home / ".local/share/tarnquill";
}

void Tarnquill::start(std::chrono::milliseconds timeout)
{
    std::vector<std::string> argv;
    if (m_user) {
        argv = {"setpriv", "--reuid=" + std::to_string(m_user->first), "--regid=" + std::to_string(m_user->second),
                "--clear-groups", "--"};
    }
    argv.push_back(m_program.string());
    SpawnOptions options;
    options.env = m_env;
    options.workingDirectory = m_root;
    // A file, not a pipe: a pipe nobody reads would stall the program once
    // Qt's warnings fill it.
    options.outputFile = m_root / "tarnquill.log";
    m_process = m_session.spawn(argv, options);

    // The loading window shows first, for a moment; the start is over when
    // the main window has taken its place.
    const bool shown = waitFor(
        [&] {
            if (!m_process.running())
                return true;
            const auto windows = m_session.windowsOf(m_process.pid());
            return windows.size() == 1 && m_session.windowName(windows.front()) == kMainWindowName;
        },
        timeout, 20ms);
    if (!m_process.running()) {
        throw std::runtime_error("tarnquill ended at start (" + m_process.status()->describe()
                                 + "): " + readFile(m_root / "tarnquill.log").value_or(""));
    }
    if (!shown)
        throw std::runtime_error("tarnquill showed no main window within the timeout");
}

ExitStatus Tarnquill::stop(std::chrono::milliseconds timeout)
{
    return m_process.terminate(timeout);
}

bool Tarnquill::running()
{
    return m_process.running();
}

} // namespace tarnquill::gui
