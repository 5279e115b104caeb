// SPDX-License-Identifier: MIT
// Starting the real program again with the same store: the running window
// comes forward, the second process ends at once and never opens the store.

#include "WindowTest.h"

#include <set>

#include <sys/inotify.h>
#include <unistd.h>

namespace tarnquill::test {
namespace {

namespace fs = std::filesystem;

// The names of the store's files (tcb.txt and a save's temporary
// tcb.txt.XXXXXX) that anything, whichever process, opened, read, wrote,
// created, renamed or removed since the inotify watch `fd` began.
std::set<std::string> storeFilesTouched(int fd)
{
    std::set<std::string> touched;
    alignas(inotify_event) char buffer[8192];
    for (ssize_t got = 0; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const std::string name = event->len ? event->name : "";
            if (name == "tcb.txt" || name.starts_with("tcb.txt."))
                touched.insert(name);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return touched;
}

class SecondStartTest : public WindowTest {};

TEST_F(SecondStartTest, BringsTheRunningWindowForwardAndNeverOpensTheStoreWhileACopyElsewhereRuns)
{
    writeFile(m_app->storeFile(), storeOf({"an entry from before"}));
    m_app->start(); // its main window alone shows
    const std::vector<unsigned long> window = m_x->windowsOf(m_app->process().pid());

    // Out of sight as a window manager takes it off the screen.
    ASSERT_TRUE(m_x->run({"xdotool", "windowunmap", "--sync", std::to_string(window.front())}).ok());
    ASSERT_TRUE(waitUntil([&] { return m_x->windowsOf(m_app->process().pid()).empty(); }, 5s));

    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, m_app->programFolder().c_str(),
                                  IN_OPEN | IN_ACCESS | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE
                                      | IN_MOVED_FROM | IN_MOVED_TO),
              0);
    // Started once more, from the same folder and with the same environment,
    // as a user double-clicking it again would: it ends at once with status 0.
    SpawnOptions options;
    options.workingDirectory = m_temp.path();
    options.pipeStderr = true;
    Process second = m_app->startAgain(options);
    const auto status = second.wait(10s);
    ASSERT_TRUE(status) << "the second start is still running";
    EXPECT_TRUE(status->success()) << status->describe() << "\n" << second.stderrText();

    EXPECT_TRUE(m_app->running());
    EXPECT_TRUE(waitUntil([&] { return m_x->windowsOf(m_app->process().pid()) == window; }, 5s))
        << "the window did not come back";
    const auto focus = [&] { return m_x->run({"xdotool", "getwindowfocus"}).out; };
    EXPECT_TRUE(waitUntil([&] { return focus() == std::to_string(window.front()) + "\n"; }, 5s))
        << "the window did not take the keyboard: " << focus();

    EXPECT_EQ(storeFilesTouched(watch), std::set<std::string>{});
    ::close(watch);

    // A copy of the program in another folder keeps another store, so it
    // runs beside this one, for the same user in the same session.
    Tarnquill other(*m_x, m_temp / "second");
    other.env() = m_app->env();
    other.start(); // its window shows
    // Both record the next copy.
    const std::string text = barrier();
    EXPECT_TRUE(waitUntil([&] { return other.newest() == text; }, 10s)) << describeStore(other.store());
    EXPECT_TRUE(m_app->running() && other.running()) << "one of the two copies ended";

    // The one instance still owns the store: its exit saves the history.
    EXPECT_TRUE(m_app->stop().exited());
    EXPECT_NE(m_app->store().value_or("").find("an entry from before"), std::string::npos);
}

} // namespace
} // namespace tarnquill::test
