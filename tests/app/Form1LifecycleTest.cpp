// SPDX-License-Identifier: MIT
// The main window's start and exit, its tray mode, the drag by its title and
// the hover effect, against fake views and the recording Win32 seam.

#include "history/Fakes.h"

#include "FakeViews.h"
#include "RecordingWin32Api.h"

#include "app/Form1.h"
#include "app/ProgressForm.h"
#include "history/StoreFormat.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace tarnquill::app {
namespace {

using tarnquill::testing::FakeForm1View;
using tarnquill::testing::FakeProgressView;
using tarnquill::testing::FakeClipboard;
using tarnquill::testing::FakeFileSystem;
using tarnquill::testing::RecordingWin32Api;
using tarnquill::testing::trayCall;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

const std::filesystem::path kStore = "/opt/tarnquill/tcb.txt";

// The fake file system with its reads and writes of the store in the log,
// and a switch that makes them throw rather than fail.
class LoggingFileSystem final : public FileSystem {
public:
    explicit LoggingFileSystem(std::vector<std::string>& log)
        : m_log(log)
    {
    }

    FakeFileSystem files;
    bool throwOnRead = false;
    bool throwOnWrite = false;

    bool touch(const std::filesystem::path& file) override { return files.touch(file); }
    std::optional<std::string> readAll(const std::filesystem::path& file) override
    {
        m_log.push_back("read " + file.filename().string());
        if (throwOnRead)
            throw std::runtime_error("read error");
        return files.readAll(file);
    }
    bool replaceAtomically(const std::filesystem::path& file, std::string_view bytes) override
    {
        m_log.push_back("save " + file.filename().string());
        if (throwOnWrite)
            throw std::runtime_error("disk gone");
        return files.replaceAtomically(file, bytes);
    }
    bool remove(const std::filesystem::path& file) override { return files.remove(file); }
    bool exists(const std::filesystem::path& path) override { return files.exists(path); }
    bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        return files.renameNoReplace(from, to);
    }
    bool isWritableFolder(const std::filesystem::path& folder, bool create) override
    {
        return files.isWritableFolder(folder, create);
    }

private:
    std::vector<std::string>& m_log;
};

class LoggingListView final : public HistoryListView {
public:
    explicit LoggingListView(std::vector<std::string>& log)
        : m_log(log)
    {
    }
    void listReset(std::size_t rows) override { m_log.push_back("List1 filled with " + std::to_string(rows)); }

private:
    std::vector<std::string>& m_log;
};

class Form1LifecycleTest : public ::testing::Test {
protected:
    Form1LifecycleTest()
    {
        std::array<SharedText, kHistorySlots> slots;
        slots.fill(std::make_shared<const std::string>());
        slots[0] = std::make_shared<const std::string>("from the last run");
        files.files.files[kStore] = encodeStore(slots);
        history.setListView(&list);
    }

    // The log with the CWinAPI constructor's readings (work area, cursor)
    // as one line and registry calls by name alone.
    std::vector<std::string> steps() const
    {
        std::vector<std::string> result;
        for (const std::string& line : log) {
            if (line.starts_with("SystemParametersInfoA("))
                result.push_back("CWinAPI created");
            else if (line.starts_with("GetCursorPos("))
                continue;
            // The registry calls of one Run entry change are one step; what
            // they leave is RegStuff's to show.
            else if (line.starts_with("Reg")) {
                if (result.empty() || result.back() != "Run entry applied")
                    result.push_back("Run entry applied");
            }
            else
                result.push_back(line);
        }
        return result;
    }

    void load()
    {
        form.Load();
        log.clear();
    }

    RecordingWin32Api api;
    std::vector<std::string>& log = api.calls;
    LoggingFileSystem files{log};
    LoggingListView list{log};
    FakeClipboard clipboard;
    FakeForm1View view{log};
    FakeProgressView form2View{"Form2", "  Loading", log};
    FakeProgressView form3View{"form3", "  Saving", log};
    int mainWindowRequests = 0;
    ProgressForm form2{form2View, [this] {
                           ++mainWindowRequests;
                           form.Load();
                       }};
    ProgressForm form3{form3View, [this] {
                           ++mainWindowRequests;
                           form.Load();
                       }};
    TextHistory history{files, kStore};
    Form1 form{view, history, clipboard, api, form2, form3};
};

// ---- start ------------------------------------------------------------------

