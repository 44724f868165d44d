#include "config/irst_setup.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/launcher.h"
#include "app/run_context.h"
#include "common/refusal.h"
#include "common/text.h"
#include "config/registry.h"
#include "irst/release.h"
#include "platform/windows_release.h"

namespace {

// Bounds of the waits of the removal.
constexpr int kServiceWaitSteps = 100;
constexpr std::uint32_t kServiceWaitStepMs = 1000;
constexpr int kUninstallWaitSteps = 10;
constexpr std::uint32_t kUninstallWaitStepMs = 2000;
// The uninstallers are looked at this often within each step, so that the wait ends soon after
// the last of them has ended.
constexpr std::uint32_t kUninstallPollMs = 100;
constexpr std::uint32_t kUiGoneSettleMs = 3000;

// The installer's command line must fit the program's path buffer.
constexpr std::size_t kMaxInstallerCommandLine = 259;

constexpr const char* kApplicationName = "VOLKIT";
constexpr const char* kReleaseKeyFailure = "Could not create driver registry key";

int CountProcessesNamed(RunContext& ctx, const char* name) {
    int count = 0;
    for (const os::ProcessEntry& entry : ctx.os.processes.Snapshot()) {
        if (text::EqualsNoCase(entry.exeName, name)) ++count;
    }
    return count;
}

void WaitForServiceToStop(RunContext& ctx) {
    if (!IsIrstServiceRunning(ctx)) {
        ctx.log.Write(std::string("service ") + kIrstServiceName + " is not running");
        return;
    }
    for (int step = 0; step < kServiceWaitSteps; ++step) {
        ctx.os.clock.Sleep(kServiceWaitStepMs);
        if (!IsIrstServiceRunning(ctx)) {
            ctx.log.Write(std::string("service ") + kIrstServiceName + " stopped after " +
                          text::Decimal(step + 1) + " s");
            return;
        }
    }
    ctx.log.Write(std::string("service ") + kIrstServiceName + " still running after " +
                  text::Decimal(kServiceWaitSteps) + " s; going on");
}

// Waits at most boundMs for the running uninstallers to be back at before. The uninstaller started
// last is awaited directly, so that the wait ends with it; any started before it that still run
// are then looked at every kUninstallPollMs. True when they have ended.
bool UninstallersEndWithin(RunContext& ctx, int before, std::uint32_t boundMs) {
    const std::uint64_t start = ctx.os.clock.NowMilliseconds();
    if (ctx.g_piChild != 0) ctx.os.processes.Wait(ctx.g_piChild, boundMs);
    if (CountMsiexecProcesses(ctx) <= before) return true;
    for (;;) {
        const std::uint64_t waited = ctx.os.clock.NowMilliseconds() - start;
        if (waited >= boundMs) return false;
        ctx.os.clock.Sleep(static_cast<std::uint32_t>(
            std::min<std::uint64_t>(kUninstallPollMs, boundMs - waited)));
        if (CountMsiexecProcesses(ctx) <= before) return true;
    }
}

void WaitForUninstallers(RunContext& ctx, int before) {
    if (CountMsiexecProcesses(ctx) <= before) {
        ctx.log.Write("no uninstaller is running; not waiting");
        return;
    }
    for (int step = 0; step < kUninstallWaitSteps; ++step) {
        if (UninstallersEndWithin(ctx, before, kUninstallWaitStepMs)) {
            ctx.log.Write("the uninstallers have ended");
            return;
        }
        if (IsIrstUiGone(ctx)) {
            // The uninstall has removed the user-interface program: the uninstallers get two
            // settle periods more to finish, and the wait ends as soon as they have.
            const bool ended = UninstallersEndWithin(ctx, before, 2 * kUiGoneSettleMs);
            ctx.log.Write(std::string("the IRST user-interface program is gone; ") +
                          (ended ? "the uninstallers have ended" : "uninstall under way"));
            return;
        }
    }
    ctx.log.Write("uninstallers still running after " +
                  text::Decimal(kUninstallWaitSteps * kUninstallWaitStepMs / 1000) +
                  " s; leaving them to finish");
}

}  // namespace

bool StopIrstService(RunContext& ctx) {
    const bool sent = ctx.os.services.StopService(kIrstServiceName);
    ctx.log.Write(std::string(sent ? "stop sent to service " : "could not stop service ") +
                  kIrstServiceName);
    return sent;
}

bool IsIrstServiceRunning(RunContext& ctx) {
    return ctx.os.services.ServiceState(kIrstServiceName) == os::kServiceRunning;
}

bool KillIrstTray(RunContext& ctx) {
    for (const os::ProcessEntry& entry : ctx.os.processes.Snapshot()) {
        if (!text::EqualsNoCase(entry.exeName, kIrstTrayName)) continue;
        const os::ProcessHandle process = ctx.os.processes.OpenProcess(entry.pid);
        if (process == 0) {
            ctx.log.Write(std::string("could not open ") + kIrstTrayName + " (process " +
                          text::Decimal(entry.pid) + ")");
            return false;
        }
        std::uint32_t code = os::kStillActive;
        ctx.os.processes.ExitCode(process, &code);
        const bool ended = ctx.os.processes.Terminate(process, code);
        ctx.os.processes.CloseProcess(process);
        ctx.log.Write(std::string(ended ? "ended " : "could not end ") + kIrstTrayName +
                      " (process " + text::Decimal(entry.pid) + ")");
        return ended;
    }
    ctx.log.Write(std::string(kIrstTrayName) + " is not running");
    return false;
}

