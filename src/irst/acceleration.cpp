#include "irst/acceleration.h"

#include <stdexcept>

#include "app/launcher.h"
#include "app/run_context.h"
#include "common/refusal.h"
#include "common/text.h"
#include "irst/deploy.h"
#include "irst/release.h"
#include "irst/rstcli_command.h"

namespace {

// Rebuilt before each command from the current directory, which is the program's own.
std::string AccelerationToolPath(RunContext& ctx) {
    return text::JoinPath(ctx.os.files.CurrentDirectory(), "rstcli.exe");
}

void DeployAccelerationTool(RunContext& ctx) {
    const std::string toolPath = AccelerationToolPath(ctx);
    DeployRstcli(ctx, toolPath);
    ctx.os.files.SetAttributes(toolPath, os::kFileAttributeNormal);
}

void RunSteps(RunContext& ctx, const std::vector<RstcliStep>& steps) {
    for (const RstcliStep& step : steps) {
        const std::string toolPath = AccelerationToolPath(ctx);
        if (step.normalAttributesFirst) {
            ctx.os.files.SetAttributes(toolPath, os::kFileAttributeNormal);
        }
        irst::StartRstcli(ctx, toolPath, step.commandText, step.waitMilliseconds);
    }
}

// The physical disk that holds the drive of the Windows directory; empty when it cannot be found.
std::optional<std::uint32_t> WindowsDiskNumber(RunContext& ctx, std::string* why) {
    const std::string windowsDirectory = ctx.os.files.WindowsDirectory();
    const bool hasLetter = windowsDirectory.size() >= 2 && windowsDirectory[1] == ':' &&
                           ((windowsDirectory[0] >= 'A' && windowsDirectory[0] <= 'Z') ||
                            (windowsDirectory[0] >= 'a' && windowsDirectory[0] <= 'z'));
    if (!hasLetter) {
        *why = "the Windows directory \"" + windowsDirectory + "\" has no drive letter";
        return std::nullopt;
    }
    const std::string volume = std::string("\\\\.\\") + windowsDirectory.substr(0, 2);
    const os::DeviceHandle device =
        ctx.os.devices.OpenDevice(volume, 0, os::kFileShareRead | os::kFileShareWrite);
    if (device == 0) {
        *why = volume + " cannot be opened";
        return std::nullopt;
    }
    std::vector<std::uint8_t> answer(12, 0);
    std::uint32_t returned = 0;
    const bool answered =
        ctx.os.devices.IoControl(device, os::kIoctlStorageGetDeviceNumber, {}, &answer, &returned);
    ctx.os.devices.CloseDevice(device);
    const std::optional<std::uint32_t> number =
        answered ? DiskNumberOfDeviceAnswer(answer, returned) : std::nullopt;
    if (!number) *why = volume + " does not tell its disk number";
    return number;
}

}  // namespace

void AccelerateVolume(RunContext& ctx, int cachePort, const std::string& volumeName) {
    const std::vector<RstcliStep> steps = AccelerateVolumeSteps(cachePort, volumeName);
    DetectIrstRelease(ctx);
    DeployAccelerationTool(ctx);
    RunSteps(ctx, steps);
}

void WipeSsd(RunContext& ctx, int diskNumber) {
    if (diskNumber < 0) throw Refusal("the disk number to wipe is negative");
    std::string why;
    const std::optional<std::uint32_t> windowsDisk = WindowsDiskNumber(ctx, &why);
    if (!windowsDisk)
        throw Refusal("no wipe: the disk of the Windows drive is unknown (" + why + ")");
    if (*windowsDisk == static_cast<std::uint32_t>(diskNumber)) {
        throw Refusal("no wipe: disk " + std::to_string(diskNumber) +
                      " holds the Windows directory's drive");
    }

    const std::string directory = ctx.os.files.CurrentDirectory();
    const std::string script = text::JoinPath(directory, "clrssd.txt");
    const std::string batch = text::JoinPath(directory, "clr_ssd.bat");
    if (!ctx.os.files.WriteFile(script, WipeScript(diskNumber))) {
        throw std::runtime_error("no wipe: " + script + " cannot be written");
    }
    ctx.log.Write("wrote " + script + " to clean disk " + std::to_string(diskNumber));
    if (!ctx.os.files.WriteFile(batch, std::string(kWipeBatch))) {
        ctx.os.files.DeleteFile(script);
        throw std::runtime_error("no wipe: " + batch + " cannot be written");
    }
    ctx.log.Write("wrote " + batch);
    ctx.os.files.DeleteFile(text::JoinPath(directory, "c1.txt"));
    if (!LaunchHidden(ctx, text::QuoteIfBlank(batch))) {
        throw std::runtime_error("no wipe: " + batch + " could not be started");
    }
}

void AccelerateDisk(RunContext& ctx, int cachePort, int diskPort, int cacheForm, int diskForm) {
    DetectIrstRelease(ctx);
    const std::vector<RstcliStep> steps =
        AccelerateDiskSteps(ctx.IrstRelease, cachePort, diskPort, cacheForm, diskForm);
    DeployAccelerationTool(ctx);
    RunSteps(ctx, steps);
}

void WipeSsdThenAccelerateDisk(RunContext& ctx, bool diskNumberGiven, int diskNumber, int cachePort,
                               int diskPort, int cacheForm, int diskForm) {
    if (!diskNumberGiven) throw Refusal("no number of the SSD to wipe was given");
    // Every argument is checked before the SSD is wiped.
    AccelerateDiskSteps(ctx.IrstRelease, cachePort, diskPort, cacheForm, diskForm);
    WipeSsd(ctx, diskNumber);
    if (!WaitForProgram(ctx, ctx.g_piChild, kWipeWaitBound)) {
        // The cache must not be set up on an SSD that diskpart may still be cleaning.
        throw std::runtime_error("the wipe's diskpart has not ended within " +
                                 std::to_string(kWipeWaitBound / 1000) + " s; no cache is created");
    }
    std::uint32_t exitCode = 0;
    if (ctx.os.processes.ExitCode(ctx.g_piChild, &exitCode)) {
        ctx.log.Write("the wipe's diskpart ended with exit code " + std::to_string(exitCode));
    }
    AccelerateDisk(ctx, cachePort, diskPort, cacheForm, diskForm);
}

void DisableDiskAcceleration(RunContext& ctx, int diskPort, int diskForm) {
    const std::vector<RstcliStep> steps =
        DisableDiskAccelerationSteps(ctx.IrstRelease, diskPort, diskForm);
    DeployAccelerationTool(ctx);
    RunSteps(ctx, steps);
}

void DisableVolumeAcceleration(RunContext& ctx, const std::string& volumeName) {
    const std::vector<RstcliStep> steps = DisableVolumeAccelerationSteps(volumeName);
    DeployAccelerationTool(ctx);
    RunSteps(ctx, steps);
}
