#include "os/win32/handles.h"
#include "os/win32/parts.h"
#include "os/win32/win32_api.h"

namespace os::win32 {

DeviceHandle Win32Devices::OpenDevice(const std::string& path, std::uint32_t access,
                                      std::uint32_t sharing) {
    HANDLE device = CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
    return device == INVALID_HANDLE_VALUE ? 0 : FromNative(device);
}

bool Win32Devices::IoControl(DeviceHandle device, std::uint32_t code,
                             const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>* out,
                             std::uint32_t* returned) {
    // DeviceIoControl does not write to its input buffer; it only takes a non-const pointer.
    std::vector<std::uint8_t> input = in;
    DWORD count = 0;
    const BOOL ok = DeviceIoControl(
        ToNative<HANDLE>(device), code, input.empty() ? nullptr : input.data(),
        static_cast<DWORD>(input.size()), out != nullptr && !out->empty() ? out->data() : nullptr,
        out != nullptr ? static_cast<DWORD>(out->size()) : 0, &count, nullptr);
    if (returned != nullptr) *returned = count;
    return ok != 0;
}

void Win32Devices::CloseDevice(DeviceHandle device) {
    CloseHandle(ToNative<HANDLE>(device));
}

std::uint32_t Win32Devices::LogicalDrives() {
    return GetLogicalDrives();
}

}  // namespace os::win32
