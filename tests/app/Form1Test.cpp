// SPDX-License-Identifier: MIT
// The main window's handlers against fake views, the fake history store and
// clipboard, and an in-memory registry behind the recording Win32 seam: what
// the user sees and what is left on disk and in the registry.

#include "history/Fakes.h"

#include "winapi/RecordingWin32Api.h"

#include "app/Form1.h"
#include "app/ProgressForm.h"
#include "history/StoreFormat.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>

namespace tarnquill::app {
namespace {

using tarnquill::testing::CountingListView;
using tarnquill::testing::FakeClipboard;
using tarnquill::testing::FakeFileSystem;
using tarnquill::testing::InMemoryRegistry;
using tarnquill::testing::RecordingWin32Api;
using tarnquill::testing::slotsOf;

// Views of the windows: each keeps what the user would see (shown or not,
// the preview, the captions), not how it was asked.
void failIf(bool fail)
{
    if (fail)
        throw std::runtime_error("the window cannot be shown");
}

class FakeForm1View final : public Form1View {
public:
    static constexpr HWND kPicture1 = 0x40000002;
    static constexpr HICON kProgramIcon = 0x40000003;

    enum class Window { Hidden, Shown, Minimized };
    Window window = Window::Hidden;
    bool watching = false; // Timer1 runs
    bool ended = false;
    bool failShow = false;

    int selected = -1;
    std::string text1 = "(what the user typed)";
    int check1 = 1;
    int check2 = 1;
    bool notificationArea = true;
    // In twips. The fake keeps what it is given, fractions and all; the real
    // views round to whole pixels.
    float left = 3840;
    float top = 2160;
    std::map<int, bool> underlined;
    int brokenUnderline = -1; // a Label2 element whose underline cannot change

    int List1_ListIndex() const override { return selected; }
    void setText1(const std::string& text) override { text1 = text; }
    int Check1_Value() const override { return check1; }
    int Check2_Value() const override { return check2; }
    HWND Picture1_hWnd() const override { return kPicture1; }
    Picture Picture1_Picture() const override { return Picture(kProgramIcon); }

    void Show() override { failIf(failShow), window = Window::Shown; }
    void Hide() override { window = Window::Hidden; }
    void Minimize() override { window = Window::Minimized; }
    bool hasNotificationArea() const override { return notificationArea; }

    float Left() const override { return left; }
    float Top() const override { return top; }
    void setLeft(float twips) override { left = twips; }
    void setTop(float twips) override { top = twips; }

    void setLabel2Underline(int index, bool underline) override
    {
        if (index == brokenUnderline)
            throw std::runtime_error("no such label");
        underlined[index] = underline;
    }

    void startTimer1() override { watching = true; }
    void endProcess() override
    {
        ended = true;
        if (atEnd)
            atEnd(); // the real process is gone now: what is not done stays undone
    }
    std::function<void()> atEnd;
};

class FakeProgressView final : public ProgressView {
public:
    explicit FakeProgressView(std::string caption) : caption(std::move(caption)) {}

    std::string caption;
    bool shown = false;
    bool timerEnabled = false;
    bool failShow = false;

    std::string Label1Caption() const override { return caption; }
    void setLabel1Caption(const std::string& text) override { caption = text; }
    void Show() override { failIf(failShow), shown = true; }
    void Hide() override { shown = false; }
    void setTimer1Enabled(bool enabled) override { timerEnabled = enabled; }
};

using Window = FakeForm1View::Window;

const std::filesystem::path kStore = "/home/user/.local/share/tarnquill/tcb.txt";
// The Run entry of RecordingWin32Api's executable: "tool" in C:\Apps\Clip.
const InMemoryRegistry::Stored kRunEntry{REG_SZ, std::string("C:\\Apps\\Clip\\tool\0", 18)};

// The main window before its load, with a store from the last run.
class Form1Test : public ::testing::Test {
protected:
    Form1Test()
    {
        files.files[kStore] = encodeStore(slotsOf({"newest", "line one\r\nline two\r\n", "oldest"}));
        history.setListView(&list);
        clipboard.copy("on the clipboard");
        api.registry = &registry;
        api.onShell_NotifyIconA = [this](DWORD action, const NotifyIconDataA& data) -> BOOL {
            EXPECT_EQ(data.hWnd, FakeForm1View::kPicture1);
            EXPECT_EQ(data.hIcon, FakeForm1View::kProgramIcon);
            if (action == NIM_ADD)
                iconInTray = true;
            else if (action == NIM_DELETE)
                iconInTray = false;
            return 1;
        };
    }

