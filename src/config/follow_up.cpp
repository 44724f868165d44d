#include "config/follow_up.h"

#include <string>

#include "app/run_context.h"
#include "common/refusal.h"
#include "common/text.h"
#include "config/registry.h"

namespace {

constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kShellCommandFile = "marlinex.scf";
// The value's path, with its terminating NUL, fits in 256 bytes.
constexpr std::size_t kPathBufferBytes = 256;

bool IsWindows81(const RunContext& ctx) {
    return ctx.g_nOSCode == 22 || ctx.g_nOSCode == 23;
}

// The value data: the program's directory followed by a name. Windows runs the value as a
// command line at logon, so a path with a blank is quoted; unquoted, Windows would first try
// the path cut at the blank, and run whatever program stands there.
std::string FollowUpValue(const RunContext& ctx, const char* name) {
    const std::string path = ctx.g_strAppDir + name;
    if (path.size() + 1 > kPathBufferBytes) {
        throw Refusal("the follow-up path \"" + path + "\" is longer than 255 characters");
    }
    return text::QuoteIfBlank(path);
}

// Writes "TIDAL" under RunOnce from Vista on, else under Run (created when missing). Both in
// the process's own (32-bit) registry view.
void WriteTidal(RunContext& ctx, const std::string& value) {
    CRegistry registry(ctx.os.registry, os::kHkeyLocalMachine);
    const bool runOnce = ctx.g_nOSCode >= 18;
    const std::string key = runOnce ? kRunOnceKey : kRunKey;
    bool opened = registry.Open(os::kHkeyLocalMachine, key);
    if (!opened && !runOnce) opened = registry.CreateKey(os::kHkeyLocalMachine, key);
    if (!opened) {
        ctx.log.Write("could not open HKLM\\" + key + " (error " +
                      std::to_string(registry.m_lStatus) + "); TIDAL not written");
        return;
    }
    if (registry.WriteString("TIDAL", value)) {
        ctx.log.Write("wrote TIDAL = \"" + value + "\" under HKLM\\" + key);
    } else {
        ctx.log.Write("could not write TIDAL under HKLM\\" + key + " (error " +
                      std::to_string(registry.m_lStatus) + ")");
    }
    registry.Close();
}

}  // namespace

void RegisterFollowUp(RunContext& ctx) {
    WriteTidal(ctx, FollowUpValue(ctx, "tidalpretray.exe"));
    if (!IsWindows81(ctx)) return;
    ctx.os.files.SetCurrentDirectory(ctx.g_strAppDir);
    std::string startup;
    if (!ctx.os.files.SpecialFolder(os::kCsidlStartup, &startup)) {
        ctx.log.Write("the Startup folder cannot be determined; marlinex.scf not copied");
        return;
    }
    const std::string target = startup + "\\" + kShellCommandFile;
    if (ctx.os.files.CopyFile(ctx.g_strAppDir + kShellCommandFile, target, false)) {
        ctx.log.Write("copied marlinex.scf to " + target);
    } else {
        ctx.log.Write("could not copy marlinex.scf to " + target);
    }
}

void UnregisterFollowUp(RunContext& ctx) {
    WriteTidal(ctx, FollowUpValue(ctx, "0"));
    if (!IsWindows81(ctx)) return;
    std::string startup;
    if (!ctx.os.files.SpecialFolder(os::kCsidlStartup, &startup)) {
        ctx.log.Write("the Startup folder cannot be determined; marlinex.scf not deleted");
        return;
    }
    const std::string target = startup + "\\" + kShellCommandFile;
    if (ctx.os.files.DeleteFile(target)) {
        ctx.log.Write("deleted " + target);
    } else {
        ctx.log.Write("no " + target + " to delete");
    }
}
