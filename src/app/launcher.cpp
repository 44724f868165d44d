#include "app/launcher.h"

#include <cstdio>

#include "app/run_context.h"

namespace {
constexpr std::uint32_t kInputIdleBound = 10000;
constexpr unsigned kPollTimerId = 0;
constexpr std::uint32_t kPollTimerPeriod = 3000;
constexpr std::uint32_t kTickWait = 1000;
}  // namespace

bool LaunchHidden(RunContext& ctx, const std::string& commandLine) {
    ctx.g_piChild = 0;
    const os::ProcessHandle process = ctx.os.processes.StartHidden(commandLine);
    if (process == 0) {
        ctx.log.Write("could not start \"" + commandLine + "\"");
        return false;
    }
    ctx.g_piChild = process;
    ctx.os.processes.WaitForInputIdle(process, kInputIdleBound);
    ctx.g_dwChildExitCode = os::kStillActive;
    ctx.os.windowing.SetTimer(ctx.dialogWindow, kPollTimerId, kPollTimerPeriod);
    ctx.log.Write("started hidden: \"" + commandLine + "\"");
    return true;
}

void OnChildTimer(RunContext& ctx) {
    if (ctx.g_dwChildExitCode == os::kStillActive) {
        ctx.os.processes.Wait(ctx.g_piChild, kTickWait);
        ctx.os.processes.ExitCode(ctx.g_piChild, &ctx.g_dwChildExitCode);
        return;
    }
    // The program ended on an earlier tick. A tick that was already queued when the timer was
    // killed finds no program left and does nothing, so the handle is closed and Windows is
    // restarted at most once.
    if (ctx.g_piChild == 0) return;
    ctx.os.windowing.KillTimer(ctx.dialogWindow, kPollTimerId);
    ctx.os.processes.CloseProcess(ctx.g_piChild);
    ctx.g_piChild = 0;
    ctx.log.Write("the started program ended with exit code " +
                  std::to_string(ctx.g_dwChildExitCode));
    if (ctx.g_nRestartFlag == 1) {
        ctx.os.clock.Sleep(1000);
        ctx.log.Write("restarting Windows");
        ctx.os.system.ExitWindows(os::kEwxReboot);
    }
}

bool EnableShutdownPrivilege(RunContext& ctx, bool enable) {
    os::VersionRecord version;
    if (!ctx.os.system.GetVersion(os::kOsVersionInfoExSize, &version)) {
        version = os::VersionRecord{};
        if (!ctx.os.system.GetVersion(os::kOsVersionInfoSize, &version)) {
            ctx.log.Write("shutdown privilege: the Windows version cannot be read");
            ctx.os.windowing.MessageBox("Message", "Check OS type Error !", os::kMbOk);
            return false;
        }
    }
    // The privilege is handled on Windows 2000, XP and Server 2003 only.
    if (version.majorVersion != 5) return false;

    bool result = false;
    std::uint32_t error = 0;
    os::System::TokenHandle token = 0;
    bool tokenOpened = false;
    std::uint64_t luid = 0;
    if (!ctx.os.system.OpenProcessToken(os::kTokenAdjustPrivileges, &token)) {
        error = ctx.os.system.LastError();
    } else {
        tokenOpened = true;
        if (!ctx.os.system.LookupPrivilege("SeShutdownPrivilege", &luid)) {
            error = ctx.os.system.LastError();
        } else {
            const bool adjusted =
                ctx.os.system.AdjustPrivilege(token, luid, enable ? os::kSePrivilegeEnabled : 0u);
            error = ctx.os.system.LastError();
            // ERROR_NOT_ALL_ASSIGNED comes with a successful call: the privilege is not held.
            result = adjusted && error == 0;
        }
    }
    if (!result) {
        char message[64];
        std::snprintf(message, sizeof message, "The operation failed with error 0x%.8X.",
                      static_cast<unsigned>(error));
        ctx.log.Write(std::string(enable ? "enabling" : "disabling") +
                      " the shutdown privilege failed: " + message);
        ctx.os.windowing.MessageBox(message, "Error", os::kMbIconError);
    } else {
        ctx.log.Write(std::string("shutdown privilege ") + (enable ? "enabled" : "disabled"));
    }
    if (tokenOpened) ctx.os.system.CloseToken(token);
    return result;
}

bool WaitForProgram(RunContext& ctx, std::uintptr_t process, std::uint32_t boundMilliseconds) {
    if (process == 0) return false;
    // One wait on the process: it returns as soon as the program ends, at the latest after the
    // bound.
    return ctx.os.processes.Wait(process, boundMilliseconds) == os::kWaitObject0;
}
