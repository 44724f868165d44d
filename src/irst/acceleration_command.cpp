#include "common/refusal.h"
#include "irst/acceleration.h"
#include "irst/rst_tables.h"
#include "irst/rstcli_command.h"
#include "os/winconst.h"

namespace {

// The rstcli disk id with the port in the first place: 0-port-0-0.
std::string FirstPlaceId(int port) {
    return "0-" + std::to_string(port) + "-0-0";
}

// The rstcli disk id with the port in the place its form names (1: 0-p-0-0, 2: 0-0-p-0,
// 3: 0-0-0-p). Any other form names no place and is refused.
std::string FormPlaceId(int port, int form, const char* which) {
    const std::string p = std::to_string(port);
    switch (form) {
        case 1:
            return "0-" + p + "-0-0";
        case 2:
            return "0-0-" + p + "-0";
        case 3:
            return "0-0-0-" + p;
        default:
            throw Refusal(std::string("the ") + which + " port form " + std::to_string(form) +
                          " is not 1, 2 or 3");
    }
}

std::string SetAccelConfig(const std::string& target, std::string_view mode) {
    return " --accelerate --setAccelConfig " + target + " --mode " + std::string(mode);
}

std::string DiskTarget(int release, int diskPort, int diskForm) {
    return irst::IsFastDriveRelease(release)
               ? "--drive-to-accel " + FormPlaceId(diskPort, diskForm, "disk's")
               : "--disk-to-accel " + FirstPlaceId(diskPort);
}

std::uint32_t ReadLittleEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

}  // namespace

std::string VolumeNameArgument(std::string_view volumeName) {
    if (volumeName.empty()) throw Refusal("the volume name is empty");
    irst::RequireCommandSafe(volumeName, "the volume name");
    if (volumeName.find(' ') == std::string_view::npos) return std::string(volumeName);
    // Inside quotes, backslashes right before the closing quote are doubled so that the quote
    // still closes the word.
    std::size_t trailing = 0;
    while (trailing < volumeName.size() && volumeName[volumeName.size() - 1 - trailing] == '\\') {
        ++trailing;
    }
    return "\"" + std::string(volumeName) + std::string(trailing, '\\') + "\"";
}

std::string CreateCacheSsdCommand(int cachePort) {
    return " --accelerate --createCache --SSD " + FirstPlaceId(cachePort) + " --cache-size 20";
}

std::string CreateCacheCommand(int release, int cachePort, int cacheForm) {
    if (!irst::IsFastDriveRelease(release)) return CreateCacheSsdCommand(cachePort);
    return " --accelerate --createCache --fast-drive " +
           FormPlaceId(cachePort, cacheForm, "cache SSD's") + " --cache-size 20";
}

std::string AccelerateDiskCommand(int release, int diskPort, int diskForm) {
    return SetAccelConfig(DiskTarget(release, diskPort, diskForm), "enhanced");
}

std::string DiskOffCommand(int release, int diskPort, int diskForm) {
    return SetAccelConfig(DiskTarget(release, diskPort, diskForm), "off");
}

std::string AccelerateVolumeCommand(std::string_view volumeName) {
    return SetAccelConfig("--volume-to-accel " + VolumeNameArgument(volumeName), "enhanced");
}

std::string VolumeOffCommand(std::string_view volumeName) {
    return SetAccelConfig("--volume-to-accel " + VolumeNameArgument(volumeName), "off");
}

std::vector<RstcliStep> AccelerateVolumeSteps(int cachePort, std::string_view volumeName) {
    const std::string accelerate = AccelerateVolumeCommand(volumeName);
    return {{CreateCacheSsdCommand(cachePort), 7000},
            {accelerate, 7000},
            {accelerate, 7000},
            {accelerate, 2000}};
}

std::vector<RstcliStep> AccelerateDiskSteps(int release, int cachePort, int diskPort, int cacheForm,
                                            int diskForm) {
    const std::string accelerate = AccelerateDiskCommand(release, diskPort, diskForm);
    return {{CreateCacheCommand(release, cachePort, cacheForm), 7000},
            {accelerate, 7000},
            {accelerate, 7000},
            {accelerate, 2000}};
}

std::vector<RstcliStep> DisableDiskAccelerationSteps(int release, int diskPort, int diskForm) {
    return {{DiskOffCommand(release, diskPort, diskForm), 1000},
            {std::string(kResetCacheCommand), 0, true}};
}

std::vector<RstcliStep> DisableVolumeAccelerationSteps(std::string_view volumeName) {
    const std::string off = VolumeOffCommand(volumeName);
    const std::string reset(kResetCacheCommand);
    return {{off, 1000},          {off, 1000},   {off, 1000}, {reset, 1000, true},
            {reset, 1000, false}, {reset, 1000}, {reset, 0}};
}

std::string WipeScript(int diskNumber) {
    return "sel disk " + std::to_string(diskNumber) + "\r\nclean\r\n";
}

std::optional<std::uint32_t> DiskNumberOfDeviceAnswer(const std::vector<std::uint8_t>& answer,
                                                      std::uint32_t returned) {
    if (returned < 12 || answer.size() < 12) return std::nullopt;
    if (ReadLittleEndian32(answer, 0) != os::kFileDeviceDisk) return std::nullopt;
    return ReadLittleEndian32(answer, 4);
}
