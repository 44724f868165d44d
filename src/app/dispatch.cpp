#include "app/dispatch.h"

#include <string>

#include "app/launcher.h"
#include "app/run_context.h"
#include "config/driver_start.h"
#include "config/follow_up.h"
#include "config/irst_setup.h"
#include "irst/acceleration.h"
#include "irst/raid.h"
#include "irst/release.h"
#include "outside/port_io.h"
#include "platform/pch_mode.h"
#include "report/disk_mode_report.h"

void SetProgramDirectory(RunContext& ctx) {
    // The program's full path, cut after its last backslash, which the directory keeps. The path
    // is taken whole: a path cut to a fixed buffer would name another folder.
    const std::string module = ctx.os.files.ModuleFileName();
    const std::size_t slash = module.rfind('\\');
    ctx.g_strAppDir = slash == std::string::npos ? std::string() : module.substr(0, slash + 1);
    ctx.os.files.SetCurrentDirectory(ctx.g_strAppDir);
    ctx.log.SetDirectory(ctx.g_strAppDir);
}

namespace {

void LogMissingEntryPoints(RunContext& ctx) {
    const outside::PortIoEntryPoints& p = ctx.portIo;
    std::string missing;
    const std::pair<const char*, bool> entries[] = {
        {"mv_outp", p.mv_outp != nullptr},   {"mv_outpw", p.mv_outpw != nullptr},
        {"mv_outpd", p.mv_outpd != nullptr}, {"mv_inp", p.mv_inp != nullptr},
        {"mv_inpw", p.mv_inpw != nullptr},   {"mv_inpd", p.mv_inpd != nullptr},
    };
    for (const auto& [name, present] : entries) {
        if (!present) missing += std::string(missing.empty() ? "" : ", ") + name;
    }
    if (!missing.empty()) ctx.log.Write("qvx.dll lacks " + missing + "; they are never called");
}

}  // namespace

int RunOperation(RunContext& ctx, const OperationRequest& request) {
    ctx.os.windowing.InitCommonControls();
    SetProgramDirectory(ctx);

    ctx.portIoLibrary = outside::LoadPortIo(ctx.os.libraries, &ctx.portIo);
    if (ctx.portIoLibrary == 0) {
        ctx.log.Write("the port-I/O library qvx.dll cannot be loaded; no operation runs");
        return 0;
    }
    LogMissingEntryPoints(ctx);

    const bool recognised = DetectIrstRelease(ctx);
    ctx.log.Write("IRST release code " + std::to_string(ctx.IrstRelease) +
                  (recognised ? "" : " (no recognised release)"));
    ctx.g_nRestartFlag = 0;

    // ---- The operation switch: one case per operation. ----
    switch (request.operation) {
        // The scan: the old tool report is removed first (waited for only until it is gone),
        // then the report is written.
        case 0:
            DeleteFileAndWait(ctx, ctx.os.files.WindowsDirectory() + "\\Kcli.txt", 1000);
            EnableShutdownPrivilege(ctx, true);
            WriteDiskModeReport(ctx);
            break;
        // Controller mode: the firmware's PCH SATA mode first, then the storage drivers that
        // Windows needs to boot in that mode.
        case 1:
            platform::SwitchPchMode(ctx, platform::PchModeRequest::Ide);
            ConfigureDriversIde(ctx);
            break;
        case 2:
            platform::SwitchPchMode(ctx, platform::PchModeRequest::Ahci);
            ConfigureDriversAhci(ctx);
            break;
        case 3:
            platform::SwitchPchMode(ctx, platform::PchModeRequest::Raid);
            ConfigureDriversRaid(ctx);
            break;
        // IRST software: removal and installation.
        case 5:
            RemoveIrst(ctx);
            break;
        case 6:
            InstallIrst(ctx);
            break;
        case 7:
            RegisterFollowUp(ctx);
            break;
        case 8:
            UnregisterFollowUp(ctx);
            break;
        // Acceleration: an SSD as the cache of a disk or a volume, and taking it down again.
        case 9:
            DisableDiskAcceleration(ctx, request.nParam1, request.nParam2);
            break;
        case 10:
            // The SSD is wiped first; the cache is set up once the wipe has ended.
            WipeSsdThenAccelerateDisk(ctx, request.param5Given, request.nParam3, request.nParam1,
                                      request.nParam2, request.nParam4, request.nParam5);
            break;
        case 13:
            AccelerateVolume(ctx, request.nParam1, request.pszText);
            break;
        case 14:
            DisableVolumeAcceleration(ctx, request.pszText);
            break;
        // RAID volumes: 11 and 15 RAID 0, 12 RAID 1.
        case 11:
        case 15:
            CreateRaidVolume(ctx, 0, request.pszText);
            break;
        case 12:
            CreateRaidVolume(ctx, 1, request.pszText);
            break;
        default:
            ctx.log.Write("operation " + std::to_string(request.operation) +
                          " is not available in this build; nothing runs");
            break;
    }
    // ---- End of the operation switch. ----
    return 1;
}

void RunRequest(RunContext& ctx, const OperationRequest& request) {
    const bool bracketed = request.operation == 14;
    if (bracketed) EnableShutdownPrivilege(ctx, true);
    RunOperation(ctx, request);
    if (bracketed) EnableShutdownPrivilege(ctx, false);
}
