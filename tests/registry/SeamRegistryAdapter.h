#pragma once

// The ten registry functions of the Win32 seam (references, buffers of a fixed
// length) in the pointer form the contract suite calls (RegistryContract.h),
// so that any Win32Api can be held to the suite: NativeWin32Api on Windows,
// LinuxWin32Api on Linux. The adapter maps one form onto the other and nothing
// more: a NULL out pointer becomes a scratch variable, a NULL data buffer a
// buffer of size 0 whose ERROR_MORE_DATA answers the size question as NULL
// does on Windows.

#include "RegistryContract.h"

#include "winapi/Win32Api.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace tarnquill::contract {

namespace seam_detail {

// A caller's buffer of `size` bytes as the seam's std::string, copied back
// whole afterwards (the seam overwrites in place and never changes its length).
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
T& slot(T* pointer, T& scratch)
{
    return pointer ? *pointer : scratch;
}

} // namespace seam_detail

class SeamRegistry {
public:
    explicit SeamRegistry(tarnquill::Win32Api& api) : m_api(api) {}

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
                                     seam_detail::slot(disposition, ignored));
    }

    Status RegSetValueExA(Handle key, const std::string& name, Dword reserved, Dword type, const std::uint8_t* data,
                          Dword size)
    {
        const std::string_view bytes = data ? std::string_view(reinterpret_cast<const char*>(data), size) : "";
        return m_api.RegSetValueExA(key, name, reserved, type, bytes, size);
    }

    Status RegQueryValueExA(Handle key, const std::string& name, Dword* reserved, Dword* type, std::uint8_t* data,
                            Dword* size)
    {
        if (reserved)
            return tarnquill::ERROR_INVALID_PARAMETER;
        Dword ignoredType = 0, ignoredSize = 0;
        Dword& bytes = seam_detail::slot(size, ignoredSize);
        if (!data) {
            std::string none;
            bytes = 0;
            const Status status = m_api.RegQueryValueExA(key, name, seam_detail::slot(type, ignoredType), none, bytes);
            return status == tarnquill::ERROR_MORE_DATA ? tarnquill::ERROR_SUCCESS : status;
        }
        seam_detail::Buffer buffer(data, bytes);
        return m_api.RegQueryValueExA(key, name, seam_detail::slot(type, ignoredType), buffer.get(), bytes);
    }

    Status RegDeleteValueA(Handle key, const std::string& name) { return m_api.RegDeleteValueA(key, name); }
    Status RegDeleteKeyA(Handle key, const std::string& subKey) { return m_api.RegDeleteKeyA(key, subKey); }
    Status RegCloseKey(Handle key) { return m_api.RegCloseKey(key); }

    Status RegQueryInfoKeyA(Handle key, char* keyClass, Dword* classLength, Dword* reserved, Dword* subKeys,
                            Dword* maxSubKey, Dword* maxClass, Dword* values, Dword* maxValueName, Dword* maxValue,
                            Dword* security, void* lastWrite)
    {
        if (reserved)
            return tarnquill::ERROR_INVALID_PARAMETER;
        Dword scratch[8] = {};
        tarnquill::FileTime written;
        Dword& length = seam_detail::slot(classLength, scratch[0]);
        // No class buffer: a buffer of size 0 asks for the length alone.
        seam_detail::Buffer buffer(keyClass, keyClass ? length : 0);
        if (!keyClass)
            length = 0;
        const Status status = m_api.RegQueryInfoKeyA(
            key, buffer.get(), length, seam_detail::slot(subKeys, scratch[1]), seam_detail::slot(maxSubKey, scratch[2]),
            seam_detail::slot(maxClass, scratch[3]), seam_detail::slot(values, scratch[4]), seam_detail::slot(maxValueName, scratch[5]),
            seam_detail::slot(maxValue, scratch[6]), seam_detail::slot(security, scratch[7]), written);
        if (lastWrite)
            std::memcpy(lastWrite, &written, sizeof written);
        return status;
    }

    Status RegEnumKeyExA(Handle key, Dword index, char* name, Dword* nameLength, Dword* reserved, char* keyClass,
                         Dword* classLength, void* lastWrite)
    {
        if (reserved)
            return tarnquill::ERROR_INVALID_PARAMETER;
        seam_detail::Buffer nameBuffer(name, *nameLength);
        // No class buffer: one that holds any class, so only the name decides.
        Dword scratchLength = 0;
        std::string anyClass(4096, ' ');
        Dword& length = keyClass ? seam_detail::slot(classLength, scratchLength) : (scratchLength = 4096);
        seam_detail::Buffer classBuffer(keyClass, keyClass ? length : 0);
        tarnquill::FileTime written;
        const Status status = m_api.RegEnumKeyExA(key, index, nameBuffer.get(), *nameLength,
                                                  keyClass ? classBuffer.get() : anyClass, length, written);
        if (lastWrite)
            std::memcpy(lastWrite, &written, sizeof written);
        return status;
    }

    Status RegEnumValueA(Handle key, Dword index, char* name, Dword* nameLength, Dword* reserved, Dword* type,
                         std::uint8_t* data, Dword* size)
    {
        if (reserved)
            return tarnquill::ERROR_INVALID_PARAMETER;
        seam_detail::Buffer nameBuffer(name, *nameLength);
        Dword ignoredType = 0, ignoredSize = 0;
        Dword& bytes = seam_detail::slot(size, ignoredSize);
        // No data buffer: one that holds any value the suite writes; only its
        // size is given back.
        std::string anyData;
        if (!data) {
            anyData.assign(1 << 16, '\0');
            bytes = static_cast<Dword>(anyData.size());
        }
        seam_detail::Buffer dataBuffer(data, data ? bytes : 0);
        return m_api.RegEnumValueA(key, index, nameBuffer.get(), *nameLength, seam_detail::slot(type, ignoredType),
                                   data ? dataBuffer.get() : anyData, bytes);
    }

private:
    tarnquill::Win32Api& m_api;
};

} // namespace tarnquill::contract