TEST_F(Form1LifecycleTest, TheLoadingWindowsFirstTickLoadsTheMainWindowInOrder)
{
    form2.Show();
    ASSERT_TRUE(form2View.timerEnabled);
    log.clear();

    form2.Timer1_Timer();
    EXPECT_EQ(form2View.caption, "  Loading.");
    EXPECT_THAT(steps(), ElementsAre("Form2.Hide()", "Show()", "read tcb.txt", "Timer1 started", "CWinAPI created",
                                     "List1 filled with 500"));
    EXPECT_EQ(history.slot(0), "from the last run");
    // Hidden, the loading window no longer animates.
    EXPECT_FALSE(form2View.shown);
    EXPECT_FALSE(form2View.timerEnabled);
}

TEST_F(Form1LifecycleTest, LaterLoadRequestsDoNothing)
{
    form2.Timer1_Timer();
    log.clear();
    form2.Timer1_Timer(); // a tick already on its way when the timer stopped
    form3.Timer1_Timer();
    form.Load();
    EXPECT_THAT(log, IsEmpty());
    EXPECT_EQ(mainWindowRequests, 3);
    EXPECT_EQ(form2View.caption, "  Loading..");
    EXPECT_EQ(form3View.caption, "  Saving.");
}

TEST_F(Form1LifecycleTest, ALoadStepThatFailsIsSkipped)
{
    files.throwOnRead = true;
    view.failShow = true;
    form.Load();
    EXPECT_THAT(steps(), ElementsAre("Form2.Hide()", "Show()", "read tcb.txt", "Timer1 started", "CWinAPI created",
                                     "List1 filled with 500"));
    EXPECT_TRUE(form.isLoaded());
}

// ---- exit -------------------------------------------------------------------

TEST_F(Form1LifecycleTest, ExitShowsTheSavingWindowRemovesTheIconSavesAppliesTheRunEntryAndEnds)
{
    load();
    form.Label3_Click();
    EXPECT_THAT(steps(), ElementsAre("form3.Show()", trayCall(2), "save tcb.txt", "Run entry applied",
                                     "process ended"));
    const auto saved = files.files.readAll(kStore);
    ASSERT_TRUE(saved);
    const auto slots = decodeStore(*saved, kHistorySlots);
    EXPECT_EQ(slots.size(), kHistorySlots);
    EXPECT_EQ(slots[0], "from the last run");
}

TEST_F(Form1LifecycleTest, ExitWithCheck2ClearedRemovesTheRunEntry)
{
    load();
    view.check2 = 0;
    form.Label3_Click();
    EXPECT_FALSE(api.callsTo("RegDeleteValueA").empty());
    EXPECT_THAT(api.callsTo("RegSetValueExA"), IsEmpty());
    EXPECT_EQ(log.back(), "process ended");
}

TEST_F(Form1LifecycleTest, ExitStepsThatFailAreSkipped)
{
    load();
    form3View.failShow = true;
    api.onShell_NotifyIconA = [](DWORD, const NotifyIconDataA&) -> BOOL { throw std::runtime_error("no shell"); };
    files.throwOnWrite = true;
    form.Label3_Click();
    EXPECT_THAT(steps(), ElementsAre("form3.Show()", trayCall(2), "save tcb.txt", "Run entry applied",
                                     "process ended"));
}

TEST_F(Form1LifecycleTest, TheExitRunsOnce)
{
    load();
    form.Label3_Click();
    const auto first = log;
    form.Form_Unload(); // the signal that came in while the first one ran
    form.Label3_Click();
    EXPECT_EQ(log, first);
}

TEST_F(Form1LifecycleTest, AnUnloadBeforeTheLoadEndsWithoutSavingEmptySlotsOverTheStore)
{
    const std::string before = *files.files.readAll(kStore);
    form.Form_Unload();
    EXPECT_THAT(log, ElementsAre("process ended"));
    EXPECT_EQ(*files.files.readAll(kStore), before);
}

TEST_F(Form1LifecycleTest, TheSessionsSaveRequestSavesAndAppliesTheEntryButKeepsRunning)
{
    load();
    form.commitData();
    EXPECT_THAT(steps(), ElementsAre("save tcb.txt", "Run entry applied"));
    // The session then ends after all: the whole exit still runs.
    log.clear();
    form.Form_Unload();
    EXPECT_EQ(log.back(), "process ended");
}

// ---- send to tray or close --------------------------------------------------------

