// SPDX-License-Identifier: MIT
// tarnquill-winapi on Linux: LinuxWin32Api over the program's own registry,
// and hidden QListWidgets for the list boxes.
//
// The display: with DISPLAY or WAYLAND_DISPLAY set, a QApplication on that
// display serves every member (a message box shows, the cursor is the real
// one). Without one, no application is made, so the members that need
// windows fail as their Windows calls fail (and a message box cannot wait
// forever for a click no one can make); the registry needs none. A list box
// alone then brings up a QApplication on Qt's offscreen platform, since a
// list widget needs one and is never shown anyway.

#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/registry/RegistryStore.h"
#include "tools/WinApiTool.h"

#include <QApplication>
#include <QListWidget>

#include <array>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>

namespace {

using namespace tarnquill;

// Qt's own warnings (a missing XDG_RUNTIME_DIR, the offscreen platform's
// notes) are not the member's output; only its critical and fatal messages
// reach standard error.
void quietQtWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << message.toStdString() << '\n';
}

bool haveDisplay()
{
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

class Application final {
public:
    // Only the program's name reaches Qt: it would take words such as
    // -style or -reverse out of the member's arguments as its own options.
    explicit Application(char* program)
        : m_argv{program, nullptr}
    {
    }

    void ensure()
    {
        if (m_app)
            return;
        if (!haveDisplay() && !std::getenv("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        m_app.emplace(m_argc, m_argv.data());
    }

private:
    // QApplication keeps references to both.
    int m_argc = 1;
    std::array<char*, 2> m_argv;
    std::optional<QApplication> m_app;
};

class QtListBoxes final : public tool::ListBoxes {
public:
    QtListBoxes(Application& application, QtHandleTable& handles)
        : m_application(application)
        , m_handles(handles)
    {
    }

    HWND create() override
    {
        m_application.ensure();
        m_boxes.push_back(std::make_unique<QListWidget>());
        return m_handles.addWindow(*m_boxes.back());
    }

    std::vector<std::string> lines(HWND listBox) override
    {
        std::vector<std::string> result;
        if (const auto* box = qobject_cast<QListWidget*>(m_handles.widget(listBox))) {
            for (int row = 0; row < box->count(); ++row)
                result.push_back(box->item(row)->text().toStdString());
        }
        return result;
    }

private:
    Application& m_application;
    QtHandleTable& m_handles;
    std::vector<std::unique_ptr<QListWidget>> m_boxes;
};

} // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    qInstallMessageHandler(quietQtWarnings);
    Application application(argv[0]);
    if (haveDisplay())
        application.ensure();

    QtHandleTable handles;
    registry::RegistryStore registry(registry::RegistryLocations::fromEnvironment());
    LinuxWin32Api api(registry, handles);
    QtListBoxes lists(application, handles);
    return tool::runTool(args, api, lists, std::cout, std::cerr);
}
