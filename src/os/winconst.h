// Windows constants that the program's logic needs, defined once by value so that nothing above
// the OS layer has to include <windows.h>.
#pragma once

#include <cstdint>

namespace os {

// Error codes.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorNotSupported = 50;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNotAllAssigned = 1300;

// Registry.
using HKey = std::uintptr_t;
inline constexpr HKey kHkeyLocalMachine = 0x80000002u;
inline constexpr HKey kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003Fu;
inline constexpr std::uint32_t kKeyWow64_64Key = 0x0100u;
inline constexpr std::uint32_t kKeyWow64_32Key = 0x0200u;
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// Files.
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10u;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80u;
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kFileShareRead = 1;
inline constexpr std::uint32_t kFileShareWrite = 2;
inline constexpr std::uint32_t kFileShareDelete = 4;

// Special folders (SHGetFolderPathA).
inline constexpr int kCsidlStartup = 0x0007;
inline constexpr int kCsidlProgramFiles = 0x0026;

// Processes.
inline constexpr std::uint32_t kStillActive = 259;
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 0x102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;
inline constexpr std::uint32_t kProcessAllAccess = 0x1FFFFF;
inline constexpr int kSwHide = 0;

// Services.
inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceRunning = 4;

// Device requests (DeviceIoControl codes).
inline constexpr std::uint32_t kSmartGetVersion = 0x74080;
inline constexpr std::uint32_t kSmartRcvDriveData = 0x7C088;
inline constexpr std::uint32_t kIoctlStorageQueryProperty = 0x2D1400;
inline constexpr std::uint32_t kIoctlDiskGetDriveGeometryEx = 0x700A0;
inline constexpr std::uint32_t kIoctlStorageGetDeviceNumber = 0x2D1080;
inline constexpr std::uint32_t kFileDeviceDisk = 7;

// Window messages and styles.
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbIconError = 0x10;
inline constexpr unsigned kIdmAboutBox = 0x0010;

// Token privileges.
inline constexpr std::uint32_t kTokenAdjustPrivileges = 0x0020;
inline constexpr std::uint32_t kSePrivilegeEnabled = 0x2;

// Version record.
inline constexpr std::uint32_t kOsVersionInfoExSize = 156;
inline constexpr std::uint32_t kOsVersionInfoSize = 148;
inline constexpr std::uint32_t kVerPlatformWin32s = 0;
inline constexpr std::uint32_t kVerPlatformWin32Windows = 1;
inline constexpr std::uint32_t kVerPlatformWin32Nt = 2;
inline constexpr std::uint8_t kVerNtWorkstation = 1;

// System shutdown.
inline constexpr std::uint32_t kEwxReboot = 0x2;

}  // namespace os
