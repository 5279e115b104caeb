// SPDX-License-Identifier: MIT
// The real program on a private X server, fed by a real clipboard owner
// (xclip), checked through the store file it writes beside itself.

#include "WindowTest.h"

#include "history/StoreFormat.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

namespace tarnquill::gui {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMarker = "Wrenfold temp clipboard";
constexpr std::string_view kSeparator = "||!o@!@#w@#$!@#$%z||";

// Time for the program to notice a copy that it must ignore; a copy that it
// records is waited for in the store instead.
constexpr auto kSettle = 300ms;

// The store file of a history holding `newestFirst` in slots 0, 1, ...
std::string storeOf(const std::vector<std::string>& newestFirst)
{
    std::string bytes;
    for (std::size_t slot = 0; slot < kHistorySlots; ++slot) {
        if (slot < newestFirst.size())
            bytes += newestFirst[slot];
        bytes += kSeparator;
    }
    return bytes + "\r\n";
}

// The start of a text, escaped, for a failure message.
std::string printable(const std::string& text)
{
    const std::string more = text.size() > 60 ? "... (" + std::to_string(text.size()) + " bytes)" : "";
    return ::testing::PrintToString(text.substr(0, 60)) + more;
}

// A failure message that shows the non-empty slots instead of 10 KB of separators.
std::string describeStore(const std::optional<std::string>& bytes)
{
    if (!bytes)
        return "no store file";
    std::string out = "store of " + std::to_string(bytes->size()) + " bytes:";
    const auto slots = decodeStore(*bytes);
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (!slots[i].empty())
            out += "\n  [" + std::to_string(i) + "] " + printable(slots[i]);
    return out;
}

std::string slot0(const std::optional<std::string>& bytes)
{
    if (!bytes)
        return {};
    const auto slots = decodeStore(*bytes, 1);
    return slots.empty() ? std::string() : slots[0];
}

class GuiTest : public WindowTest {
protected:
    Tarnquill& app() { return *m_app; }
    ClipboardTool& clipboard() { return *m_clipboard; }