struct SendToTrayCase {
    const char* name;
    int check1;
    bool notificationArea;
    std::vector<std::string> steps;
};

// Each case through "_" (Label1(0)) and through "Send to Tray" (Label6).
class Form1SendToTrayTest : public Form1LifecycleTest,
                            public ::testing::WithParamInterface<std::tuple<SendToTrayCase, bool>> {};

TEST_P(Form1SendToTrayTest, SendsToTheTrayOrEnds)
{
    const auto& [sendCase, viaLabel6] = GetParam();
    load();
    view.check1 = sendCase.check1;
    view.notificationArea = sendCase.notificationArea;
    if (viaLabel6)
        form.Label6_Click();
    else
        form.Label1_Click(0);
    EXPECT_EQ(steps(), sendCase.steps);
}

INSTANTIATE_TEST_SUITE_P(
    Check1AndTray, Form1SendToTrayTest,
    ::testing::Combine(
        ::testing::Values(
            SendToTrayCase{"IntoTheTray", 1, true, {trayCall(0), "Hide()"}},
            // A window hidden without an icon would be out of reach.
            SendToTrayCase{"NoNotificationAreaMinimises", 1, false, {"Minimize()"}},
            SendToTrayCase{"Check1ClearedEndsThroughTheExit",
                           0,
                           true,
                           {"Hide()", "form3.Show()", trayCall(2), "save tcb.txt", "Run entry applied",
                            "process ended"}}),
        ::testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_Label6" : "_Label1");
    });

// ---- dragging by the title --------------------------------------------------------

TEST_F(Form1LifecycleTest, DraggingTheTitleMovesTheWindowByThePointersWay)
{
    load();
    for (const int button : {1, 2, 4}) {
        const float left = view.left;
        const float top = view.top;
        form.Label25_MouseDown(button, 0, 1200, 120);
        form.Label25_MouseMove(button, 0, 1500, 270);
        EXPECT_EQ(view.left, left + 300) << "button " << button;
        EXPECT_EQ(view.top, top + 150) << "button " << button;
        // The label moved with the window: the pointer is over the grab
        // point again, and the next move report changes nothing.
        form.Label25_MouseMove(button, 0, 1200, 120);
        EXPECT_EQ(view.left, left + 300);
        form.Label25_MouseUp(button, 0, 1200, 120);
    }
    EXPECT_THAT(log, ElementsAre("Left = 4140.000000", "Top = 2310.000000", "Left = 4140.000000", "Top = 2310.000000",
                                 "Left = 4440.000000", "Top = 2460.000000", "Left = 4440.000000", "Top = 2460.000000",
                                 "Left = 4740.000000", "Top = 2610.000000", "Left = 4740.000000", "Top = 2610.000000"));
}

TEST_F(Form1LifecycleTest, MovesWithoutAPressOrAfterTheReleaseLeaveTheWindowAlone)
{
    load();
    form.Label25_MouseMove(1, 0, 1500, 270); // a press elsewhere, dragged in
    form.Label25_MouseDown(1, 0, 1200, 120);
    form.Label25_MouseUp(1, 0, 1200, 120);
    form.Label25_MouseMove(0, 0, 1800, 400);
    EXPECT_THAT(log, IsEmpty());
}

// ---- hover ------------------------------------------------------------------------

TEST_F(Form1LifecycleTest, TheHoveredCommandLabelAloneIsUnderlined)
{
    load();
    form.Label2_MouseMove(0, 0, 0, 100, 100);
    form.Label2_MouseMove(2, 0, 0, 100, 100);
    EXPECT_THAT(log, ElementsAre("Label2(0).FontUnderline = False", "Label2(2).FontUnderline = False",
                                 "Label2(0).FontUnderline = True", "Label2(0).FontUnderline = False",
                                 "Label2(2).FontUnderline = False", "Label2(2).FontUnderline = True"));
    EXPECT_FALSE(view.underlined[0]);
    EXPECT_TRUE(view.underlined[2]);
}

TEST_F(Form1LifecycleTest, TheWindowsSurfaceTakesEveryUnderlineAwayPastErrors)
{
    load();
    form.Label2_MouseMove(2, 0, 0, 100, 100);
    view.brokenUnderline = {0};
    form.Form_MouseMove(0, 0, 30, 30);
    EXPECT_FALSE(view.underlined[2]);
}

} // namespace
} // namespace tarnquill::app
