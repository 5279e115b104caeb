// SPDX-License-Identifier: MIT
// The registry contract against the system's own functions (advapi32; Wine's
// under the cross build), so that what the Linux store is held to is what the
// real registry does; and against NativeWin32Api, the program's own way to
// that registry, which through the seam must answer as advapi32 does; and
// against the tests' in-memory registry behind RecordingWin32Api.

#include "RegistryContract.h"
#include "SeamRegistryAdapter.h"

#include "platform/windows/NativeWin32Api.h"
#include "winapi/RecordingWin32Api.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace {

using tarnquill::contract::Dword;
using tarnquill::contract::Handle;
using tarnquill::contract::Status;

// Handles cross as 32-bit integers, as at the program's seam: the system's
// key handles are small, and the predefined ones sign-extend back.
HKEY toSystem(Handle handle)
{
    return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(handle));
}

Handle fromSystem(HKEY handle)
{
    return static_cast<Handle>(reinterpret_cast<std::intptr_t>(handle));
}

// The system's DWORD is an unsigned long of the same size as the seam's.
static_assert(sizeof(DWORD) == sizeof(Dword));
DWORD* d(Dword* value)
{
    return reinterpret_cast<DWORD*>(value);
}

class Advapi {
public:
    Status RegOpenKeyExA(Handle key, const std::string& subKey, Dword options, Dword access, Handle* result)
    {
        HKEY opened = nullptr;
        const Status status = ::RegOpenKeyExA(toSystem(key), subKey.c_str(), options, access, &opened);
        *result = fromSystem(opened);
        return status;
    }
    Status RegCreateKeyExA(Handle key, const std::string& subKey, Dword reserved, const char* keyClass, Dword options,
                           Dword access, const void*, Handle* result, Dword* disposition)
    {
        HKEY opened = nullptr;
        const Status status = ::RegCreateKeyExA(toSystem(key), subKey.c_str(), reserved, const_cast<char*>(keyClass),
                                                options, access, nullptr, &opened, d(disposition));
        *result = fromSystem(opened);
        return status;
    }
    Status RegSetValueExA(Handle key, const std::string& name, Dword reserved, Dword type, const std::uint8_t* data,
                          Dword size)
    {
        return ::RegSetValueExA(toSystem(key), name.c_str(), reserved, type, data, size);
    }
    Status RegQueryValueExA(Handle key, const std::string& name, Dword* reserved, Dword* type, std::uint8_t* data,
                            Dword* size)
    {
        return ::RegQueryValueExA(toSystem(key), name.c_str(), d(reserved), d(type), data, d(size));
    }
    Status RegDeleteValueA(Handle key, const std::string& name) { return ::RegDeleteValueA(toSystem(key), name.c_str()); }
    Status RegDeleteKeyA(Handle key, const std::string& subKey) { return ::RegDeleteKeyA(toSystem(key), subKey.c_str()); }
    Status RegCloseKey(Handle key) { return ::RegCloseKey(toSystem(key)); }
    Status RegQueryInfoKeyA(Handle key, char* keyClass, Dword* classLength, Dword* reserved, Dword* subKeys,
                            Dword* maxSubKey, Dword* maxClass, Dword* values, Dword* maxValueName, Dword* maxValue,
                            Dword* security, void* lastWrite)
    {
        return ::RegQueryInfoKeyA(toSystem(key), keyClass, d(classLength), d(reserved), d(subKeys), d(maxSubKey),
                                  d(maxClass), d(values), d(maxValueName), d(maxValue), d(security),
                                  static_cast<FILETIME*>(lastWrite));
    }
    Status RegEnumKeyExA(Handle key, Dword index, char* name, Dword* nameLength, Dword* reserved, char* keyClass,
                         Dword* classLength, void* lastWrite)
    {
        return ::RegEnumKeyExA(toSystem(key), index, name, d(nameLength), d(reserved), keyClass, d(classLength),
                               static_cast<FILETIME*>(lastWrite));
    }
    Status RegEnumValueA(Handle key, Dword index, char* name, Dword* nameLength, Dword* reserved, Dword* type,
                         std::uint8_t* data, Dword* size)
    {
        return ::RegEnumValueA(toSystem(key), index, name, d(nameLength), d(reserved), d(type), data, d(size));
    }
};

struct AdvapiTraits {
    struct Backend {
        Advapi advapi;
        Advapi& api() { return advapi; }
    };
};

} // namespace

namespace tarnquill::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(RegistryAdvapiContract, RegistryContract, AdvapiTraits);
INSTANTIATE_TYPED_TEST_SUITE_P(RegistryNativeContract, RegistryContract, SeamTraits<NativeWin32Api>);
INSTANTIATE_TYPED_TEST_SUITE_P(InMemoryRegistryContract, RegistryContract, SeamTraits<testing::RecordingWin32Api>);
} // namespace tarnquill::contract
