#include "os/win32/handles.h"
#include "os/win32/parts.h"
#include "os/win32/win32_api.h"

namespace os::win32 {

long Win32Registry::OpenKey(HKey parent, const std::string& path, std::uint32_t access, HKey* out) {
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExA(ToNative<HKEY>(parent), path.c_str(), 0, access, &key);
    if (out != nullptr) *out = FromNative(key);
    return status;
}

long Win32Registry::CreateKey(HKey parent, const std::string& path, std::uint32_t access,
                              HKey* out) {
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExA(ToNative<HKEY>(parent), path.c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    if (out != nullptr) *out = FromNative(key);
    return status;
}

long Win32Registry::DeleteKey(HKey parent, const std::string& path) {
    return RegDeleteKeyA(ToNative<HKEY>(parent), path.c_str());
}

long Win32Registry::CloseKey(HKey key) {
    return RegCloseKey(ToNative<HKEY>(key));
}

long Win32Registry::QueryValue(HKey key, const std::string& name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD valueSize = size != nullptr ? *size : 0;
    const LONG status = RegQueryValueExA(ToNative<HKEY>(key), name.c_str(), nullptr, &valueType,
                                         data, size != nullptr ? &valueSize : nullptr);
    if (type != nullptr) *type = valueType;
    if (size != nullptr) *size = valueSize;
    return status;
}

long Win32Registry::SetValue(HKey key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
    return RegSetValueExA(ToNative<HKEY>(key), name.c_str(), 0, type, data, size);
}

}  // namespace os::win32
