// SPDX-License-Identifier: MIT
// QtClipboard and XcbClipboard on this process's Xvfb, through the clipboard
// checks every Clipboard passes (history/ClipboardContract.h) and what each
// adds, with the shared owner program and xclip as the other applications.
#include "LinuxTestSupport.h"
#include "support/ClipboardOwner.h"
#include "support/XvfbSession.h"

#include "history/ClipboardContract.h"
#include "platform/linux/DesktopNotification.h"
#include "platform/linux/QtClipboard.h"
#include "platform/linux/XcbClipboard.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tarnquill::test {
namespace {

using Status = ClipboardRead::Status;

// The clipboard part of the backends of the clipboard checks
// (history/ClipboardContract.h): the shared owner program on this process's
// Xvfb, offering exactly the targets given (which ClipboardOwner's copies do
// not), or never answering.
struct SelectionOwner {
    // The owner program's arguments: own TARGET:TEXT|TARGET%HEX... | hang TEXT.
    void own(const QStringList& arguments)
    {
        auto next = std::make_unique<ChildProcess>(QString::fromStdString(ClipboardOwner::toolProgram()), arguments);
        EXPECT_TRUE(next->waitForLine("ready"));
        owner = std::move(next); // the previous owner has lost the clipboard already
    }
    void offer(Status kind, const std::string& text)
    {
        const QString utf8 = QStringLiteral("UTF8_STRING:") + QString::fromStdString(text);
        if (kind == Status::Text)
            own({"own", utf8});
        else if (kind == Status::Secret)
            own({"own", utf8, "x-kde-passwordManagerHint:secret"});
        else
            own({"own", "image/png:not really a picture"});
    }
    void hang() { own({"hang", "frozen"}); }
    bool waitUntil(const std::function<bool()>& condition) { return test::waitUntil(condition); }

    std::unique_ptr<ChildProcess> owner;
};

struct QtClipboardBackend : SelectionOwner {
    // Notifications of an earlier test's owners arrive before the baseline.
    QtClipboardBackend() { settle(); }
    Clipboard& clipboard() { return qt; }

    QtClipboard qt{*QGuiApplication::clipboard()};
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, ClipboardContract, QtClipboardBackend);

using QtClipboardTest = ClipboardContract<QtClipboardBackend>;

// Only the hint's value "secret" marks a secret; the program's own copy over
// a secret is text again, without the hint, and other programs paste it.
TEST_F(QtClipboardTest, OnlyASecretHintHidesTheTextSetTextDropsItAndAnOwnersExitEmptiesIt)
{
    backend.own({"own", "UTF8_STRING:hunter2", "x-kde-passwordManagerHint:public"});
    EXPECT_EQ(next(Status::Text).text, "hunter2");
    backend.offer(Status::Secret, "hunter2");
    next(Status::Secret);

    const std::string text = "r\xC3\xA9sent \xE2\x9C\x93";
    ASSERT_TRUE(backend.qt.setText(text));
    // Pasted by xclip while this process's event loop serves the request.
    ChildProcess targets(QStringLiteral("xclip"), {"-selection", "clipboard", "-o", "-t", "TARGETS"});
    ASSERT_TRUE(targets.waitForExit());
    EXPECT_FALSE(targets.output().contains("x-kde-passwordManagerHint")) << targets.output().toStdString();
    ChildProcess paste(QStringLiteral("xclip"), {"-selection", "clipboard", "-o"});
    ASSERT_TRUE(paste.waitForExit());
    EXPECT_EQ(paste.output().toStdString(), text);

    // An owner's exit empties the clipboard.
    backend.offer(Status::Text, "short-lived");
    next(Status::Text);
    backend.owner.reset();
    next(Status::NoText);
}

TEST(QtClipboardWithoutXFixesTest, OffersNoChangeCounter)
{
    XvfbSession plainServer({"-extension", "XFIXES"});
    ASSERT_TRUE(plainServer.isRunning());
    ChildProcess client(QCoreApplication::applicationFilePath(),
                        {"--print-change-count", "-display", QString::fromStdString(plainServer.display())});
    ASSERT_TRUE(client.waitForExit());
    EXPECT_EQ(client.output().trimmed().toStdString(), "none");
}

template <int answerDeadlineMs = 200, std::size_t maxTextBytes = XcbClipboard::kMaxTextBytes>
struct XcbClipboardBackend : SelectionOwner {
    XcbClipboardBackend()
    {
        EXPECT_TRUE(xcb.isValid()) << "Xvfb has XFixes";
        xcb.setOnChange([this] { ++published; });
        xcb.setOnRefused([this](std::size_t size) { refused = size; });
        EXPECT_TRUE(waitUntil([this] { return published > 0; })) << "the first read is published";
    }
    Clipboard& clipboard() { return xcb; }

