#include "platform/windows_release.h"

#include <cstring>

#include "app/run_context.h"
#include "common/text.h"
#include "config/registry.h"

namespace {

// Windows 8.1 and 10 both report 6.2 to a program that declares no newer Windows; the registry
// tells them apart. False when the key cannot be opened.
bool ClassifyVersion62(RunContext& ctx, bool is64, std::uint8_t* code) {
    CRegistry registry(ctx.os.registry, os::kHkeyLocalMachine);
    const std::string path = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    const bool opened = is64 ? registry.Open64(os::kHkeyLocalMachine, path)
                             : registry.Open(os::kHkeyLocalMachine, path);
    if (!opened) {
        *code = 0;
        return false;
    }
    std::string currentVersion;
    std::string productName;
    registry.ReadString("CurrentVersion", &currentVersion);
    registry.ReadString("ProductName", &productName);
    if (!text::Contains(currentVersion, "6.3")) {
        *code = 0;
    } else if (text::Contains(productName, "8.1")) {
        *code = is64 ? 23 : 22;
    } else if (text::Contains(productName, "10")) {
        *code = is64 ? 33 : 32;
    } else {
        *code = 0;
    }
    return true;
}

}  // namespace

bool DetectWindowsRelease(RunContext& ctx, std::uint8_t* code) {
    os::VersionRecord version;
    if (!ctx.os.system.GetVersion(os::kOsVersionInfoExSize, &version)) {
        version = os::VersionRecord{};
        if (!ctx.os.system.GetVersion(os::kOsVersionInfoSize, &version)) return false;
    }

    *code = 0;
    switch (version.platformId) {
        case os::kVerPlatformWin32s:
            *code = 9;
            return true;
        case os::kVerPlatformWin32Windows:
            if (version.majorVersion > 4 ||
                (version.majorVersion == 4 && version.minorVersion > 0)) {
                *code = 11;
                const std::uint32_t build = version.buildNumber & 0xFFFFu;
                if (build > 2222) {
                    *code = 15;
                } else if (build == 2222) {
                    *code = 12;
                }
            } else {
                *code = 10;
            }
            return true;
        case os::kVerPlatformWin32Nt:
            break;
        default:
            return false;
    }

    if (version.majorVersion <= 4) *code = 13;
    if (version.majorVersion == 5) {
        if (version.buildNumber <= 2222) {
            *code = 14;
        } else if (version.buildNumber < 3790) {
            *code = 16;
        } else if (version.minorVersion == 2) {
            *code = (version.productType == os::kVerNtWorkstation || HasSysWow64(ctx)) ? 17 : 16;
        }
        return true;
    }
    if (version.majorVersion == 6) {
        switch (version.minorVersion) {
            case 0:
                *code = HasSysWow64(ctx) ? 19 : 18;
                break;
            case 1:
                *code = HasSysWow64(ctx) ? 21 : 20;
                break;
            case 2:
                return ClassifyVersion62(ctx, HasSysWow64(ctx), code);
            default:
                break;
        }
    }
    return true;
}

bool HasSysWow64(RunContext& ctx) {
    // GetWindowsDirectoryA fills a buffer of 255 characters; a longer directory is not found.
    std::string windows = ctx.os.files.WindowsDirectory();
    if (windows.empty() || windows.size() >= 255) return false;
    return ctx.os.files.AnyMatch(windows + "\\SysWow64\\*.*");
}

bool IsWow64(RunContext& ctx) {
    bool wow64 = false;
    if (!ctx.os.system.IsWow64Process(&wow64)) return false;
    return wow64;
}

int GetCpuVendor(RunContext& ctx) {
    const os::CpuidRegisters regs = ctx.os.processor.Cpuid(0);
    char vendor[12];
    std::memcpy(vendor, &regs.ebx, 4);
    std::memcpy(vendor + 4, &regs.edx, 4);
    std::memcpy(vendor + 8, &regs.ecx, 4);
    const std::string_view name(vendor, sizeof vendor);
    if (name == "GenuineIntel") return 1;
    if (name == "AuthenticAMD") return 2;
    return 0;
}
