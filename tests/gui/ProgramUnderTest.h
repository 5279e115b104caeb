// SPDX-License-Identifier: MIT
#pragma once

// The program under test: a copy of the built program started on a private X
// server with its home, XDG and machine-wide folders inside a temporary
// folder, and its store read back as the history it holds.

#include "support/ClipboardOwner.h"
#include "support/TempFolder.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarnquill::test {

// The store file of a history holding `newestFirst` in slots 0, 1, ...
std::string storeOf(const std::vector<std::string>& newestFirst);
// A failure message showing a store's non-empty slots, not 10 KB of separators.
std::string describeStore(const std::optional<std::string>& bytes);

// Runs a copy of $TARNQUILL_BINARY (or the build's program) from a folder of
// its own, so the store lands beside that copy. Under `root`:
//   app/tarnquill   the copy (store: app/tcb.txt)
//   home/           HOME, with .config, .local/share, .cache, .local/state
//   runtime/        XDG_RUNTIME_DIR (0700)
//   system/         the machine-wide registry and autostart folders, which
//                   would otherwise be /var/lib and /etc/xdg
class Tarnquill final {
public:
    // A program still running at the end is killed by its pid.
    Tarnquill(const XvfbSession& session, const std::filesystem::path& root);

    // Extra or changed environment for the next start().
    EnvOverrides& env() { return m_env; }
    // Runs the program as another user through setpriv (root only): home and
    // runtime are handed to that user, the program folder stays root's.
    void runAs(uid_t uid, gid_t gid);

    // Starts the program and waits until its main window shows alone: the
    // loading window has come and gone. Throws when it ends or shows none.
    void start(std::chrono::milliseconds timeout = 15s);
    // Starts it once more beside the running one, as a second double-click
    // does, and returns that second process.
    Process startAgain(SpawnOptions options = {}) const;
    // SIGTERM (the program's orderly exit) and waits for its end.
    ExitStatus stop(std::chrono::milliseconds timeout = 10s) { return m_process.terminate(timeout); }
    bool running() { return m_process.running(); }
    Process& process() { return m_process; }

    // Copies `text` and waits until it is the store's newest entry.
    ::testing::AssertionResult copyRecorded(ClipboardOwner& clipboard, const std::string& text);
    // A fresh text copied after the steps under test: once the program has
    // recorded it, it has dealt with every copy, click and key before it, so
    // a test may then check that something did not happen. Returns the text.
    std::string barrier(ClipboardOwner& clipboard);
    // Waits until the program has used no CPU for 100 ms: it has come to rest.
    bool waitUntilIdle(std::chrono::milliseconds timeout = 5s);

    const std::filesystem::path& programFolder() const { return m_programFolder; }
    const std::filesystem::path& program() const { return m_program; }
    std::filesystem::path storeFile() const { return m_programFolder / "tcb.txt"; }
    std::optional<std::string> store() const { return readFile(storeFile()); }
    // The store's newest entry; empty when there is none.
    std::string newest() const;
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
    int m_barriers = 0;
};

} // namespace tarnquill::test
