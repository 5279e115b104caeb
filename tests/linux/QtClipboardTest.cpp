// SPDX-License-Identifier: MIT
#include "LinuxTestSupport.h"
#include "support/XvfbSession.h"

#include "platform/linux/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnquill::test {
namespace {

using Status = ClipboardRead::Status;

class QtClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settle();
        ASSERT_TRUE(m_clipboard.changeCount().has_value()) << "Xvfb has XFixes, so changes must be counted";
        m_baseline = *m_clipboard.changeCount();
    }

    // Waits until the counter passed the last baseline, then takes a new one.
    bool waitForChange()
    {
        const bool moved = waitUntil([this] { return m_clipboard.changeCount() != m_baseline; });
        m_baseline = m_clipboard.changeCount().value_or(0);
        return moved;
    }

    QtClipboard m_clipboard{*QGuiApplication::clipboard()};
    std::uint64_t m_baseline = 0;
};

TEST_F(QtClipboardTest, AnotherProgramsCopyIsCountedAndReadAndItsExitEmptiesTheClipboard)
{
    const std::string text = "h\xC3\xA9llo \xE2\x9C\x93\r\nsecond line\t";
    ChildProcess xclip(QStringLiteral("xclip"), {"-quiet", "-selection", "clipboard", "-i"},
                       QByteArray::fromStdString(text));
    ASSERT_TRUE(waitForChange());
    ClipboardRead read = m_clipboard.readText();
    EXPECT_EQ(read.status, Status::Text);
    EXPECT_EQ(read.text, text);

    xclip.end();
    ASSERT_TRUE(waitForChange());
    EXPECT_EQ(m_clipboard.readText().status, Status::NoText);
}

struct OfferCase {
    const char* name;
    QStringList formats; // FORMAT=VALUE, "text" for plain text
    Status status;
    std::string text;
};

class QtClipboardOfferTest : public QtClipboardTest, public ::testing::WithParamInterface<OfferCase> {};

TEST_P(QtClipboardOfferTest, ReadsWhatTheOwnerOffers)
{
    const OfferCase& offer = GetParam();
    auto owner = startHelper(QStringList{"--own-clipboard"} + offer.formats);
    ASSERT_TRUE(owner->waitForLine("ready"));
    ASSERT_TRUE(waitForChange());
    const ClipboardRead read = m_clipboard.readText();
    EXPECT_EQ(read.status, offer.status);
    EXPECT_EQ(read.text, offer.text);
}

INSTANTIATE_TEST_SUITE_P(
    Offers, QtClipboardOfferTest,
    ::testing::Values(
        OfferCase{"PlainText", {"text=caf\u00e9 \u2713"}, Status::Text, "caf\xC3\xA9 \xE2\x9C\x93"},
        OfferCase{"HintWithAnotherValue", {"text=hunter2", "x-kde-passwordManagerHint=public"}, Status::Text,
                  "hunter2"},
        OfferCase{"ImageOnly", {"image/png=not really a picture"}, Status::NoText, ""}),
    [](const ::testing::TestParamInfo<OfferCase>& info) { return std::string(info.param.name); });

// Qt waits a few seconds for an owner's answer; the owner that never answers
// must not read as an empty clipboard, or its copy would be dropped for good.
TEST_F(QtClipboardTest, OwnerThatStopsAnsweringReadsAsBusy)
{
    auto owner = startHelper({"--own-clipboard-and-hang", "frozen"});
    ASSERT_TRUE(owner->waitForLine("ready"));
    ASSERT_TRUE(waitForChange());
    EXPECT_EQ(m_clipboard.readText().status, Status::Busy);
}

// An owner's password hint reads as a secret; the program's own copy over
// it is text again.
TEST_F(QtClipboardTest, SetTextDropsTheSecretHintMovesTheCounterAndReachesOtherPrograms)
{
    auto owner = startHelper({"--own-clipboard", "text=hunter2", "x-kde-passwordManagerHint=secret"});
    ASSERT_TRUE(owner->waitForLine("ready"));
    ASSERT_TRUE(waitForChange());
    ASSERT_EQ(m_clipboard.readText().status, Status::Secret);

    const std::string text = "r\xC3\xA9sent \xE2\x9C\x93";
    ASSERT_TRUE(m_clipboard.setText(text));
    // The watcher reads again only after the counter moved, so the program's
    // own writes must move it too.
    ASSERT_TRUE(waitForChange());
    const ClipboardRead read = m_clipboard.readText();
    EXPECT_EQ(read.status, Status::Text);
    EXPECT_EQ(read.text, text);

    ChildProcess targets(QStringLiteral("xclip"), {"-selection", "clipboard", "-o", "-t", "TARGETS"});
    ASSERT_TRUE(targets.waitForExit());
    EXPECT_FALSE(targets.output().contains("x-kde-passwordManagerHint")) << targets.output().toStdString();

    ChildProcess paste(QStringLiteral("xclip"), {"-selection", "clipboard", "-o"});
    ASSERT_TRUE(paste.waitForExit());
    EXPECT_EQ(paste.output().toStdString(), text);
}

TEST(QtClipboardWithoutXFixesTest, OffersNoChangeCounter)
{
    XvfbSession plainServer({"-extension", "XFIXES"});
    ASSERT_TRUE(plainServer.isRunning());
    auto client = startHelper({"--print-change-count", "-display", QString::fromStdString(plainServer.display())});
    ASSERT_TRUE(client->waitForExit());
    EXPECT_EQ(client->output().trimmed().toStdString(), "none");
}

} // namespace
} // namespace tarnquill::test
