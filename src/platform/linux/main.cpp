#include "history/ClipboardWatcher.h"
#include "history/StoreLocation.h"
#include "history/TextHistory.h"
#include "platform/NativePaths.h"
#include "platform/linux/Form1.h"
#include "platform/linux/QtClipboard.h"
#include "platform/linux/QuitOnSignal.h"
#include "platform/linux/WatcherPump.h"

#include <QApplication>
#include <QClipboard>

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

} // namespace

int main(int argc, char* argv[])
{
    using namespace tarnquill;

    preferXWayland();
    QApplication app(argc, argv);
    QuitOnSignal quitOnSignal({SIGTERM, SIGINT, SIGHUP});

    const auto files = native::makeFileSystem();
    const auto storeFolder = chooseStoreFolder(*files, native::programFolder(), native::userDataFolder());
    TextHistory history(*files, storeFolder / kStoreFileName);

    QClipboard& systemClipboard = *QGuiApplication::clipboard();
    QtClipboard clipboard(systemClipboard);
    ClipboardWatcher watcher(clipboard, history);

    Form1 form1(history);
    history.setListView(&form1.listView());
    form1.show();
    history.loadt();
    history.listt();

    // After QtClipboard's own connection, so its counter moves first.
    WatcherPump pump(watcher, systemClipboard);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&history] { history.savet(); });
    pump.start();

    return app.exec();
}
