// SPDX-License-Identifier: MIT
#pragma once

// Pieces for tests that drive the real program on a private X server: child
// processes started from an argument vector (never through a shell) and ended
// by their process id, an Xvfb session, the X clipboard through xclip, a
// temporary folder, and a launcher that runs a copy of the built program with
// its home and XDG folders inside that temporary folder.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnquill::gui {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Variables to set (a value) or to remove (nullopt) on top of this process's
// environment.
using EnvOverrides = std::map<std::string, std::optional<std::string>>;

struct SpawnOptions {
    EnvOverrides env;
    // Empty: the child inherits this process's working folder.
    std::filesystem::path workingDirectory;
    // Pipes this process can write to or read from; otherwise the stream is
    // /dev/null, so a chatty child never blocks on a full pipe nobody reads.
    bool pipeStdin = false;
    bool pipeStdout = false;
    bool pipeStderr = false;
    // When set, stdout and stderr (those not piped) are appended to this
    // file: for long-running children whose output nobody reads.
    std::filesystem::path outputFile;
    // Descriptors of this process to hand to the child under another number
    // (parent fd, child fd), e.g. the write end for Xvfb's -displayfd.
    std::vector<std::pair<int, int>> passFds;
};

// How a child ended, as waitpid reports it.
struct ExitStatus {
    int raw = 0;
    bool exited() const;
    int exitCode() const;   // -1 unless exited()
    bool signaled() const;
    int signal() const;     // 0 unless signaled()
    std::string describe() const;
};

struct RunResult;

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

    // Waits up to `timeout` for the child to end.
    std::optional<ExitStatus> wait(std::chrono::milliseconds timeout);
    void sendSignal(int signalNumber) const;
    // SIGTERM, then SIGKILL when it has not ended within `grace`.
    ExitStatus terminate(std::chrono::milliseconds grace = 5s);
    ExitStatus kill();

    // Writes all of `data` to the child's stdin (pipeStdin); false when the
    // child closed it.
    bool writeStdin(std::string_view data);
    void closeStdin();
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
    bool readFrom(int& fd, std::string& into, int timeoutMs);

    pid_t m_pid = -1;
    std::optional<ExitStatus> m_status;
    int m_stdin = -1;
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
    bool ok() const { return !timedOut && status.exited() && status.exitCode() == 0; }
};

// Runs a program to its end and collects its output; a child still running
// after `timeout` is killed.
RunResult run(const std::vector<std::string>& argv, const SpawnOptions& options = {},
              std::chrono::milliseconds timeout = 10s);

// The full path of a program in PATH, or empty.
std::filesystem::path findProgram(std::string_view name);

// Polls `predicate` every `interval` until it holds or `timeout` passes;
// returns its last value.
bool waitFor(const std::function<bool()>& predicate, std::chrono::milliseconds timeout = 10s,
             std::chrono::milliseconds interval = 5ms);

// The whole content of a file, or nullopt when it cannot be read.
std::optional<std::string> readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view bytes);

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it by the
// destructor, read-only parts included. TARNQUILL_KEEP_TEMP=1 keeps it for a
// post-mortem.
class TempDir final {
public:
    explicit TempDir(std::string_view prefix = "tarnquill-gui");
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& sub) const { return m_path / sub; }

private:
    std::filesystem::path m_path;
};

// A private X server: Xvfb on a display number it picks itself (-displayfd),
// 96 dpi, no TCP, no reset when the last client leaves (a reset would drop the
// clipboard and atoms between two steps of a test).
class XvfbSession final {
public:
    XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;
    ~XvfbSession();

    // ":N"
    const std::string& display() const { return m_display; }
    pid_t pid() const { return m_server.pid(); }

    // SpawnOptions with DISPLAY set to this server and variables that would
    // point a client at another desktop (Wayland, a session bus) removed.
    SpawnOptions clientOptions() const;
    Process spawn(const std::vector<std::string>& argv, SpawnOptions options = {}) const;
    RunResult run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout = 10s) const;

    // Ids of the windows whose _NET_WM_PID is `pid` (xdotool).
    std::vector<unsigned long> windowsOf(pid_t pid) const;
    // A window's title (WM_NAME / _NET_WM_NAME); empty when it has none.
    std::string windowName(unsigned long window) const;

