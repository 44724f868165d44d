#include <cstdio>

#include "os/win32/parts.h"
#include "os/win32/win32_api.h"

namespace os::win32 {

void Win32Clock::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

std::uint64_t Win32Clock::NowMilliseconds() {
    return GetTickCount64();
}

std::string Win32Clock::LocalTimeText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[32] = {};
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}

}  // namespace os::win32