    std::optional<InMemoryRegistry::Stored> runValue(HKEY root) const
    {
        return registry.value(root, std::string(kRunSubKey), "tool");
    }
    std::string storedSlot(std::size_t slot) const { return decodeStore(files.files.at(kStore)).at(slot); }

    FakeFileSystem files;
    FakeClipboard clipboard;
    CountingListView list;
    InMemoryRegistry registry;
    RecordingWin32Api api;
    bool iconInTray = false;
    FakeForm1View view;
    FakeProgressView form2View{"  Loading"};
    FakeProgressView form3View{"  Saving"};
    ProgressForm form2{form2View, [this] { form.Load(); }};
    ProgressForm form3{form3View, [this] { form.Load(); }};
    TextHistory history{files, kStore};
    Form1 form{view, history, clipboard, api, form2, form3};
};

class Form1LoadedTest : public Form1Test {
protected:
    Form1LoadedTest()
    {
        form.Load();
        list.resets = 0;
    }
};

// The loading window's first tick loads the main window; later requests
// (a tick already on its way, the saving window's, another load) do nothing.
TEST_F(Form1Test, TheLoadingWindowsFirstTickLoadsTheMainWindowOnce)
{
    form2.Show();
    ASSERT_TRUE(form2View.timerEnabled);
    form2.Timer1_Timer();
    EXPECT_EQ(view.window, Window::Shown);
    EXPECT_TRUE(view.watching);
    EXPECT_EQ(history.slot(1), "line one\r\nline two\r\n");
    EXPECT_EQ(list.rows, kHistorySlots);
    EXPECT_FALSE(form2View.shown || form2View.timerEnabled) << "hidden, the loading window no longer animates";

    view.window = Window::Hidden;
    files.files[kStore] = "changed on disk meanwhile";
    form2.Timer1_Timer();
    form3.Timer1_Timer();
    form.Load();
    EXPECT_EQ(view.window, Window::Hidden);
    EXPECT_EQ(history.slot(0), "newest") << "the store is read once";
    EXPECT_EQ(form2View.caption, "  Loading..");
    EXPECT_EQ(form3View.caption, "  Saving.");
}

TEST_F(Form1Test, LoadAndExitStepsThatFailAreSkipped)
{
    files.throws = true;
    view.failShow = true;
    form.Load();
    EXPECT_TRUE(form.isLoaded());
    EXPECT_TRUE(view.watching);
    EXPECT_EQ(list.rows, kHistorySlots);

    form3View.failShow = true;
    api.onShell_NotifyIconA = [](DWORD, const NotifyIconDataA&) -> BOOL { throw std::runtime_error("no shell"); };
    form.Label3_Click();
    EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), kRunEntry);
    EXPECT_TRUE(view.ended);
}

// The session's save request saves and applies the entry but keeps running;
// when the session then ends after all, the whole exit still runs.
TEST_F(Form1LoadedTest, ExitShowsTheSavingWindowRemovesTheIconSavesAppliesTheRunEntryAndEndsOnce)
{
    form.Label6_Click();
    ASSERT_TRUE(iconInTray);
    files.files[kStore] = "overwritten behind the program's back";
    form.commitData();
    EXPECT_EQ(storedSlot(0), "newest");
    EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), kRunEntry);
    EXPECT_FALSE(view.ended);

    files.files[kStore] = "overwritten behind the program's back";
    view.check2 = 0;
    view.atEnd = [&] {
        EXPECT_TRUE(form3View.shown);
        EXPECT_FALSE(iconInTray);
        EXPECT_EQ(storedSlot(0), "newest");
        EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), std::nullopt);
    };
    form.Form_Unload();
    ASSERT_TRUE(view.ended);

    view.ended = false;
    form3View.shown = false;
    files.files.clear();
    form.Label3_Click(); // the click that came in while the first exit ran
    form.Form_Unload();
    EXPECT_FALSE(view.ended);
    EXPECT_FALSE(form3View.shown);
    EXPECT_TRUE(files.files.empty());
}

