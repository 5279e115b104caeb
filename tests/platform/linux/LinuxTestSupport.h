// SPDX-License-Identifier: MIT
#pragma once

// The shared test support (tests/support) and what only these tests need.

#include "support/ChildProcess.h"
#include "support/QtWait.h"
#include "support/TempFolder.h"

#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"
#include "registry/RegistryFixture.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace tarnquill::test {

// What the program prints on its standard output, without the trailing
// blanks; run on this process's display, never through a shell.
std::string output(const std::vector<std::string>& argv);

// An environment variable set while the object lives, then as it was.
class ScopedEnv final {
public:
    ScopedEnv(std::string name, const std::string& value);
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv();

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

// A python-dbusmock service on a bus of the test's own, which `variable`
// (DBUS_SYSTEM_BUS_ADDRESS or DBUS_SESSION_BUS_ADDRESS) points at while the
// object lives: the machine's own services are never asked. Returns once
// `service` is on the bus; the mock logs the calls it gets into log().
class MockBus final {
public:
    MockBus(const TempFolder& folder, const std::string& variable, const std::vector<std::string>& mockArguments,
            const QString& service);

    const std::string& address() const { return m_address; }
    bool isUp() const { return m_up; }
    std::string log() const;

private:
    Process m_daemon;
    std::string m_address;
    std::optional<ScopedEnv> m_variable;
    std::filesystem::path m_log;
    Process m_mock;
    bool m_up = false;
};

// LinuxWin32Api with its registry and autostart folders in a temporary
// folder: what every test of the stand-ins starts from. The registry itself
// is the registry tests' (tests/registry).
struct StandIns {
    TempFolder m_folder;
    registry::RegistryStore m_store{registry::testing::locationsIn(m_folder.path())};
    QtHandleTable m_handles;
    LinuxWin32Api m_api{m_store, m_handles};
};

} // namespace tarnquill::test
