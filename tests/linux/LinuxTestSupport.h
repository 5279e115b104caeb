// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/registry/RegistryLocations.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>

namespace tarnquill::test {

// Serves the event loop until `condition` holds; false when it still does not
// after `milliseconds`. A deadline for something that must happen, not a
// measure of speed.
bool waitUntil(const std::function<bool()>& condition, int milliseconds = 10000);

// Serves the event loop for a while, so notifications already on their way
// are handled before a test takes its baseline.
void settle(int milliseconds = 100);

// A program this test started; ended by its process id when the object goes.
class ChildProcess final {
public:
    ChildProcess(const QString& program, const QStringList& arguments, const QByteArray& input = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the child to print `line` on its standard output.
    bool waitForLine(const QByteArray& line, int milliseconds = 10000);
    // Waits for the child to end while this process keeps serving its own
    // events (the child may be asking this process for the clipboard).
    bool waitForExit(int milliseconds = 10000);
    // Ends the child now and waits for it.
    void end();

    QByteArray output() { return m_output += m_process.readAllStandardOutput(); }

private:
    QProcess m_process;
    QByteArray m_output;
};

// This test program run again in one of its helper roles (see LinuxTestMain.cpp).
std::unique_ptr<ChildProcess> startHelper(const QStringList& arguments);

// A folder under the system's temporary folder, removed with everything in it.
class TempFolder final {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Registry files and autostart folders inside `folder`, for a LinuxWin32Api
// whose registry a test does not look at.
registry::RegistryLocations registryLocationsIn(const std::filesystem::path& folder);

} // namespace tarnquill::test
