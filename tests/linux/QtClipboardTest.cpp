// SPDX-License-Identifier: MIT
#include "LinuxTestSupport.h"
#include "SelectionOwner.h"
#include "support/XvfbSession.h"

#include "history/ClipboardContract.h"
#include "platform/linux/QtClipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <string>

namespace tarnquill::test {
namespace {

using Status = ClipboardRead::Status;

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
TEST_F(QtClipboardTest, OnlyASecretHintHidesTheTextAndSetTextDropsIt)
{
    backend.own({"own", "UTF8_STRING:hunter2", "x-kde-passwordManagerHint:public"});
    EXPECT_EQ(next(Status::Text).text, "hunter2");
    backend.offer(Status::Secret, "hunter2");
    next(Status::Secret);

    const std::string text = "r\xC3\xA9sent \xE2\x9C\x93";
    ASSERT_TRUE(backend.qt.setText(text));
    EXPECT_EQ(next(Status::Text).text, text);
    ChildProcess targets(QStringLiteral("xclip"), {"-selection", "clipboard", "-o", "-t", "TARGETS"});
    ASSERT_TRUE(targets.waitForExit());
    EXPECT_FALSE(targets.output().contains("x-kde-passwordManagerHint")) << targets.output().toStdString();
    ChildProcess paste(QStringLiteral("xclip"), {"-selection", "clipboard", "-o"});
    ASSERT_TRUE(paste.waitForExit());
    EXPECT_EQ(paste.output().toStdString(), text);
}

TEST_F(QtClipboardTest, AnOwnersExitEmptiesTheClipboard)
{
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

} // namespace
} // namespace tarnquill::test
