// SPDX-License-Identifier: MIT
#pragma once

// The ten registry functions of the Win32 seam (references, buffers of a fixed
// length) in the pointer form the contract suite calls (RegistryCalls.h),
// so that any Win32Api can be held to the suite: NativeWin32Api on Windows,
// LinuxWin32Api on Linux. The adapter maps one form onto the other and nothing
// more: a NULL out pointer becomes a scratch variable, a NULL data buffer a
// buffer of size 0 whose ERROR_MORE_DATA answers the size question as NULL
// does on Windows. Last-write times are not passed back: the suite asks for
// none.

#include "RegistryCalls.h"

#include "winapi/Win32Api.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace tarnquill::contract {

class SeamRegistry {
public:
    explicit SeamRegistry(Win32Api& api) : m_api(api) {}

    Status RegOpenKeyExA(Handle key, const std::string& subKey, Dword options, Dword access, Handle* result)
    {
        return m_api.RegOpenKeyExA(key, subKey, options, access, *result);
    }

    Status RegCreateKeyExA(Handle key, const std::string& subKey, Dword reserved, const char* keyClass, Dword options,
                           Dword access, const void*, Handle* result, Dword* disposition)
    {
        Dword ignored = 0;
        const std::optional<std::string> className = keyClass ? std::optional<std::string>(keyClass) : std::nullopt;
        return m_api.RegCreateKeyExA(key, subKey, reserved, className, options, access, *result,
                                     slot(disposition, ignored));
    }

    Status RegSetValueExA(Handle key, const std::string& name, Dword reserved, Dword type, const std::uint8_t* data,
                          Dword size)
    {
        const std::string_view bytes = data ? std::string_view(reinterpret_cast<const char*>(data), size) : "";
        return m_api.RegSetValueExA(key, name, reserved, type, bytes, size);
    }

    Status RegQueryValueExA(Handle key, const std::string& name, Dword*, Dword* type, std::uint8_t* data,
                            Dword* size)
    {
        Dword ignoredType = 0, ignoredSize = 0;
        Dword& bytes = slot(size, ignoredSize);
        if (!data) {
            std::string none;
            bytes = 0;
            const Status status = m_api.RegQueryValueExA(key, name, slot(type, ignoredType), none, bytes);
            return status == ERROR_MORE_DATA ? ERROR_SUCCESS : status;
        }
        Buffer buffer(data, bytes);
        return m_api.RegQueryValueExA(key, name, slot(type, ignoredType), buffer.get(), bytes);
    }

    Status RegDeleteValueA(Handle key, const std::string& name) { return m_api.RegDeleteValueA(key, name); }
    Status RegDeleteKeyA(Handle key, const std::string& subKey) { return m_api.RegDeleteKeyA(key, subKey); }
    Status RegCloseKey(Handle key) { return m_api.RegCloseKey(key); }

    Status RegQueryInfoKeyA(Handle key, char* keyClass, Dword* classLength, Dword*, Dword* subKeys,
                            Dword* maxSubKey, Dword* maxClass, Dword* values, Dword* maxValueName, Dword* maxValue,
                            Dword* security, void*)
    {
        Dword scratch[8] = {};
        FileTime written;
        Dword& length = slot(classLength, scratch[0]);
        // No class buffer: a buffer of size 0 asks for the length alone.
        Buffer buffer(keyClass, keyClass ? length : 0);
        if (!keyClass)
            length = 0;
        return m_api.RegQueryInfoKeyA(key, buffer.get(), length, slot(subKeys, scratch[1]), slot(maxSubKey, scratch[2]),
                                      slot(maxClass, scratch[3]), slot(values, scratch[4]),
                                      slot(maxValueName, scratch[5]), slot(maxValue, scratch[6]),
                                      slot(security, scratch[7]), written);
    }

    // The suite asks enumeration for no class and no time: a class buffer
    // that holds any class, so only the name decides.
    Status RegEnumKeyExA(Handle key, Dword index, char* name, Dword* nameLength, Dword*, char*, Dword*, void*)
    {
        Buffer nameBuffer(name, *nameLength);
        std::string anyClass(4096, ' ');
        Dword classLength = 4096;
        FileTime written;
        return m_api.RegEnumKeyExA(key, index, nameBuffer.get(), *nameLength, anyClass, classLength, written);
    }

    // The suite always passes a data buffer.
    Status RegEnumValueA(Handle key, Dword index, char* name, Dword* nameLength, Dword*, Dword* type,
                         std::uint8_t* data, Dword* size)
    {
        Buffer nameBuffer(name, *nameLength), dataBuffer(data, *size);
        Dword ignoredType = 0;
        return m_api.RegEnumValueA(key, index, nameBuffer.get(), *nameLength, slot(type, ignoredType),
                                   dataBuffer.get(), *size);
    }

private:
    // A caller's buffer of `size` bytes as the seam's std::string, copied back
    // whole afterwards (the seam overwrites in place and never changes its
    // length).
    class Buffer {
    public:
        Buffer(void* data, Dword size)
            : m_data(static_cast<char*>(data))
            , m_bytes(data ? std::string(static_cast<const char*>(data), size) : std::string())
        {
        }
        ~Buffer()
        {
            if (m_data)
                std::memcpy(m_data, m_bytes.data(), m_bytes.size());
        }
        std::string& get() { return m_bytes; }

    private:
        char* m_data;
        std::string m_bytes;
    };

    // An optional out argument: the caller's variable, or a scratch one.
    template <class T>
    static T& slot(T* pointer, T& scratch)
    {
        return pointer ? *pointer : scratch;
    }

    Win32Api& m_api;
};

// The contract's traits (RegistryContract.h) for a default-constructible
// Win32Api, held to the contract through the adapter.
template <class Api>
struct SeamTraits {
    struct Backend {
        Api win32;
        SeamRegistry registry{win32};
        SeamRegistry& api() { return registry; }
    };
};

} // namespace tarnquill::contract