private:
    Process m_server;
    std::string m_display;
};

// The CLIPBOARD selection of one X server, written by xclip. xclip stays alive
// as the owner of the selection until another client takes it; every owner
// started here is kept by pid and ended by the destructor or releaseAll().
class ClipboardTool final {
public:
    explicit ClipboardTool(const XvfbSession& session);
    ClipboardTool(const ClipboardTool&) = delete;
    ClipboardTool& operator=(const ClipboardTool&) = delete;
    ~ClipboardTool();

    // Puts `text` (UTF8_STRING) on the clipboard; returns once xclip owns the
    // selection. Throws when xclip does not get there.
    void copyToClipboard(std::string_view text);
    // Puts `text` together with extra targets, each (target name, bytes), on
    // the clipboard through the test's own owner program (xclip offers one
    // target only). Needs the path of that program.
    void copyWithTargets(const std::filesystem::path& ownerProgram, std::string_view text,
                         const std::vector<std::pair<std::string, std::string>>& targets);
    // The clipboard's text (xclip -o), or nullopt when there is none.
    std::optional<std::string> readClipboard() const;
    // Ends every owner started here: the clipboard then has no owner.
    void releaseAll();

private:
    void prune();
    // Starts `argv` with `text` on its stdin and keeps it once it prints
    // `ready`, the sign that it owns the selection.
    void own(const std::vector<std::string>& argv, std::string_view text, std::string_view ready);

    const XvfbSession& m_session;
    std::vector<Process> m_owners;
};

// The path of the program under test: $TARNQUILL_BINARY when set, otherwise
// the build's target file passed in by CMake.
std::filesystem::path builtProgram();

// Runs a copy of the built program from a folder of its own, so the store
// file lands beside that copy. Layout under `root`:
//   app/tarnquill            the copy (store: app/tcb.txt)
//   home/                    HOME, with .config, .local/share, .cache, .local/state
//   runtime/                 XDG_RUNTIME_DIR (0700)
//   system/                  the machine-wide registry and autostart folders,
//                            which would otherwise be /var/lib and /etc/xdg
class Tarnquill final {
public:
    Tarnquill(const XvfbSession& session, const std::filesystem::path& root);
    Tarnquill(const Tarnquill&) = delete;
    Tarnquill& operator=(const Tarnquill&) = delete;
    ~Tarnquill();

    // Extra or changed environment for the next start().
    EnvOverrides& env() { return m_env; }
    // Runs the program as another user through setpriv (root only): the
    // folders are handed to that user, the program folder stays root's.
    void runAs(uid_t uid, gid_t gid);

    // The title of the program's main window.
    static constexpr const char* kMainWindowName = "Tarnquill";

    // Starts the program and waits until its main window shows, alone: the
    // loading window has come and gone. Throws when it ends or shows none
    // within `timeout`.
    void start(std::chrono::milliseconds timeout = 15s);
    // SIGTERM (the program's orderly exit) and waits for its end.
    ExitStatus stop(std::chrono::milliseconds timeout = 10s);
    bool running();
    Process& process() { return m_process; }

    const std::filesystem::path& programFolder() const { return m_programFolder; }
    const std::filesystem::path& program() const { return m_program; }
    std::filesystem::path userDataFolder() const;   // $XDG_DATA_HOME/tarnquill
    std::filesystem::path storeFile() const { return m_programFolder / "tcb.txt"; }
    std::optional<std::string> store() const { return readFile(storeFile()); }
    const std::filesystem::path& home() const { return m_home; }
    const std::filesystem::path& systemFolder() const { return m_system; }
    // What the program wrote on stdout and stderr, over all its starts.
    std::string log() const { return readFile(m_root / "tarnquill.log").value_or(""); }

private:
    const XvfbSession& m_session;
    std::filesystem::path m_root;
    std::filesystem::path m_programFolder;
    std::filesystem::path m_program;
    std::filesystem::path m_home;
    std::filesystem::path m_runtime;
    std::filesystem::path m_system;
    EnvOverrides m_env;
    std::optional<std::pair<uid_t, gid_t>> m_user;
    Process m_process;
};

} // namespace tarnquill::gui
