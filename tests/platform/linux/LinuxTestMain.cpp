// SPDX-License-Identifier: MIT
// The Linux front-end tests run against a real X server of their own, and the
// same program doubles as a client that only reports what QtClipboard makes
// of its display.

#include "support/TempFolder.h"
#include "support/XvfbSession.h"

#include "platform/linux/QtClipboard.h"

#include <QApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include <sys/stat.h>

namespace {

// --print-change-count: prints QtClipboard's counter, or "none".
int printChangeCount(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    tarnquill::QtClipboard clipboard(*QGuiApplication::clipboard());
    const auto count = clipboard.changeCount();
    std::printf("%s\n", count ? std::to_string(*count).c_str() : "none");
    return 0;
}

// Keeps Qt and the helpers away from the user's own configuration, caches and
// session: every XDG folder points into a temporary folder.
void isolateUserFolders(const std::filesystem::path& home)
{
    for (const auto& [name, variable] : {std::pair{"config", "XDG_CONFIG_HOME"}, {"data", "XDG_DATA_HOME"},
                                         {"cache", "XDG_CACHE_HOME"}, {"runtime", "XDG_RUNTIME_DIR"}}) {
        std::filesystem::create_directories(home / name);
        ::setenv(variable, (home / name).c_str(), 1);
    }
    ::chmod((home / "runtime").c_str(), 0700);
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 2 && std::strcmp(argv[1], "--print-change-count") == 0)
        return printChangeCount(argc, argv);

    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    tarnquill::test::TempFolder home;
    isolateUserFolders(home.path());
    const tarnquill::test::XvfbSession xvfb; // throws, and so ends the run, when none starts
    ::setenv("DISPLAY", xvfb.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);

    // Widgets: the design windows are built in this process too.
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
