// The real program on a private X server, fed by a real clipboard owner
// (xclip), checked through the store file it writes beside itself.

#include "GuiHarness.h"

#include "history/StoreFormat.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ostream>
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

std::string printable(std::string_view text, std::size_t limit = 60)
{
    std::string out;
    for (char c : text.substr(0, limit)) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (static_cast<unsigned char>(c) < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
            out += hex;
        } else
            out += c;
    }
    if (text.size() > limit)
        out += "... (" + std::to_string(text.size()) + " bytes)";
    return out;
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

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xclip", "xdotool"})
            ASSERT_FALSE(findProgram(tool).empty()) << tool << " is needed (packages xvfb, xclip, xdotool)";
        m_x = std::make_unique<XvfbSession>();
        m_clipboard = std::make_unique<ClipboardTool>(*m_x);
        m_app = std::make_unique<Tarnquill>(*m_x, m_temp.path());
    }

    void TearDown() override
    {
        if (HasFailure() && m_app)
            std::fprintf(stderr, "program output:\n%s\n", m_app->log().c_str());
    }

    Tarnquill& app() { return *m_app; }
    ClipboardTool& clipboard() { return *m_clipboard; }

    // Copies a text the program must record and waits until the store's
    // newest entry is that text.
    ::testing::AssertionResult copyRecorded(const std::string& text)
    {
        clipboard().copyToClipboard(text);
        if (waitFor([&] { return slot0(app().store()) == text; }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "\"" << printable(text) << "\" never became the newest entry; "
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

    TempDir m_temp;
    std::unique_ptr<XvfbSession> m_x;
    std::unique_ptr<ClipboardTool> m_clipboard;
    std::unique_ptr<Tarnquill> m_app;
    int m_barriers = 0;
};

// ------------------------------------------------------- byte-exact entries

struct TextCase {
    const char* name;
    std::string text;
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

void PrintTo(const TextCase& c, std::ostream* out)
{
    *out << c.name;
}

class RecordsCopiedText : public GuiTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(RecordsCopiedText, ByteForByte)
{
    app().start();
    clipboard().copyToClipboard(GetParam().text);
    const std::string expected = storeOf({GetParam().text});
    EXPECT_TRUE(waitFor([&] { return app().store() == expected; })) << describeStore(app().store());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RecordsCopiedText,
    ::testing::Values(TextCase{"PlainAscii", "The quick brown fox jumps over the lazy dog"},
                      TextCase{"Utf8AccentsAndEmoji", "Cr\u00e8me br\u00fbl\u00e9e, na\u00efve caf\u00e9, \u0141\u00f3d\u017a "
                                                      "\u2014 \U0001F600\U0001F389 \u2713"},
                      TextCase{"CrLfAndTabs", "first line\r\nsecond line\r\n\tindented\tcolumns\r\n\r\n"},
                      TextCase{"Long100KiB", longText()}),
    [](const auto& info) { return std::string(info.param.name); });

// ----------------------------------------------------------- copy sequences

struct Step {
    std::string text;      // empty: release the clipboard (no owner, no text)
    bool recorded = false; // whether the program must record this copy
};

struct SequenceCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> expectedNewestFirst; // before the barrier
};

void PrintTo(const SequenceCase& c, std::ostream* out)
{
    *out << c.name;
}

class CopySequence : public GuiTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(CopySequence, RecordsOnlyChanges)
{
    app().start();
    for (const Step& step : GetParam().steps) {
        if (step.text.empty()) {
            clipboard().releaseAll();
            std::this_thread::sleep_for(kSettle);
        } else if (step.recorded) {
            ASSERT_TRUE(copyRecorded(step.text));
        } else {
            clipboard().copyToClipboard(step.text);
            std::this_thread::sleep_for(kSettle);
        }
    }
    std::vector<std::string> expected = GetParam().expectedNewestFirst;
    expected.insert(expected.begin(), barrier());
    EXPECT_TRUE(storeIs(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, CopySequence,
    ::testing::Values(
        SequenceCase{"SameTextTwiceIsRecordedOnce", {{"alpha", true}, {"alpha", false}}, {"alpha"}},
        SequenceCase{"ReturningToAnOlderTextRecordsItAgain", {{"A", true}, {"B", true}, {"A", true}}, {"A", "B", "A"}},
        SequenceCase{"MarkerIsNeverRecordedEvenWithEmptyHistory", {{std::string(kMarker), false}}, {}},
        SequenceCase{"MarkerInBetweenLeavesNewestEntryAlone",
                     {{"kept", true}, {std::string(kMarker), false}, {"kept", false}},
                     {"kept"}},
        SequenceCase{"LetterCaseMatters", {{"Hello", true}, {"hello", true}}, {"hello", "Hello"}},
        SequenceCase{"EmptiedClipboardRecordsNothing", {{"still", true}, {"", false}, {"still", false}}, {"still"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ start and exit

TEST_F(GuiTest, ExitWritesAllSlotsToAnOwnerOnlyFile)
{
    app().start();
    ASSERT_TRUE(waitFor([&] { return fs::exists(app().storeFile()); })) << "no store file created at start";

    const ExitStatus status = app().stop();
    EXPECT_TRUE(status.exited() && status.exitCode() == 0) << status.describe();
    EXPECT_TRUE(storeIs({}));
    EXPECT_EQ(fs::file_size(app().storeFile()), 10'002u);
    struct stat info {};
    ASSERT_EQ(::stat(app().storeFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(GuiTest, HistorySurvivesRestartAndUnchangedClipboardIsNotAddedAgain)
{
    app().start();
    ASSERT_TRUE(copyRecorded("first"));
    ASSERT_TRUE(copyRecorded("second"));
    const ExitStatus status = app().stop();
    EXPECT_TRUE(status.exited() && status.exitCode() == 0) << status.describe();
    ASSERT_TRUE(storeIs({"second", "first"}));

    // "second" is still on the clipboard (its owner lives on) and equals the
    // restored newest entry, so the restart must not add it again.
    app().start();
    std::this_thread::sleep_for(kSettle);
    const std::string after = barrier();
    EXPECT_TRUE(storeIs({after, "second", "first"}));
}

TEST_F(GuiTest, TextCopiedWhileNotRunningIsAddedAtStart)
{
    app().start();
    ASSERT_TRUE(copyRecorded("before"));
    app().stop();

    clipboard().copyToClipboard("while away");
    app().start();
    EXPECT_TRUE(waitFor([&] { return app().store() == storeOf({"while away", "before"}); }))
        << describeStore(app().store());
}

TEST_F(GuiTest, TextHoldingTheSeparatorComesBackWholeAfterRestart)
{
    const std::string text = "left" + std::string(kSeparator) + "right||!o@!@#w";
    app().start();
    ASSERT_TRUE(copyRecorded(text));
    {
        // Escaped on disk: still exactly one separator per slot.
        const std::string bytes = app().store().value_or("");
        std::size_t separators = 0;
        for (auto at = bytes.find(kSeparator); at != std::string::npos; at = bytes.find(kSeparator, at + 1))
            ++separators;
        EXPECT_EQ(separators, kHistorySlots);
    }
    app().stop();

    // The text is still on the clipboard: had the restart split it into two
    // entries, the newest entry would differ from it and it would be added again.
    app().start();
    std::this_thread::sleep_for(kSettle);
    const std::string after = barrier();
    const auto slots = decodeStore(app().store().value_or(""));
    ASSERT_GE(slots.size(), 3u) << describeStore(app().store());
    EXPECT_EQ(slots[0], after);
    EXPECT_EQ(slots[1], text);
    EXPECT_EQ(slots[2], "") << describeStore(app().store());
}

// ----------------------------------------------------------------- secrets

TEST_F(GuiTest, TextMarkedSecretIsNeverRecorded)
{
    const fs::path owner = GUI_CLIP_OWNER;
    app().start();

    // The same owner program without the hint is recorded, so a pass below
    // is not a helper that failed to copy.
    clipboard().copyWithTargets(owner, "visible", {});
    ASSERT_TRUE(waitFor([&] { return slot0(app().store()) == "visible"; })) << describeStore(app().store());

    clipboard().copyWithTargets(owner, "hunter2", {{"x-kde-passwordManagerHint", "secret"}});
    ASSERT_EQ(clipboard().readClipboard(), "hunter2");
    std::this_thread::sleep_for(kSettle);
    const std::string after = barrier();
    EXPECT_TRUE(storeIs({after, "visible"}));
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
