// SPDX-License-Identifier: MIT
#include "LinuxTestSupport.h"

#include "platform/linux/DesktopNotification.h"
#include "platform/linux/XcbClipboard.h"

#include <QClipboard>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace tarnquill::test {
namespace {

using Status = ClipboardRead::Status;

// An owner that offers exactly the given targets, or one that never answers.
std::unique_ptr<ChildProcess> selectionTool(const QStringList& arguments)
{
    auto tool = std::make_unique<ChildProcess>(QStringLiteral(GUI_SELECTION_TOOL), arguments);
    EXPECT_TRUE(tool->waitForLine("ready"));
    return tool;
}

class XcbClipboardTest : public ::testing::Test {
protected:
    explicit XcbClipboardTest(XcbClipboard::Options options = {200, XcbClipboard::kMaxTextBytes})
        : m_clipboard(*QGuiApplication::clipboard(), {}, options)
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_clipboard.isValid()) << "Xvfb has XFixes";
        m_clipboard.setOnChange([this] { ++m_published; });
        m_clipboard.setOnRefused([this](std::size_t size) { m_refused = size; });
        ASSERT_TRUE(waitUntil([this] { return m_published > 0; })) << "the first read is published";
        m_baseline = *m_clipboard.changeCount();
    }

    // Waits until a read with `status` is published after the last one seen.
    ClipboardRead next(Status status)
    {
        ClipboardRead read;
        waitUntil([&] {
            if (m_clipboard.changeCount() == m_baseline)
                return false;
            m_baseline = *m_clipboard.changeCount();
            read = m_clipboard.readText();
            return read.status == status;
        });
        return read;
    }

    XcbClipboard m_clipboard;
    int m_published = 0;
    std::size_t m_refused = 0;
    std::uint64_t m_baseline = 0;
};

struct OfferCase {
    const char* name;
    QStringList targets; // TARGET:TEXT or TARGET%HEX
    Status status;
    std::string text;
};

class XcbClipboardOfferTest : public XcbClipboardTest, public ::testing::WithParamInterface<OfferCase> {};

TEST_P(XcbClipboardOfferTest, ReadsWhatTheOwnerOffers)
{
    auto owner = selectionTool(QStringList{"own"} + GetParam().targets);
    const ClipboardRead read = next(GetParam().status);
    EXPECT_EQ(read.status, GetParam().status);
    EXPECT_EQ(read.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Offers, XcbClipboardOfferTest,
    ::testing::Values(
        // UTF8_STRING wins over the others; a C string's NUL is not text.
        OfferCase{"Utf8StringFirst", {"STRING:latin", "UTF8_STRING%636166c3a920e29c9300"},
                  Status::Text, "caf\xC3\xA9 \xE2\x9C\x93"},
        OfferCase{"MimeUtf8InAnyLetterCase", {QStringLiteral("text/plain;Charset=UTF-8:na\u00efve \U0001F600")},
                  Status::Text, "na\xC3\xAFve \xF0\x9F\x98\x80"},
        OfferCase{"Latin1String", {"STRING%64e96ae0"}, Status::Text, "d\xC3\xA9j\xC3\xA0"},
        OfferCase{"SecretHint", {"UTF8_STRING:hunter2", "x-kde-passwordManagerHint:secret"}, Status::Secret, ""},
        OfferCase{"ImageOnly", {"image/png:not really a picture"}, Status::NoText, ""}),
    [](const ::testing::TestParamInfo<OfferCase>& info) { return std::string(info.param.name); });

// An owner that never answers reads as busy once its deadline passed, and
// the next owner's text is read at once, without waiting for the first.
TEST_F(XcbClipboardTest, HungOwnerReadsAsBusyAndTheNextOwnerIsReadAtOnce)
{
    auto hung = selectionTool({"hang", "frozen"});
    EXPECT_EQ(next(Status::Busy).status, Status::Busy);
    auto owner = selectionTool({"own", "UTF8_STRING:after the hang"});
    EXPECT_EQ(next(Status::Text).text, "after the hang");
}

// Copies made while the user-interface thread is busy (no events served
// here) are each read in turn, not just the last one.
TEST_F(XcbClipboardTest, CopiesMadeWhileTheWatcherIsBusyWaitTheirTurn)
{
    // The reader thread reads each owner meanwhile.
    auto first = selectionTool({"own", "UTF8_STRING:first"});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto second = selectionTool({"own", "UTF8_STRING:second"});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    m_baseline = *m_clipboard.changeCount();
    EXPECT_EQ(m_clipboard.readText().text, "first");
    EXPECT_EQ(next(Status::Text).text, "second");
}

// The program's own text comes back through the X server; a large one in
// INCR pieces, as Qt serves it.
TEST_F(XcbClipboardTest, OwnTextRoundTripsIncludingLargeTextsInPieces)
{
    std::string large;
    for (int line = 0; large.size() < 3'000'000; ++line)
        large += "line " + std::to_string(line) + " \xC3\xA9\n";
    for (const std::string& text : {std::string("r\xC3\xA9sent"), large}) {
        ASSERT_TRUE(m_clipboard.setText(text));
        const ClipboardRead read = next(Status::Text);
        EXPECT_EQ(read.text.size(), text.size());
        EXPECT_TRUE(read.text == text);
    }
}

class XcbClipboardLimitTest : public XcbClipboardTest {
protected:
    XcbClipboardLimitTest()
        : XcbClipboardTest({1000, 100'000})
    {
    }
};

// Whether sent whole or in INCR pieces, a text above the limit is refused
// and reported, and the clipboard reads as holding no text.
TEST_F(XcbClipboardLimitTest, TextAboveTheLimitIsRefusedAndReported)
{
    auto owner = selectionTool({"own", QString::fromStdString("UTF8_STRING:" + std::string(120'000, 'x'))});
    EXPECT_EQ(next(Status::NoText).status, Status::NoText);
    EXPECT_TRUE(waitUntil([this] { return m_refused >= 100'000; }));

    m_refused = 0;
    ASSERT_TRUE(m_clipboard.setText(std::string(1'000'000, 'y')));
    EXPECT_EQ(next(Status::NoText).status, Status::NoText);
    EXPECT_TRUE(waitUntil([this] { return m_refused >= 100'000; }));
}

// The program tells of a refused text through the desktop's notification
// service: here a mock of it on a bus of the test's own.
TEST(DesktopNotificationTest, ReachesTheNotificationService)
{
    TempFolder folder;
    ChildProcess bus(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(waitUntil([&] { return bus.output().contains('\n'); })) << "no private bus";
    const QByteArray address = bus.output().trimmed();
    const QString log = QString::fromStdString((folder.path() / "notifications.log").string());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    ChildProcess service(QStringLiteral("/usr/bin/python3"),
                         {"-m", "dbusmock", "--template", "notification_daemon", "-l", log});
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QDBusConnection connection = QDBusConnection::connectToBus(QString::fromUtf8(address), "notification test");
    ASSERT_TRUE(waitUntil([&] {
        return connection.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")).value();
    })) << "the notification service mock did not start";

    EXPECT_TRUE(showDesktopNotification(QStringLiteral("Copied text too large"),
                                        QStringLiteral("A copied text of 300 MB was not recorded"),
                                        NoticeLevel::Warning, connection));
    EXPECT_TRUE(waitUntil([&] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("A copied text of 300 MB was not recorded");
    }));
    QDBusConnection::disconnectFromBus(QStringLiteral("notification test"));
}

} // namespace
} // namespace tarnquill::test