    // Copies a text the program must record and waits until the store's
    // newest entry is that text.
    ::testing::AssertionResult copyRecorded(const std::string& text)
    {
        clipboard().copyToClipboard(text);
        if (waitFor([&] { return slot0(app().store()) == text; }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << printable(text) << " never became the newest entry; "
                                             << describeStore(app().store());
    }

    // A fresh text copied after the steps under test: once the program has
    // recorded it, it has also dealt with every copy made before it.
    std::string barrier()
    {
        const std::string text = "barrier " + std::to_string(++m_barriers);
        EXPECT_TRUE(copyRecorded(text));
        return text;
    }

    ::testing::AssertionResult storeIs(const std::vector<std::string>& newestFirst)
    {
        const auto bytes = app().store();
        if (bytes == storeOf(newestFirst))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << describeStore(bytes);
    }

    int m_barriers = 0;
};

// ------------------------------------------------------- byte-exact entries

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

TEST_F(GuiTest, RecordsCopiedTextByteForByte)
{
    app().start();
    std::vector<std::string> expected;
    for (const std::string& text : {std::string("The quick brown fox jumps over the lazy dog"),
                                    std::string("Cr\u00e8me br\u00fbl\u00e9e, na\u00efve caf\u00e9, \u0141\u00f3d\u017a "
                                                "\u2014 \U0001F600\U0001F389 \u2713"),
                                    std::string("first line\r\nsecond line\r\n\tindented\tcolumns\r\n\r\n"),
                                    longText()}) {
        clipboard().copyToClipboard(text);
        expected.insert(expected.begin(), text);
        const std::string bytes = storeOf(expected);
        EXPECT_TRUE(waitFor([&] { return app().store() == bytes; })) << describeStore(app().store());
    }
}

// ----------------------------------------------------------- copy sequences

// One run through copies that the program records only when they change the
// clipboard's text and are not secret; the final store shows which it did.
TEST_F(GuiTest, RecordsOnlyChangesAndNoSecrets)
{
    struct Step {
        std::string text;      // empty: release the clipboard (no owner, no text)
        bool recorded = false; // whether the program must record this copy
    };
    const std::string marker(kMarker);
    const Step steps[] = {
        {marker, false},                        // the marker, even with an empty history
        {"alpha", true}, {"alpha", false},      // the same text twice
        {"A", true}, {"B", true}, {"A", true},  // back to an older text
        {"kept", true}, {marker, false}, {"kept", false}, // the marker leaves the newest entry alone
        {"Hello", true}, {"hello", true},       // letter case matters
        {"still", true}, {"", false}, {"still", false},   // an emptied clipboard records nothing
    };
    app().start();
    std::vector<std::string> expected;
    for (const Step& step : steps) {
        if (step.text.empty()) {
            clipboard().releaseAll();
            std::this_thread::sleep_for(kSettle);
        } else if (step.recorded) {
            ASSERT_TRUE(copyRecorded(step.text));
            expected.insert(expected.begin(), step.text);
        } else {
            clipboard().copyToClipboard(step.text);
            std::this_thread::sleep_for(kSettle);
        }
    }

    // A text marked secret is never recorded; the same owner program
    // without the hint is, so a pass is not a helper that failed to copy.
    const fs::path owner = GUI_CLIP_OWNER;
    clipboard().copyWithTargets(owner, "visible", {});
    ASSERT_TRUE(waitFor([&] { return slot0(app().store()) == "visible"; })) << describeStore(app().store());
    expected.insert(expected.begin(), "visible");
    clipboard().copyWithTargets(owner, "hunter2", {{"x-kde-passwordManagerHint", "secret"}});
    ASSERT_EQ(clipboard().readClipboard(), "hunter2");
    std::this_thread::sleep_for(kSettle);

    expected.insert(expected.begin(), barrier());
    EXPECT_TRUE(storeIs(expected));
}

// ------------------------------------------------------------ start and exit

// The store is made at start and written whole, owner-only, at each exit;
// the next start restores it, separators in texts included, adds the
// clipboard's text only when it differs from the newest entry, and so adds a
// text copied while it was not running.
TEST_F(GuiTest, HistorySurvivesRestartsInAnOwnerOnlyFile)
{
    app().start();
    ASSERT_TRUE(waitFor([&] { return fs::exists(app().storeFile()); })) << "no store file created at start";
    ASSERT_TRUE(copyRecorded("first"));
    ASSERT_TRUE(copyRecorded("second"));
    const ExitStatus status = app().stop();
    EXPECT_TRUE(status.exited() && status.exitCode() == 0) << status.describe();
    ASSERT_TRUE(storeIs({"second", "first"}));
    struct stat info {};
    ASSERT_EQ(::stat(app().storeFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // "second" is still on the clipboard (its owner lives on) and equals the
    // restored newest entry, so the restart must not add it again.
    app().start();
    std::this_thread::sleep_for(kSettle);
    const std::string after = barrier();
    EXPECT_TRUE(storeIs({after, "second", "first"}));
    app().stop();

    clipboard().copyToClipboard("while away");
    app().start();
    const std::string expected = storeOf({"while away", after, "second", "first"});
    ASSERT_TRUE(waitFor([&] { return app().store() == expected; })) << describeStore(app().store());

    // A text holding the separator is escaped on disk: still exactly one
    // separator per slot.
    const std::string text = "left" + std::string(kSeparator) + "right||!o@!@#w";
    ASSERT_TRUE(copyRecorded(text));
    const std::string bytes = app().store().value_or("");
    std::size_t separators = 0;
    for (auto at = bytes.find(kSeparator); at != std::string::npos; at = bytes.find(kSeparator, at + 1))
        ++separators;
    EXPECT_EQ(separators, kHistorySlots);
    app().stop();

    // It is still on the clipboard: had the restart split it into two
    // entries, the newest entry would differ from it and it would be added again.
    app().start();
    std::this_thread::sleep_for(kSettle);
    const std::string last = barrier();
    const auto slots = decodeStore(app().store().value_or(""));
    ASSERT_GE(slots.size(), 3u) << describeStore(app().store());
    EXPECT_EQ(slots[0], last);
    EXPECT_EQ(slots[1], text);
    EXPECT_EQ(slots[2], "while away") << describeStore(app().store());
}

// ------------------------------------------------------------ store folder

TEST_F(GuiTest, UnwritableProgramFolderFallsBackToUserDataFolder)
{
    // Root writes anywhere, so as root the program runs as nobody, for whom
    // the root-owned program folder is read-only.
    if (::geteuid() == 0) {
        if (findProgram("setpriv").empty())
            GTEST_SKIP() << "running as root without setpriv: no folder the program cannot write";
        app().runAs(65534, 65534);
    } else {
        fs::permissions(app().programFolder(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }

    app().start();
    clipboard().copyToClipboard("kept elsewhere");
    const fs::path fallback = app().userDataFolder() / "tcb.txt";
    EXPECT_TRUE(waitFor([&] { return readFile(fallback) == storeOf({"kept elsewhere"}); }))
        << describeStore(readFile(fallback));
    EXPECT_FALSE(fs::exists(app().storeFile()));
}

} // namespace
} // namespace tarnquill::gui
