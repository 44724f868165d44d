#include <cstring>

#include "os/win32/handles.h"
#include "os/win32/parts.h"
#include "os/win32/win32_api.h"

namespace os::win32 {

bool Win32System::GetVersion(std::uint32_t structureSize, VersionRecord* record) {
    OSVERSIONINFOEXA info{};
    // GetVersionExA accepts only the two known structure sizes; anything larger than the
    // structure here would let it write past it.
    if (structureSize > sizeof info) return false;
    info.dwOSVersionInfoSize = structureSize;
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return false;
    if (record != nullptr) {
        record->majorVersion = info.dwMajorVersion;
        record->minorVersion = info.dwMinorVersion;
        record->buildNumber = info.dwBuildNumber;
        record->platformId = info.dwPlatformId;
        record->csdVersion.assign(info.szCSDVersion,
                                  strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
        record->servicePackMajor = info.wServicePackMajor;
        record->servicePackMinor = info.wServicePackMinor;
        record->suiteMask = info.wSuiteMask;
        record->productType = info.wProductType;
    }
    return true;
}

bool Win32System::IsWow64Process(bool* wow64) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32");
    if (kernel == nullptr) return false;
    FARPROC entry = GetProcAddress(kernel, "IsWow64Process");
    if (entry == nullptr) return false;
    auto call = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(entry));
    BOOL answer = FALSE;
    call(GetCurrentProcess(), &answer);
    if (wow64 != nullptr) *wow64 = answer != FALSE;
    return true;
}

bool Win32System::OpenProcessToken(std::uint32_t access, TokenHandle* token) {
    HANDLE handle = nullptr;
    if (!::OpenProcessToken(GetCurrentProcess(), access, &handle)) return false;
    if (token != nullptr) *token = FromNative(handle);
    return true;
}

bool Win32System::LookupPrivilege(const std::string& name, std::uint64_t* luid) {
    LUID value{};
    if (!LookupPrivilegeValueA(nullptr, name.c_str(), &value)) return false;
    if (luid != nullptr) {
        *luid = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(value.HighPart)) << 32) |
                value.LowPart;
    }
    return true;
}

bool Win32System::AdjustPrivilege(TokenHandle token, std::uint64_t luid, std::uint32_t attributes) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid.LowPart = static_cast<DWORD>(luid & 0xFFFFFFFFu);
    privileges.Privileges[0].Luid.HighPart = static_cast<LONG>(luid >> 32);
    privileges.Privileges[0].Attributes = attributes;
    return AdjustTokenPrivileges(ToNative<HANDLE>(token), FALSE, &privileges, 0, nullptr,
                                 nullptr) != 0;
}

void Win32System::CloseToken(TokenHandle token) {
    CloseHandle(ToNative<HANDLE>(token));
}

std::uint32_t Win32System::LastError() {
    return GetLastError();
}

void Win32System::SetLastError(std::uint32_t error) {
    ::SetLastError(error);
}

bool Win32System::ExitWindows(std::uint32_t flags) {
    return ExitWindowsEx(flags, 0) != 0;
}

bool Win32System::LoadResourceBytes(const std::string& type, unsigned id, std::string* bytes) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type.c_str());
    if (found == nullptr) return false;
    HGLOBAL loaded = LoadResource(nullptr, found);
    if (loaded == nullptr) return false;
    const DWORD size = SizeofResource(nullptr, found);
    const void* data = LockResource(loaded);
    if (data == nullptr && size != 0) return false;
    if (bytes != nullptr) bytes->assign(static_cast<const char*>(data), size);
    return true;
}

}  // namespace os::win32
