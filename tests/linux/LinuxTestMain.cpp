// SPDX-License-Identifier: MIT
// The Linux front-end tests run against a real X server of their own, and the
// same program doubles as the other applications those tests need: a
// clipboard owner offering chosen formats, one that stops answering, and a
// client that only reports what QtClipboard makes of its display.

#include "LinuxTestSupport.h"
#include "XvfbServer.h"

#include "platform/linux/QtClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// --own-clipboard FORMAT=VALUE...: takes the clipboard with these formats
// ("text" stands for plain text) and serves it until ended.
// --own-clipboard-and-hang TEXT: takes it with the text, then stops serving
// events, as a frozen application does.
// --print-change-count: prints QtClipboard's counter, or "none".
int runHelper(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString role = arguments.value(1);
    if (role == QLatin1String("--print-change-count")) {
        tarnquill::QtClipboard clipboard(*QGuiApplication::clipboard());
        const auto count = clipboard.changeCount();
        std::printf("%s\n", count ? std::to_string(*count).c_str() : "none");
        return 0;
    }

    auto* data = new QMimeData;
    if (role == QLatin1String("--own-clipboard-and-hang")) {
        data->setText(arguments.value(2));
    } else {
        for (const QString& pair : arguments.mid(2)) {
            const qsizetype equals = pair.indexOf(QLatin1Char('='));
            const QString format = pair.left(equals);
            const QString value = pair.mid(equals + 1);
            if (format == QLatin1String("text"))
                data->setText(value);
            else
                data->setData(format, value.toUtf8());
        }
    }
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    QCoreApplication::processEvents();
    std::printf("ready\n");
    std::fflush(stdout);
    if (role == QLatin1String("--own-clipboard-and-hang")) {
        for (;;)
            ::pause();
    }
    return app.exec();
}

bool isHelperRole(int argc, char* argv[])
{
    return argc >= 2
        && (std::strncmp(argv[1], "--own-clipboard", 15) == 0 || std::strcmp(argv[1], "--print-change-count") == 0);
}

// Keeps Qt and the helpers away from the user's own configuration, caches and
// session: every XDG folder points into a temporary folder.
void isolateUserFolders(const std::filesystem::path& home)
{
    for (const char* name : {"config", "data", "cache", "runtime"})
        std::filesystem::create_directories(home / name);
    ::chmod((home / "runtime").c_str(), 0700);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace

int main(int argc, char* argv[])
{
    if (isHelperRole(argc, argv))
        return runHelper(argc, argv);

    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    tarnquill::test::TempFolder home;
    isolateUserFolders(home.path());
    tarnquill::test::XvfbServer xvfb;
    if (!xvfb.isRunning()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    ::setenv("DISPLAY", xvfb.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);

    // Widgets: the design windows are built in this process too.
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
