// SPDX-License-Identifier: MIT
// The registry contract against the system's own functions (advapi32; Wine's
// under the cross build), so that what the Linux store is held to is what the
// real registry does; and against NativeWin32Api, the program's own way to
// that registry, which through the seam must answer as advapi32 does.

#include "RegistryContract.h"
#include "SeamRegistryAdapter.h"

#include "platform/windows/NativeWin32Api.h"

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

// A DWORD in/out argument: the system's DWORD is an unsigned long.
class Slot {
public:
    explicit Slot(Dword* outer) : m_outer(outer), m_value(outer ? *outer : 0) {}
    ~Slot()
    {
        if (m_outer)
            *m_outer = static_cast<Dword>(m_value);
    }
    DWORD* get() { return m_outer ? &m_value : nullptr; }

private:
    Dword* m_outer;
    DWORD m_value;
};

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
        Slot slot(disposition);
        const Status status = ::RegCreateKeyExA(toSystem(key), subKey.c_str(), reserved, const_cast<char*>(keyClass),
                                                options, access, nullptr, &opened, slot.get());
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
        Slot typeSlot(type), sizeSlot(size);
        return ::RegQueryValueExA(toSystem(key), name.c_str(), reinterpret_cast<DWORD*>(reserved), typeSlot.get(),
                                  data, sizeSlot.get());
    }
    Status RegDeleteValueA(Handle key, const std::string& name) { return ::RegDeleteValueA(toSystem(key), name.c_str()); }
    Status RegDeleteKeyA(Handle key, const std::string& subKey) { return ::RegDeleteKeyA(toSystem(key), subKey.c_str()); }
    Status RegCloseKey(Handle key) { return ::RegCloseKey(toSystem(key)); }
    Status RegQueryInfoKeyA(Handle key, char* keyClass, Dword* classLength, Dword* reserved, Dword* subKeys,
                            Dword* maxSubKey, Dword* maxClass, Dword* values, Dword* maxValueName, Dword* maxValue,
                            Dword* security, void* lastWrite)
    {
        Slot a(classLength), b(subKeys), c(maxSubKey), d(maxClass), e(values), f(maxValueName), g(maxValue),
            h(security);
        return ::RegQueryInfoKeyA(toSystem(key), keyClass, a.get(), reinterpret_cast<DWORD*>(reserved), b.get(),
                                  c.get(), d.get(), e.get(), f.get(), g.get(), h.get(),
                                  static_cast<FILETIME*>(lastWrite));
    }
    Status RegEnumKeyExA(Handle key, Dword index, char* name, Dword* nameLength, Dword* reserved, char* keyClass,
                         Dword* classLength, void* lastWrite)
    {
        Slot a(nameLength), b(classLength);
        return ::RegEnumKeyExA(toSystem(key), index, name, a.get(), reinterpret_cast<DWORD*>(reserved), keyClass,
                               b.get(), static_cast<FILETIME*>(lastWrite));
    }
    Status RegEnumValueA(Handle key, Dword index, char* name, Dword* nameLength, Dword* reserved, Dword* type,
                         std::uint8_t* data, Dword* size)
    {
        Slot a(nameLength), b(type), c(size);
        return ::RegEnumValueA(toSystem(key), index, name, a.get(), reinterpret_cast<DWORD*>(reserved), b.get(), data,
                               c.get());
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
} // namespace tarnquill::contract