int CountMsiexecProcesses(RunContext& ctx) {
    return CountProcessesNamed(ctx, kMsiexecName);
}

bool IsIrstUiGone(RunContext& ctx) {
    std::string folder;
    if (!ctx.os.files.SpecialFolder(os::kCsidlProgramFiles, &folder)) return false;
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return !ctx.os.files.CanOpenForRead(folder + kIrstUiSubPath);
}

std::string UninstallCommandLine(const std::string& productCode, bool wow64) {
    return std::string(kMsiexecName) + " /x" + productCode +
           (wow64 ? " /quiet " : " /quiet /forcerestart");
}

int UninstallIrstProducts(RunContext& ctx) {
    if (!DetectIrstRelease(ctx)) {
        ctx.log.Write("no IRST release is installed; nothing to uninstall");
        return 1;
    }
    std::string programFiles;
    if (!ctx.os.files.SpecialFolder(os::kCsidlProgramFiles, &programFiles)) {
        ctx.log.Write("the Program Files folder cannot be determined; nothing uninstalled");
        return 0;
    }
    const bool wow64 = IsWow64(ctx);
    EnableShutdownPrivilege(ctx, true);

    // Both lists are read and checked before anything is started.
    const std::string path = text::JoinPath(ctx.g_strAppDir, kProductCodeFileName);
    std::string content;
    ProductCodeFile file;
    if (!ctx.os.files.ReadFile(path, &content)) {
        file.fault = "the file is missing or cannot be read";
    } else {
        file = ParseProductCodes(content);
    }
    if (!file.fault.empty()) {
        const std::string reason = std::string(kProductCodeFileName) +
                                   " is malformed: " + file.fault + "; no uninstaller started";
        EnableShutdownPrivilege(ctx, false);
        throw Refusal(reason);
    }

    const ProductCodeList& list = wow64 ? file.list64 : file.list32;
    const char* marker = wow64 ? "[64]=" : "[32]=";
    if (list.codes.empty()) {
        ctx.log.Write(std::string("the list ") + marker + " of " + kProductCodeFileName +
                      " names no product (count \"" + list.countText + "\")");
    }
    // Started back to back; the launcher logs each one.
    for (const std::string& code : list.codes) LaunchHidden(ctx, UninstallCommandLine(code, wow64));
    WriteIrstReleaseRecord(ctx);
    EnableShutdownPrivilege(ctx, false);
    return 0;
}

void WriteIrstReleaseRecord(RunContext& ctx) {
    const bool wow64 = IsWow64(ctx);
    CRegistry registry(ctx.os.registry, os::kHkeyLocalMachine);
    bool opened = wow64 ? registry.Open64(os::kHkeyLocalMachine, kIrstReleaseKey)
                        : registry.Open(os::kHkeyLocalMachine, kIrstReleaseKey);
    // Created in the program's own view: on 64-bit Windows that is the 32-bit one.
    const bool nativeView = opened || !wow64;
    if (!opened) opened = registry.CreateKey(os::kHkeyLocalMachine, kIrstReleaseKey);
    if (!opened) {
        ctx.log.Write(std::string("could not open or create HKLM\\") + kIrstReleaseKey +
                      " (error " + text::Decimal(registry.m_lStatus) + ")");
        ctx.os.windowing.MessageBox(kReleaseKeyFailure, kApplicationName, os::kMbOk);
        return;
    }
    const bool written =
        registry.WriteDword(kIrstReleaseValue, static_cast<std::uint32_t>(ctx.IrstRelease));
    ctx.log.Write(std::string(written ? "wrote " : "could not write ") + "HKLM\\" +
                  kIrstReleaseKey + " " + kIrstReleaseValue + " = " +
                  text::Decimal(ctx.IrstRelease) + (nativeView ? "" : " (32-bit view)"));
    registry.Close();
}

std::string InstallerCommandLine(const std::string& programDirectory) {
    return text::QuoteIfBlank(text::JoinPath(programDirectory, kIrstInstallerName)) + " -s -b";
}

void InstallIrst(RunContext& ctx) {
    const std::string commandLine = InstallerCommandLine(ctx.g_strAppDir);
    if (commandLine.size() > kMaxInstallerCommandLine) {
        const std::string reason = "installer command line of " +
                                   text::Decimal(static_cast<std::int64_t>(commandLine.size())) +
                                   " characters is longer than " +
                                   text::Decimal(kMaxInstallerCommandLine) + "; not started";
        throw Refusal(reason);
    }
    EnableShutdownPrivilege(ctx, true);
    ctx.g_nRestartFlag = 1;
    LaunchHidden(ctx, commandLine);  // logs what it started, or that it could not
    EnableShutdownPrivilege(ctx, false);
}

void RemoveIrst(RunContext& ctx) {
    DetectIrstRelease(ctx);
    StopIrstService(ctx);
    KillIrstTray(ctx);
    WaitForServiceToStop(ctx);
    const int before = CountMsiexecProcesses(ctx);
    UninstallIrstProducts(ctx);
    WaitForUninstallers(ctx, before);
}
