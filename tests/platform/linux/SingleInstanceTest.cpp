// SPDX-License-Identifier: MIT
#include "LinuxTestSupport.h"

#include "platform/linux/SingleInstance.h"

#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tarnquill::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A store folder and a private runtime folder per test, so sockets and
// fallback locks never meet another test's or the user's.
class SingleInstanceTest : public ::testing::Test {
protected:
    SingleInstanceTest()
    {
        fs::create_directories(m_temp.path() / "store");
        fs::create_directories(m_temp.path() / "runtime");
        fs::permissions(m_temp.path() / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    }

    fs::path folder(const std::string& name = "store") const { return m_temp.path() / name; }
    fs::path store(const std::string& name = "store") const { return folder(name) / "tcb.txt"; }

    std::unique_ptr<SingleInstance> instance(const fs::path& storeFile, std::chrono::milliseconds patience = 1s) const
    {
        SingleInstance::Options options;
        options.runtimeFolder = m_temp.path() / "runtime";
        options.patience = patience;
        return std::make_unique<SingleInstance>(storeFile, options);
    }

private:
    TempFolder m_temp;
};

// Counts the instance's showRequested.
void countShows(SingleInstance& instance, int& count)
{
    QObject::connect(&instance, &SingleInstance::showRequested, [&count] { ++count; });
}

// Whether thread `tid` of this process sleeps, as a request does between
// two tries.
bool sleeping(pid_t tid)
{
    std::ifstream syscall("/proc/self/task/" + std::to_string(tid) + "/syscall");
    long number = -1;
    syscall >> number;
#ifdef SYS_nanosleep
    if (number == SYS_nanosleep)
        return true;
#endif
    return number == SYS_clock_nanosleep;
}

TEST_F(SingleInstanceTest, ASecondStartWithTheSameStoreIsTurnedAwayAndItsRequestReachesTheFirst)
{
    auto first = instance(store());
    int shown = 0;
    countShows(*first, shown);
    ASSERT_TRUE(first->acquire());

    // However the second start names the folder, it is the same store.
    fs::create_directory_symlink(folder(), folder("link"));
    fs::create_directories(folder("sub"));
    // Each request shows the window once: a second delivery of one would come
    // before the next request's.
    const fs::path names[] = {store(), folder("link") / "tcb.txt", folder("sub") / ".." / "store" / "tcb.txt",
                              store()};
    int requests = 0;
    for (const fs::path& name : names) {
        SCOPED_TRACE(name.string());
        auto second = instance(name);
        EXPECT_EQ(second->canonicalStore(), first->canonicalStore());
        EXPECT_FALSE(second->acquire());
        EXPECT_TRUE(second->askRunningToShow());
        ++requests;
        EXPECT_TRUE(waitUntil([&] { return shown >= requests; }));
        EXPECT_EQ(shown, requests);
    }
    // Turning a second start away never creates the store.
    EXPECT_FALSE(fs::exists(store()));

    // A store in another folder is another store.
    fs::create_directories(folder("other"));
    auto other = instance(store("other"));
    EXPECT_TRUE(other->acquire());
    EXPECT_NE(other->serverName(), first->serverName());
}

// An orderly end releases the store and removes the lock and socket files;
// a killed instance leaves both, and neither blocks the next start.
TEST_F(SingleInstanceTest, NeitherAnEndNorAKillOfTheInstanceBlocksTheNextStart)
{
    auto first = instance(store());
    ASSERT_TRUE(first->acquire());
    const fs::path lockFile = first->lockFile();
    const QString serverName = first->serverName();
    EXPECT_EQ(fs::status(lockFile).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    first.reset();
    EXPECT_FALSE(fs::exists(lockFile));
    EXPECT_FALSE(fs::exists(QFile::encodeName(serverName).toStdString()));

    // What a killed instance leaves behind: the lock file, and a socket file
    // nobody listens on.
    { std::ofstream{lockFile}; }
    ASSERT_TRUE(run({"/usr/bin/python3", "-c", "import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])",
                     QFile::encodeName(serverName).toStdString()})
                    .ok());
    auto next = instance(store());
    int shown = 0;
    countShows(*next, shown);
    ASSERT_TRUE(next->acquire());
    auto second = instance(store());
    ASSERT_FALSE(second->acquire());
    ASSERT_TRUE(second->askRunningToShow());
    EXPECT_TRUE(waitUntil([&] { return shown == 1; }));
}

// The lock can be taken only where the store folder lets a file be made; a
// folder that does not exist (yet) stands for one that cannot be written, even
// by root, who passes every permission bit.
TEST_F(SingleInstanceTest, AStoreFolderThatCannotHoldTheLockStillAdmitsOneInstance)
{
    const fs::path missing = folder("missing") / "tcb.txt";
    auto first = instance(missing);
    ASSERT_TRUE(first->acquire());
    EXPECT_TRUE(first->holdsStore());
    EXPECT_EQ(first->lockFile().parent_path(), folder("runtime"));

    auto second = instance(missing);
    EXPECT_FALSE(second->acquire());
    // A store elsewhere is not held by that lock.
    auto elsewhere = instance(folder("missing-too") / "tcb.txt");
    EXPECT_TRUE(elsewhere->acquire());
}

// The lock is held but nobody listens yet: the holder is between its flock
// and its listen, or stuck there. The second start waits a while, then gives
// up rather than hang.
TEST_F(SingleInstanceTest, ARequestToAnInstanceThatIsStillStartingWaitsForItOrGivesUp)
{
    auto second = instance(store(), 300ms);
    const int held = ::open(second->lockFile().c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    ASSERT_FALSE(second->acquire());

    const auto asked = std::chrono::steady_clock::now();
    EXPECT_FALSE(second->askRunningToShow());
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 10s);

    // This time the instance gets past its start (the lock and the listen)
    // once the request has failed and waits to try again.
    auto patient = instance(store(), 5s);
    std::atomic<pid_t> asker = 0;
    bool answered = false;
    std::thread ask([&] {
        asker = ::gettid();
        answered = patient->askRunningToShow();
    });
    EXPECT_TRUE(waitUntil([&] { return asker != 0 && sleeping(asker); })) << "the request never waited";
    ::close(held);
    auto holder = instance(store());
    int shown = 0;
    countShows(*holder, shown);
    EXPECT_TRUE(holder->acquire());
    EXPECT_TRUE(waitUntil([&] { return shown == 1; }));
    ask.join();
    EXPECT_TRUE(answered);
}

} // namespace
} // namespace tarnquill::test
