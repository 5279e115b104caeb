// A small program for the tray test: the Qt front end's tray path without the
// rest of the program. It adds the program icon through CWinAPI::TrayIcon
// with a hidden callback window registered as Picture1 is, and prints every
// notification as TryIcnRtnMsg decodes it from the window's x in twips
// ("message 514"). A left-button release removes the icon, as the main
// window's restore does ("removed"). Ends on SIGTERM.

#include "app/Twips.h"
#include "platform/linux/DesignControls.h"
#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/QuitOnSignal.h"
#include "platform/linux/registry/RegistryStore.h"
#include "winapi/CWinAPI.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    using namespace tarnquill;

    QApplication application(argc, argv);
    QuitOnSignal quit({SIGTERM, SIGINT});

    QtHandleTable handles;
    registry::RegistryStore registry(registry::RegistryLocations::fromEnvironment());
    LinuxWin32Api api(registry, handles);
    CWinAPI winApi(api);

    // A control of a window that is never shown, as Picture1 is.
    QWidget form;
    QWidget picture1(&form);
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    const HICON icon = handles.addIcon(programIcon());
    HWND window = 0;
    window = handles.addWindow(picture1, [&](WPARAM, int x, int) {
        auto X = static_cast<float>(app::pixelsToTwips(x, dpi));
        const std::int32_t message = winApi.TryIcnRtnMsg(X);
        std::printf("message %d\n", message);
        if (message == static_cast<std::int32_t>(WM_LBUTTONUP)) {
            winApi.TrayIcon(2, window, "Tarnquill", Picture(icon));
            std::printf("removed\n");
        }
        std::fflush(stdout);
    });
    winApi.TrayIcon(0, window, "Tarnquill", Picture(icon));
    std::printf("added\n");
    std::fflush(stdout);
    return application.exec();
}
