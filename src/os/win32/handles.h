// Conversions between the seam's integer handles and Win32 handle types. Included only by the
// implementation files of os/win32, after <windows.h>.
#pragma once

#include <cstdint>

namespace os::win32 {

template <typename Handle>
Handle ToNative(std::uintptr_t value) {
    return reinterpret_cast<Handle>(value);
}

template <typename Handle>
std::uintptr_t FromNative(Handle handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

}  // namespace os::win32
