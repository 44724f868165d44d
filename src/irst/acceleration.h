// SSD acceleration (an SSD as the cache of a disk or a RAID volume), taking it down again, and the
// diskpart wipe of the SSD (operations 9, 10, 13 and 14).
//
// The rstcli command texts are built by the pure functions below; the routines at the end only
// deploy the tool in the program's directory, start each command hidden and wait for it to end,
// at most the time given with the command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct RunContext;

// One start of rstcli: the text after the tool path, the upper bound of the wait for that rstcli to
// end (0: no wait), and whether the tool is set to normal attributes again just before.
struct RstcliStep {
    std::string commandText;
    std::uint32_t waitMilliseconds = 0;
    bool normalAttributesFirst = false;
    bool operator==(const RstcliStep&) const = default;
};

// The cache that rstcli creates, and the command that gives it back as available space.
inline constexpr std::string_view kResetCacheCommand =
    " --accelerate --reset-to-available --cache-volume Cache_Volume";

// A volume name as one word of the command line: quoted when it holds a blank. Refused when it is
// empty or holds a double quote or a control character.
std::string VolumeNameArgument(std::string_view volumeName);

// The command texts. Fast-drive releases (152, 155, 157) place the port by its form (1, 2 or 3;
// anything else is refused); the other releases ignore the form.
std::string CreateCacheSsdCommand(int cachePort);
std::string CreateCacheCommand(int release, int cachePort, int cacheForm);
std::string AccelerateDiskCommand(int release, int diskPort, int diskForm);
std::string DiskOffCommand(int release, int diskPort, int diskForm);
std::string AccelerateVolumeCommand(std::string_view volumeName);
std::string VolumeOffCommand(std::string_view volumeName);

// The rstcli starts of each routine, in order.
std::vector<RstcliStep> AccelerateVolumeSteps(int cachePort, std::string_view volumeName);
std::vector<RstcliStep> AccelerateDiskSteps(int release, int cachePort, int diskPort, int cacheForm,
                                            int diskForm);
std::vector<RstcliStep> DisableDiskAccelerationSteps(int release, int diskPort, int diskForm);
std::vector<RstcliStep> DisableVolumeAccelerationSteps(std::string_view volumeName);

// The diskpart wipe: the script "clrssd.txt" and the batch "clr_ssd.bat" that runs it.
std::string WipeScript(int diskNumber);
inline constexpr std::string_view kWipeBatch = "diskpart /s clrssd.txt >c1.txt";
// How long operation 10 waits for the wipe's diskpart to end before it gives up on the cache.
inline constexpr std::uint32_t kWipeWaitBound = 60000;

// The disk number in a STORAGE_DEVICE_NUMBER answer (DeviceType, DeviceNumber, PartitionNumber,
// 12 bytes): empty when fewer bytes came back or the device is not a disk.
std::optional<std::uint32_t> DiskNumberOfDeviceAnswer(const std::vector<std::uint8_t>& answer,
                                                      std::uint32_t returned);

// Operation 13: the SSD at cachePort becomes the cache, the volume is accelerated.
void AccelerateVolume(RunContext& ctx, int cachePort, const std::string& volumeName);
// Operation 10, first step: writes the diskpart script and batch and starts the batch hidden.
// Refuses (before writing anything) the disk that holds the Windows directory's drive, and any disk
// when that drive's disk cannot be determined. Raises std::runtime_error when a file cannot be
// written or the batch cannot be started: nothing is wiped then.
void WipeSsd(RunContext& ctx, int diskNumber);
// Operation 10, second step: the SSD at cachePort becomes the cache, the disk is accelerated.
void AccelerateDisk(RunContext& ctx, int cachePort, int diskPort, int cacheForm, int diskForm);
// Operation 10 as a whole: only with the number of the SSD to wipe; every argument is checked
// before the wipe; the cache is created only once the wipe's diskpart has ended (std::runtime_error
// when it has not ended within kWipeWaitBound).
void WipeSsdThenAccelerateDisk(RunContext& ctx, bool diskNumberGiven, int diskNumber, int cachePort,
                               int diskPort, int cacheForm, int diskForm);
// Operation 9: acceleration of a disk off, the cache given back.
void DisableDiskAcceleration(RunContext& ctx, int diskPort, int diskForm);
// Operation 14: acceleration of a volume off, the cache given back.
void DisableVolumeAcceleration(RunContext& ctx, const std::string& volumeName);
