#include "disks/scan.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/launcher.h"
#include "app/run_context.h"
#include "common/text.h"
#include "disks/diskpart_listing.h"
#include "disks/identify.h"
#include "irst/deploy.h"

namespace {

constexpr std::uint8_t kStyleGpt = 2;

std::int32_t ReadInt32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint8_t byte = offset + i < bytes.size() ? bytes[offset + i] : 0;
        value |= static_cast<std::uint32_t>(byte) << (8 * i);
    }
    return static_cast<std::int32_t>(value);
}

// Every identified disk with the given drive number gets the flag; true when one did.
bool MarkDisks(disks::DiskState& state, std::int32_t diskNumber,
               std::int32_t disks::DiskRecord::*flag) {
    bool marked = false;
    const int count = std::clamp(state.DiskCount, 0, disks::kMaxDisks);
    for (int i = 0; i < count; ++i) {
        disks::DiskRecord& disk = state.DiskTable[i];
        if (disk.driveNumber == diskNumber) {
            disk.*flag = 1;
            marked = true;
        }
    }
    return marked;
}

bool Exists(RunContext& ctx, const std::string& path) {
    return ctx.os.files.GetAttributes(path) != os::kInvalidFileAttributes;
}

}  // namespace

bool QueryDeviceNumber(RunContext& ctx, char letter, std::int32_t* deviceType,
                       std::int32_t* diskNumber) {
    *deviceType = -1;
    *diskNumber = -1;
    if (letter == 'a' || letter == 'A' || letter == 'b' || letter == 'B') return false;

    const std::string path = std::string("\\\\.\\") + letter + ":";
    const os::DeviceHandle volume =
        ctx.os.devices.OpenDevice(path, os::kGenericRead, os::kFileShareRead | os::kFileShareWrite);
    if (volume == 0) return false;
    // STORAGE_DEVICE_NUMBER: DeviceType, DeviceNumber, PartitionNumber. A request that fails
    // leaves the zeros, which the test below refuses.
    std::vector<std::uint8_t> answer(12, 0);
    std::uint32_t returned = 0;
    ctx.os.devices.IoControl(volume, os::kIoctlStorageGetDeviceNumber, {}, &answer, &returned);
    ctx.os.devices.CloseDevice(volume);

    const std::int32_t type = ReadInt32(answer, 0);
    const std::int32_t number = ReadInt32(answer, 4);
    const std::int32_t partition = ReadInt32(answer, 8);
    if (type != static_cast<std::int32_t>(os::kFileDeviceDisk) || partition == 0) return false;
    *deviceType = type;
    *diskNumber = number;
    return true;
}

void MapDriveLetters(RunContext& ctx) {
    disks::DiskState& state = ctx.disks;
    const std::uint32_t present = ctx.os.devices.LogicalDrives();
    state.DriveLetterTable[0] = disks::DriveLetterEntry{"A", -1, -1};
    state.DriveLetterCount = 1;
    std::string summary = "A";
    for (int bit = 1; bit < 26; ++bit) {
        if ((present & (1u << bit)) == 0) continue;
        disks::DriveLetterEntry& entry = state.DriveLetterTable[state.DriveLetterCount++];
        const char letter = static_cast<char>('A' + bit);
        entry.letter = std::string(1, letter);
        QueryDeviceNumber(ctx, letter, &entry.deviceType, &entry.diskNumber);
        summary += " " + entry.letter + "=" + std::to_string(entry.diskNumber);
    }
    ctx.log.Write("drive letters (letter=disk): " + summary);
}

void ScanDisks(RunContext& ctx) {
    disks::DiskState& state = ctx.disks;
    EnableShutdownPrivilege(ctx, true);

    state.DiskCount = 0;
    state.SsdCount = 0;
    IdentifyDrives(ctx);
    MapDriveLetters(ctx);

    // The disk of the running Windows, and every disk that holds a Windows installation.
    std::string windows = ctx.os.files.WindowsDirectory();
    if (windows.size() > 254) windows.resize(254);
    const char windowsLetter = windows.empty() ? '\0' : windows[0];
    for (int i = 0; i < state.DriveLetterCount; ++i) {
        const disks::DriveLetterEntry& entry = state.DriveLetterTable[i];
        if (entry.letter.empty()) continue;
        if (entry.letter[0] == windowsLetter && entry.diskNumber >= 0 &&
            entry.diskNumber < state.DiskCount &&
            MarkDisks(state, entry.diskNumber, &disks::DiskRecord::osDiskFlag)) {
            state.SystemDiskNumber = entry.diskNumber;
            ctx.log.Write("Windows runs from disk " + std::to_string(entry.diskNumber) +
                          " (drive " + entry.letter + ")");
        }
        // A letter that is on no disk can mark nothing; its folders are not looked at, so that
        // empty removable drives are never touched.
        if (entry.diskNumber < 0) continue;
        if (Exists(ctx, entry.letter + ":\\windows") &&
            Exists(ctx, entry.letter + ":\\Program files") &&
            MarkDisks(state, entry.diskNumber, &disks::DiskRecord::windowsFlag)) {
            ctx.log.Write("a Windows installation on drive " + entry.letter + " of disk " +
                          std::to_string(entry.diskNumber));
        }
    }

    RunRstcliInformation(ctx);

    ctx.os.files.SetCurrentDirectory(ctx.g_strAppDir);
    ReadPartitionStyles(ctx);

    const int listed = std::clamp(state.PartitionDriveCount, 0, disks::kPartitionTableSize);
    for (int i = 0; i < listed; ++i) {
        if (state.PartitionStyleTable[i].style == kStyleGpt && i == state.SystemDiskNumber) {
            state.SystemDiskGpt = 1;
            ctx.log.Write("the system disk " + std::to_string(i) + " is a GPT disk");
        }
    }
    EnableShutdownPrivilege(ctx, false);
}