TEST_F(Form1Test, ASaveRequestOrAnUnloadBeforeTheLoadSavesNoEmptySlotsOverTheStore)
{
    const std::string before = files.files.at(kStore);
    form.commitData();
    form.Form_Unload();
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(files.files.at(kStore), before);
    EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), std::nullopt);
}

// Each case through "_" (Label1(0)) and through "Send to Tray" (Label6). A
// window hidden without an icon would be out of reach: it is minimised.
struct SendToTrayCase { const char* name; int check1; bool notificationArea; Window window; bool inTray, ended; };

class Form1SendToTrayTest : public Form1LoadedTest,
                            public ::testing::WithParamInterface<std::tuple<SendToTrayCase, bool>> {};

TEST_P(Form1SendToTrayTest, SendsToTheTrayOrEnds)
{
    const auto& [sendCase, viaLabel6] = GetParam();
    view.check1 = sendCase.check1;
    view.notificationArea = sendCase.notificationArea;
    files.files[kStore] = "overwritten behind the program's back";
    viaLabel6 ? form.Label6_Click() : form.Label1_Click(0);
    EXPECT_EQ(view.window, sendCase.window);
    EXPECT_EQ(iconInTray, sendCase.inTray);
    EXPECT_EQ(view.ended, sendCase.ended);
    EXPECT_EQ(storedSlot(0) == "newest", sendCase.ended) << "only the exit saves";
}

INSTANTIATE_TEST_SUITE_P(
    Check1AndTray, Form1SendToTrayTest,
    ::testing::Combine(::testing::Values(SendToTrayCase{"IntoTheTray", 1, true, Window::Hidden, true, false},
                                         SendToTrayCase{"NoAreaMinimises", 1, false, Window::Minimized, false, false},
                                         SendToTrayCase{"Check1ClearedEnds", 0, true, Window::Hidden, false, true}),
                       ::testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_Label6" : "_Label1");
    });

// Pointer moves, a left press, a double-click, the right and middle buttons
// leave the icon; 511 is below the mouse messages. The screen's density may
// change during the run: the message is decoded with the factor of the moment.
TEST_F(Form1LoadedTest, OnlyALeftButtonReleaseOverTheTrayIconShowsTheWindowAndRemovesTheIcon)
{
    for (const float twipsPerPixel : {15.0f, 12.0f, 10.0f, 7.5f, 1440.0f / 110}) {
        form.Label6_Click();
        api.twipsPerPixelX = twipsPerPixel;
        for (const int message : {0, 511, 512, 513, 515, 516, 517, 518, 519, 520, 521})
            form.Picture1_TrayMessage(1, 0, message, 0);
        EXPECT_EQ(view.window, Window::Hidden) << twipsPerPixel;
        EXPECT_TRUE(iconInTray) << twipsPerPixel;
        form.Picture1_TrayMessage(1, 0, 514, 0);
        EXPECT_EQ(view.window, Window::Shown) << twipsPerPixel;
        EXPECT_FALSE(iconInTray) << twipsPerPixel;
    }
}

// Rows outside the list, and Label2 elements other than the two commands.
TEST_F(Form1LoadedTest, WithoutASelectionOrACommandNothingChanges)
{
    const auto before = clipboard.changeCount();
    const std::string stored = files.files.at(kStore);
    for (int row : {-1, 500, -7}) {
        view.selected = row;
        form.List1_Click();
        form.Label2_Click(Form1::kResendIndex);
    }
    view.selected = 0;
    for (int index : {-1, 1, 3, 500})
        form.Label2_Click(index);
    EXPECT_EQ(view.text1, "(what the user typed)");
    EXPECT_EQ(clipboard.changeCount(), before);
    EXPECT_EQ(files.files.at(kStore), stored);
    EXPECT_EQ(list.resets, 0);
}

