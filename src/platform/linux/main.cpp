#include "app/Design.h"
#include "app/Form1.h"
#include "history/ClipboardWatcher.h"
#include "history/StoreLocation.h"
#include "history/TextHistory.h"
#include "platform/NativePaths.h"
#include "platform/linux/CaretBlinkLimiter.h"
#include "platform/linux/DesignWindow.h"
#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtClipboard.h"
#include "platform/linux/QtForm1View.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/QuitOnSignal.h"
#include "platform/linux/SingleInstance.h"
#include "platform/linux/WatcherPump.h"
#include "platform/linux/registry/RegistryStore.h"

#include <QApplication>
#include <QClipboard>
#include <QWindow>

#include <csignal>
#include <cstdlib>

namespace {

// In a Wayland session a client sees the clipboard only while it has the
// keyboard focus, so a background watcher would miss every copy; through
// XWayland the X clipboard and its change events work as on X11.
void preferXWayland()
{
    if (std::getenv("WAYLAND_DISPLAY") && std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

// What a second start asks of the running one: the main window shown, on top
// and active. A window the window manager minimised comes back through its
// state; one it unmapped behind Qt's back (another workspace, say) is still
// "visible" to Qt, where show() alone would do nothing.
void bringForward(QWidget& window)
{
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    else if (window.isVisible() && window.windowHandle() && !window.windowHandle()->isExposed())
        window.hide();
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace tarnquill;

    preferXWayland();
    QApplication application(argc, argv);
    QuitOnSignal quitOnSignal({SIGTERM, SIGINT, SIGHUP});
    CaretBlinkLimiter caretBlink;

    const auto files = native::makeFileSystem();
    const auto storeFolder = chooseStoreFolder(*files, native::programFolder(), native::userDataFolder());
    // Decided before anything reads or writes the store: a second start with
    // the same store would overwrite the first one's entries, so it only
    // brings the running window forward.
    SingleInstance instance(storeFolder / kStoreFileName);
    if (!instance.acquire()) {
        instance.askRunningToShow();
        return 0;
    }
    TextHistory history(*files, storeFolder / kStoreFileName);

    QClipboard& systemClipboard = *QGuiApplication::clipboard();
    QtClipboard clipboard(systemClipboard);
    ClipboardWatcher watcher(clipboard, history);
    // After QtClipboard's own connection, so its counter moves first.
    WatcherPump pump(watcher, systemClipboard);

    // The loading and saving windows are built with the main window but not
    // shown yet.
    DesignWindow form2(app::window(app::WindowId::Form2));
    DesignWindow form3(app::window(app::WindowId::form3));

    // The desktop as the Win32 seam sees it: the registry (whose Run keys are
    // autostart entries), the tray, the screen; the program's own windows and
    // icons resolve through the handle table.
    QtHandleTable handles;
    registry::RegistryStore registryStore(registry::RegistryLocations::fromEnvironment());
    LinuxWin32Api win32(registryStore, handles);

    QtForm1View form1View(history, handles);
    app::Form1 form1(form1View, history, clipboard, win32);
    // An erase empties the history without the watcher's knowledge, and a
    // re-send of an older entry must come back as the newest: either way the
    // watcher has to look again.
    form1View.routeTo(form1, [&pump] { pump.wake(); });
    history.setListView(&form1View.listView());
    QObject::connect(&instance, &SingleInstance::showRequested, [&form1View] { bringForward(form1View.window()); });

    form1View.window().show();
    // A program the user just started takes the keyboard, so typing goes to
    // Text1 at once.
    form1View.window().activateWindow();
    history.loadt();
    history.listt();

    QObject::connect(&application, &QCoreApplication::aboutToQuit, [&history] { history.savet(); });
    pump.start();

    return application.exec();
}
