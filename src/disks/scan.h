// The disk inventory scan of operation 0.
#pragma once

#include <cstdint>

struct RunContext;

// Identifies the drives, maps drive letters, marks the Windows disk, runs the IRST report and the
// diskpart listing, and decides SystemDiskGpt.
void ScanDisks(RunContext& ctx);

// Fills DriveLetterTable and DriveLetterCount: the entry A first (never queried), then every
// other present letter in alphabetical order with its physical disk number.
void MapDriveLetters(RunContext& ctx);

// The physical disk of a drive letter. True when the volume answers as a partition of a disk
// (device type 7, partition number not 0); then *deviceType is 7 and *diskNumber the disk's
// number. Otherwise both are -1. The letters A and B are never queried.
bool QueryDeviceNumber(RunContext& ctx, char letter, std::int32_t* deviceType,
                       std::int32_t* diskNumber);
