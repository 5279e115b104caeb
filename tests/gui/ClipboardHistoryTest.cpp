// SPDX-License-Identifier: MIT
// The real program on a private X server, fed by real clipboard owners,
// checked through the store file it writes beside itself.

#include "WindowTest.h"

#include "history/StoreFormat.h"

#include <unistd.h>

namespace tarnquill::test {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMarker = "Wrenfold temp clipboard";

class GuiTest : public WindowTest {
protected:
    ::testing::AssertionResult storeIs(const std::vector<std::string>& newestFirst)
    {
        const auto bytes = m_app->store();
        if (bytes == storeOf(newestFirst))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << describeStore(bytes);
    }
};

std::string longText()
{
    // 100 KiB of numbered lines: long enough that X moves it in INCR chunks,
    // varied enough that a dropped or repeated chunk shows.
    std::string text;
    for (int line = 0; text.size() < 100 * 1024; ++line)
        text += "line " + std::to_string(line) + ": the clipboard keeps every byte\n";
    text.resize(100 * 1024);
    return text;
}

// One run through copies that the program records byte for byte only when
// they change the clipboard's text and are not secret. A copy it must ignore
// is waited for until the program has read it from its owner, so the next
// step never races it; the final store shows what it did with each.
TEST_F(GuiTest, RecordsEachChangeByteForByteAndNothingElse)
{
    enum Kind { Recorded, Ignored, Released, Secret };
    struct Step {
        std::string text;
        Kind kind;
    };
    const std::string marker(kMarker);
    const Step steps[] = {
        {marker, Ignored}, // the marker, even with an empty history
        {"Cr\u00e8me br\u00fbl\u00e9e, na\u00efve caf\u00e9, \u0141\u00f3d\u017a \u2014 \U0001F600\U0001F389 \u2713",
         Recorded},
        {"first line\r\nsecond line\r\n\tindented\tcolumns\r\n\r\n", Recorded},
        {longText(), Recorded},
        {"alpha", Recorded}, {"alpha", Ignored},                       // the same text twice
        {"A", Recorded}, {"B", Recorded}, {"A", Recorded},             // back to an older text
        {marker, Ignored}, {"A", Ignored},                             // the marker leaves the newest alone
        {"Hello", Recorded}, {"hello", Recorded},                      // letter case matters
        {"", Released}, {"hello", Ignored},                            // an emptied clipboard records nothing
        {"visible", Recorded}, {"hunter2", Secret},                    // a secret, by its owner's hint
    };
    m_app->start();
    std::vector<std::string> expected;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.text.substr(0, 40));
        switch (step.kind) {
        case Recorded:
            ASSERT_TRUE(m_app->copyRecorded(*m_clipboard, step.text));
            expected.insert(expected.begin(), step.text);
            break;
        case Ignored:
            m_clipboard->copy(step.text);
            ASSERT_TRUE(m_clipboard->waitUntilRead());
            break;
        case Released:
            m_clipboard->releaseAll();
            break;
        case Secret:
            m_clipboard->copyWithTargets(step.text, {{"x-kde-passwordManagerHint", "secret"}});
            ASSERT_TRUE(m_clipboard->waitUntilRead());
            break;
        }
    }
    expected.insert(expected.begin(), barrier());
    EXPECT_TRUE(storeIs(expected));
}

// The store is made at start and written whole at each exit (owner-only:
// NativeFileSystemTest); the next start restores it, separators in texts included, adds the
// clipboard's text only when it differs from the newest entry, and so adds a
// text copied while it was not running.
TEST_F(GuiTest, HistorySurvivesRestarts)
{
    m_app->start();
    ASSERT_TRUE(waitUntil([&] { return fs::exists(m_app->storeFile()); }, 10s)) << "no store file created at start";
    ASSERT_TRUE(m_app->copyRecorded(*m_clipboard, "first"));
    // A text holding the separator is escaped on disk.
    const std::string text = "left" + std::string(HistorySeparator) + "right||!o@!@#w";
    ASSERT_TRUE(m_app->copyRecorded(*m_clipboard, text));
    const ExitStatus status = m_app->stop();
    EXPECT_TRUE(status.success()) << status.describe();
    ASSERT_TRUE(storeIs({text, "first"}));

    // The text is still on the clipboard (its owner lives on): had the
    // restart split it into two entries, the newest entry would differ from
    // it and it would be added again.
    m_app->start();
    const std::string after = barrier();
    EXPECT_TRUE(storeIs({after, text, "first"}));
    m_app->stop();

    m_clipboard->copy("while away");
    m_app->start();
    const std::string expected = storeOf({"while away", after, text, "first"});
    EXPECT_TRUE(waitUntil([&] { return m_app->store() == expected; }, 10s)) << describeStore(m_app->store());
}

TEST_F(GuiTest, UnwritableProgramFolderFallsBackToUserDataFolder)
{
    // Root writes anywhere, so as root the program runs as nobody, for whom
    // the root-owned program folder is read-only.
    if (::geteuid() == 0) {
        if (findProgram("setpriv").empty())
            GTEST_SKIP() << "running as root without setpriv: no folder the program cannot write";
        m_app->runAs(65534, 65534);
    } else {
        fs::permissions(m_app->programFolder(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }

    m_app->start();
    m_clipboard->copy("kept elsewhere");
    const fs::path fallback = m_app->home() / ".local/share/tarnquill/tcb.txt";
    EXPECT_TRUE(waitUntil([&] { return readFile(fallback) == storeOf({"kept elsewhere"}); }, 10s))
        << describeStore(readFile(fallback));
    EXPECT_FALSE(fs::exists(m_app->storeFile()));
}

} // namespace
} // namespace tarnquill::test
