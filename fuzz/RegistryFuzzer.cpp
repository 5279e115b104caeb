// SPDX-License-Identifier: MIT
// The Linux registry's handling of key paths, names and values: random paths
// and names under HKEY_CURRENT_USER, the Run key among them (whose values
// become autostart files), random types and bytes. What is written reads back
// byte for byte whatever the buffer, names fold consistently, and an
// autostart entry's file name never leaves its folder.

#include "platform/linux/registry/AutostartFolder.h"
#include "platform/linux/registry/RegistryNames.h"
#include "platform/linux/registry/RegistryStore.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace tarnquill;
using namespace tarnquill::registry;

namespace {

// One store for the whole run, in memory-backed files where the system has
// them (each write is a transaction flushed to disk).
struct Fixture {
    std::filesystem::path folder;
    std::unique_ptr<RegistryStore> store;

    Fixture()
    {
        const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = (base / "tarnquill-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        folder = pattern;
        RegistryLocations locations;
        locations.userRegistry = folder / "user.sqlite3";
        locations.machineRegistry = folder / "machine.sqlite3";
        locations.userAutostart = folder / "autostart";
        locations.machineAutostart = folder / "machine-autostart";
        store = std::make_unique<RegistryStore>(locations);
    }
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkFileStem(const std::string& name)
{
    const std::string stem = autostartFileStem(name);
    check(stem.size() <= 100 && (stem.empty() || stem[0] != '.'));
    for (const char c : stem) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
                          || c == '_' || c == '.';
        check(allowed);
    }
}

constexpr const char* kPrefixes[] = {"Fuzz\\", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", ""};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture fixture;
    RegistryStore& store = *fixture.store;
    FuzzedDataProvider input(data, size);

    const std::string path = kPrefixes[input.ConsumeIntegralInRange<int>(0, 2)] + input.ConsumeRandomLengthString(300);
    const KeyPath split = splitKeyPath(path);
    for (const std::string& component : split.components)
        check(!component.empty() && component.find('\\') == std::string::npos);
    const std::string name = input.ConsumeRandomLengthString(300);
    check(foldName(foldName(name)) == foldName(name));
    checkFileStem(name);

    const auto type = input.ConsumeIntegralInRange<DWORD>(0, 12);
    const std::string value = input.ConsumeRandomLengthString(2000);
    (void)desktopExec(value);

    HKEY key = 0;
    DWORD disposition = 0;
    if (store.RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition)
        != ERROR_SUCCESS)
        return 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(value.data());
    if (store.RegSetValueExA(key, name, 0, type, bytes, static_cast<DWORD>(value.size())) == ERROR_SUCCESS) {
        // Read back into a buffer of a random size: whole, or too small and
        // told the size, and then untouched.
        const auto capacity = input.ConsumeIntegralInRange<DWORD>(0, 2100);
        std::string buffer(capacity, '\x5A');
        DWORD size = capacity;
        DWORD storedType = 99;
        const LONG status = store.RegQueryValueExA(key, name, nullptr, &storedType,
                                                   reinterpret_cast<std::uint8_t*>(buffer.data()), &size);
        if (capacity >= value.size()) {
            check(status == ERROR_SUCCESS && storedType == type && size == value.size());
            check(buffer.compare(0, size, value) == 0);
        } else {
            check(status == ERROR_MORE_DATA && size == value.size());
            check(buffer == std::string(capacity, '\x5A'));
        }
        // Every value of the key enumerates with a name that folds like one.
        for (DWORD index = 0;; ++index) {
            char valueName[1024];
            DWORD nameLength = sizeof valueName;
            DWORD dataSize = 0;
            const LONG enumerated =
                store.RegEnumValueA(key, index, valueName, &nameLength, nullptr, nullptr, nullptr, &dataSize);
            if (enumerated == ERROR_NO_MORE_ITEMS)
                break;
            check(enumerated == ERROR_SUCCESS || enumerated == ERROR_MORE_DATA);
            check(index < 10000);
        }
        if (input.ConsumeBool())
            check(store.RegDeleteValueA(key, name) == ERROR_SUCCESS);
    }
    store.RegCloseKey(key);
    if (input.ConsumeBool() && !split.components.empty())
        store.RegDeleteKeyA(HKEY_CURRENT_USER, path);

    // Nothing outside the fixture's folders, whatever the names.
    for (const auto& entry : std::filesystem::directory_iterator(fixture.folder)) {
        const std::string file = entry.path().filename().string();
        check(file.rfind("user.sqlite3", 0) == 0 || file.rfind("machine.sqlite3", 0) == 0 || file == "autostart"
              || file == "machine-autostart");
    }
    return 0;
}