    XcbClipboard xcb{*QGuiApplication::clipboard(), {}, {answerDeadlineMs, maxTextBytes}};
    int published = 0;
    std::size_t refused = 0;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Xcb, ClipboardContract, XcbClipboardBackend<>);

using XcbClipboardTest = ClipboardContract<XcbClipboardBackend<>>;

// UTF8_STRING wins over the others, and a C string's NUL is not text; the
// MIME type in any letter case; Latin-1 STRING. Targets: TARGET:TEXT or TARGET%HEX.
TEST_F(XcbClipboardTest, ReadsTheBestTextTarget)
{
    for (const auto& [targets, text] :
         {std::pair{QStringList{"STRING:latin", "UTF8_STRING%636166c3a920e29c9300"}, "caf\xC3\xA9 \xE2\x9C\x93"},
          {QStringList{QStringLiteral("text/plain;Charset=UTF-8:na\u00efve \U0001F600")}, "na\xC3\xAFve \xF0\x9F\x98\x80"},
          {QStringList{"STRING%64e96ae0"}, "d\xC3\xA9j\xC3\xA0"}}) {
        backend.own(QStringList{"own"} + targets);
        EXPECT_EQ(next(Status::Text).text, text);
    }
}

// An owner that never answers reads as busy once its deadline passed, and
// the next owner's text is read at once, without waiting for the first.
TEST_F(XcbClipboardTest, AfterAHungOwnerTheNextOwnerIsReadAtOnce)
{
    backend.hang();
    next(Status::Busy);
    backend.offer(Status::Text, "after the hang");
    EXPECT_EQ(next(Status::Text).text, "after the hang");
}

// Copies made while the user-interface thread is busy (no events served
// here: the plain wait sleeps between checks) are each read in turn, not
// just the last one.
TEST_F(XcbClipboardTest, CopiesMadeWhileTheWatcherIsBusyWaitTheirTurn)
{
    backend.offer(Status::Text, "first");
    ASSERT_TRUE(waitUntil([&] { return backend.xcb.changeCount() != seen; }, 10s)) << "the reader read the first";
    // xclip tells of each text it handed over: then the reader has the second.
    ChildProcess second(QStringLiteral("sh"), {"-c", "exec xclip -verbose -selection clipboard -i 2>&1"}, "second");
    ASSERT_TRUE(second.waitForLine("  Waiting for selection request number 2"));
    seen = backend.xcb.changeCount();
    EXPECT_EQ(backend.xcb.readText().text, "first");
    EXPECT_EQ(next(Status::Text).text, "second");
}

// The program's own large text comes back through the X server in INCR
// pieces, as Qt serves it.
TEST_F(XcbClipboardTest, OwnLargeTextsRoundTripInPieces)
{
    std::string large;
    for (int line = 0; large.size() < 3'000'000; ++line)
        large += "line " + std::to_string(line) + " \xC3\xA9\n";
    ASSERT_TRUE(backend.xcb.setText(large));
    const ClipboardRead read = next(Status::Text);
    EXPECT_EQ(read.text.size(), large.size());
    EXPECT_TRUE(read.text == large);
}

using XcbClipboardLimitTest = ClipboardContract<XcbClipboardBackend<1000, 100'000>>;

// Whether sent whole or in INCR pieces, a text above the limit is refused
// and reported, and the clipboard reads as holding no text.
TEST_F(XcbClipboardLimitTest, TextAboveTheLimitIsRefusedAndReported)
{
    backend.offer(Status::Text, std::string(120'000, 'x'));
    next(Status::NoText);
    EXPECT_TRUE(backend.waitUntil([this] { return backend.refused >= 100'000; }));

    backend.refused = 0;
    ASSERT_TRUE(backend.xcb.setText(std::string(1'000'000, 'y')));
    next(Status::NoText);
    EXPECT_TRUE(backend.waitUntil([this] { return backend.refused >= 100'000; }));
}

// The program tells of a refused text through the desktop's notification
// service: here a mock of it.
TEST(DesktopNotificationTest, ReachesTheNotificationService)
{
    TempFolder folder;
    MockBus bus(folder, "DBUS_SESSION_BUS_ADDRESS", {"--template", "notification_daemon"},
                QStringLiteral("org.freedesktop.Notifications"));
    ASSERT_TRUE(bus.isUp());
    QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "notification test");
    EXPECT_TRUE(showDesktopNotification(QStringLiteral("Copied text too large"),
                                        QStringLiteral("A copied text of 300 MB was not recorded"),
                                        NoticeLevel::Warning, connection));
    EXPECT_TRUE(waitUntil([&] { return bus.log().find("A copied text of 300 MB was not recorded") != std::string::npos; }));
    QDBusConnection::disconnectFromBus(QStringLiteral("notification test"));
}

} // namespace
} // namespace tarnquill::test
