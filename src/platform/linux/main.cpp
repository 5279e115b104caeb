// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"
#include "app/Design.h"
#include "app/Form1.h"
#include "history/ClipboardWatcher.h"
#include "history/StoreLocation.h"
#include "history/TextHistory.h"
#include "platform/NativePaths.h"
#include "platform/linux/CaretBlinkLimiter.h"
#include "platform/linux/ClipboardHandOver.h"
#include "platform/linux/DesktopNotification.h"
#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/PasteGuard.h"
#include "platform/linux/QtForm1View.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/QtProgressView.h"
#include "platform/linux/QuitOnSignal.h"
#include "platform/linux/SingleInstance.h"
#include "platform/linux/StoreNotifier.h"
#include "platform/linux/WatcherPump.h"
#include "platform/linux/XcbClipboard.h"
#include "platform/linux/registry/RegistryStore.h"

#include <QApplication>
#include <QClipboard>
#include <QScopeGuard>
#include <QSessionManager>

#include <malloc.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>

namespace {

// In a Wayland session a client sees the clipboard only while it has the
// keyboard focus, so a background watcher would miss every copy; through
// XWayland the X clipboard and its change events work as on X11.
void preferXWayland()
{
    if (std::getenv("WAYLAND_DISPLAY") && std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace tarnquill;

    // Read before Qt starts, so that --help and --version need no display.
    const app::CommandLine commandLine = app::parseCommandLine({argv + 1, argv + argc});
    switch (commandLine.action) {
    case app::CommandLine::Action::Help:
        std::cout << app::helpText();
        return 0;
    case app::CommandLine::Action::Version:
        std::cout << app::versionText();
        return 0;
    case app::CommandLine::Action::Error:
        std::cerr << "tarnquill: " << commandLine.error << '\n';
        return app::kUsageExitStatus;
    case app::CommandLine::Action::Run:
        break;
    }
    const auto files = native::makeFileSystem();
    std::string storeError;
    const auto storeFile = app::storeFileFor(commandLine, *files, &native::programFolders, storeError);
    if (storeFile.empty()) {
        std::cerr << "tarnquill: " << storeError << '\n';
        return app::kUsageExitStatus;
    }

    preferXWayland();
    // Copied texts of many megabytes come and go (the read, the store's
    // bytes): mapped on their own, they are returned to the system when
    // freed, where glibc's adaptive threshold would keep them in the heap.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // The windows are laid out in whole pixels from twips at the screen's
    // dots per inch. A fractional device-pixel ratio (1.25 at 120 dpi) would
    // scale that layout again and cut one-pixel frames off at the seams, so
    // the ratio stays whole (1 up to 191 dpi, then 2) and the rest of the
    // screen's density reaches the layout as its logical dots per inch.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
    QApplication application(argc, argv);
    // Every end goes through the main window's exit, which ends the process
    // itself; with the main window in the tray and the loading window hidden
    // Qt would otherwise take a closed window for the last one.
    QApplication::setQuitOnLastWindowClosed(false);
    // The main window's handlers; made once everything they use exists.
    std::optional<app::Form1> form1;
    // A `kill`, Ctrl+C in the terminal and a hang-up run the exit, so the
    // history is saved and the Run entry applied. One that arrives before
    // the event loop runs waits for it.
    QuitOnSignal exitOnSignal({SIGTERM, SIGINT, SIGHUP}, [&form1] {
        if (form1)
            form1->Form_Unload();
    });
    CaretBlinkLimiter caretBlink;

    // Decided before anything reads or writes the store: a second start with
    // the same store would overwrite the first one's entries, so it only
    // brings the running window forward.
    SingleInstance instance(storeFile);
    if (!instance.acquire()) {
        instance.askRunningToShow();
        return 0;
    }
    // Under the lock, so no other instance is in the middle of a save.
    files->removeLeftovers(storeFile);
    TextHistory history(*files, storeFile);
    // The UI thread never waits on the disk for an addition.
    history.saveInBackground();

    QClipboard& systemClipboard = *QGuiApplication::clipboard();
    // The clipboard is read off this thread; each finished read wakes the
    // watcher (a QtClipboard's changes reach it through systemClipboard).
    std::function<void()> clipboardRead;
    // Failures and refusals reach the user through one notifier; its tray
    // icon is known once the main window's view exists.
    Notifier notifier;
    const auto clipboard = makeSystemClipboard(systemClipboard, [&clipboardRead] { clipboardRead(); }, notifier);
    ClipboardWatcher watcher(*clipboard, history);
    // After QtClipboard's own connection, so its counter moves first.
    WatcherPump pump(watcher, systemClipboard);
    clipboardRead = [&pump] { pump.wake(); };
    // Text1's context menu and Ctrl+V ask that reader, not a clipboard owner
    // that may never answer.
    PasteGuard pasteGuard([&clipboard] { return clipboardOffersText(*clipboard); });

    // The loading window and the saving window. Each tick of either asks
    // for the main window; the loading window's first tick loads it.
    QtProgressView form2View(app::WindowId::Form2);
    // Built when the exit first shows it.
    LazyQtProgressView form3View(app::WindowId::form3);
    const auto requestMainWindow = [&form1] {
        if (form1)
            form1->Load();
    };
    app::ProgressForm form2(form2View, requestMainWindow);
    app::ProgressForm form3(form3View, requestMainWindow);
    form2View.routeTo(form2);
    form3View.routeTo(form3);
    // Shown before the main window is built: its first tick, which loads the
    // main window, then comes as soon as the event loop runs rather than a
    // tick's time after everything else.
    form2.Show();

    // The desktop as the Win32 seam sees it: the registry (whose Run keys are
    // autostart entries), the tray, the screen; the program's own windows and
    // icons resolve through the handle table.
    QtHandleTable handles;
    registry::RegistryStore registryStore(registry::RegistryLocations::fromEnvironment());
    LinuxWin32Api win32(registryStore, handles);

    QtForm1View form1View(history, handles, pump);
    // Notices go to the tray icon, or to the desktop's notifications while
    // the window is shown. 1: the id CWinAPI gives its tray icon.
    notifier.setTrayIcon([&win32, &form1View] { return win32.trayIcon(form1View.Picture1_hWnd(), 1); });
    StoreNotifier storeNotifier(notifier);
    history.setStatusListener(&storeNotifier);
    // The writer may outlive the notifier when main returns.
    const auto detachNotifier = qScopeGuard([&history] { history.setStatusListener(nullptr); });
    // The exit ends the process at once, past every destructor: the lock
    // file and the socket go first, so nothing is left beside the store.
    // A text this program put on the clipboard is first handed to the
    // clipboard manager, or it would go with the process.
    form1View.setProcessEnd([&instance, &pump, &systemClipboard] {
        pump.stop();
        handClipboardToManager(systemClipboard, std::chrono::seconds(1));
        instance.release();
        std::_Exit(0);
    });
    form1.emplace(form1View, history, *clipboard, win32, form2, form3);
    // An erase empties the history without the watcher's knowledge, and a
    // re-send of an older entry must come back as the newest: either way the
    // watcher has to look again.
    form1View.routeTo(*form1, [&pump] { pump.wake(); });
    history.setListView(&form1View.listView());
    // A second start wants the window back from wherever it is, the tray
    // included: the tray icon's own restore.
    QObject::connect(&instance, &SingleInstance::showRequested, [&form1] { form1->restoreWindow(); });

    // The end of the desktop session. The session manager's request to save
    // may be a checkpoint after which the session goes on, so it saves and
    // applies the Run entry but leaves the program running; the session's
    // end proper makes Qt quit, and that runs the exit. The session is not
    // to start the program again by itself: the Run entry (Check2) decides
    // whether it comes back at the next log-on.
    const auto saveForSession = [&form1](QSessionManager& manager) {
        manager.setRestartHint(QSessionManager::RestartNever);
        form1->commitData();
    };
    QObject::connect(&application, &QGuiApplication::commitDataRequest, saveForSession);
    QObject::connect(&application, &QGuiApplication::saveStateRequest, saveForSession);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, [&form1] { form1->Form_Unload(); });

    return application.exec();
}