// A busy clipboard ends the command quietly; once the other program lets go,
// the same click works.
TEST_F(Form1LoadedTest, SelectingARowPreviewsItAndResendPutsTheSlotBackByteForByteNotWhatWasTyped)
{
    for (const auto& [row, text] : {std::pair<int, std::string>{1, "line one\r\nline two\r\n"}, {0, "newest"},
                                    {499, ""}}) {
        view.selected = row;
        form.List1_Click();
        EXPECT_EQ(view.text1, text) << "the preview shows the whole entry";
        view.text1 = "edited in Text1";
        const auto before = clipboard.changeCount();
        form.Label2_Click(Form1::kResendIndex);
        EXPECT_NE(clipboard.changeCount(), before) << "row " << row;
        const ClipboardRead read = clipboard.readText();
        EXPECT_EQ(read.status, ClipboardRead::Status::Text) << "row " << row;
        EXPECT_EQ(read.text, text) << "row " << row;
    }
    // The history itself is the watcher's business, not the command's.
    EXPECT_EQ(history.slot(0), "newest");

    view.selected = 0;
    clipboard.setBusy(true);
    const auto before = clipboard.changeCount();
    form.Label2_Click(Form1::kResendIndex);
    EXPECT_EQ(clipboard.changeCount(), before);
    clipboard.setBusy(false);
    form.Label2_Click(Form1::kResendIndex);
    EXPECT_EQ(clipboard.readText().text, "newest");
}

// When the store cannot be deleted, TextHistoryTest shows that nothing is.
TEST_F(Form1LoadedTest, EraseDeletesTheStoreAndEmptiesTheListButNotTheClipboard)
{
    form.Label2_Click(Form1::kEraseIndex);
    EXPECT_FALSE(files.files.contains(kStore));
    EXPECT_EQ(history.slot(0), "");
    EXPECT_EQ(list.rows, 0u);
    EXPECT_EQ(clipboard.readText().text, "on the clipboard");
}

// Under which root the entry goes is RegStuffTest's business.
TEST_F(Form1LoadedTest, Check2ClickAndKeyUpWriteOrDeleteTheEntryOfThisExecutable)
{
    // A key up counts whatever the key and shift state.
    for (const auto& [check2, key] : {std::pair{1, 65}, {0, 0}, {1, 0}, {0, 9}}) {
        view.check2 = check2;
        key ? form.Check2_KeyUp(key, key % 3) : form.Check2_Click();
        EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), check2 ? std::optional(kRunEntry) : std::nullopt) << key;
    }
}

// With any button. The label moves with the window, so the pointer is over
// the grab point again after a move, and the next report changes nothing.
TEST_F(Form1LoadedTest, DraggingTheTitleMovesTheWindowByThePointersWay)
{
    form.Label25_MouseMove(0, 0, 1800, 400); // no press: no move
    form.Label25_MouseDown(2, 0, 1200, 120);
    form.Label25_MouseMove(2, 0, 1500, 270);
    form.Label25_MouseMove(2, 0, 1200, 120);
    form.Label25_MouseUp(2, 0, 1200, 120);
    form.Label25_MouseMove(1, 0, 1500, 270); // after the release
    EXPECT_EQ(view.left, 3840 + 300);
    EXPECT_EQ(view.top, 2160 + 150);
}

TEST_F(Form1LoadedTest, TheHoveredCommandLabelAloneIsUnderlinedAndTheSurfaceTakesEveryUnderlineAway)
{
    form.Label2_MouseMove(0, 0, 0, 100, 100);
    EXPECT_TRUE(view.underlined[0]);
    form.Label2_MouseMove(2, 0, 0, 100, 100);
    EXPECT_FALSE(view.underlined[0]);
    EXPECT_TRUE(view.underlined[2]);

    view.brokenUnderline = 0; // an error on one label does not stop the others
    form.Form_MouseMove(0, 0, 30, 30);
    EXPECT_FALSE(view.underlined[2]);
}

} // namespace
} // namespace tarnquill::app
