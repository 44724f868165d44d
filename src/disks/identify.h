// Identification of the physical drives 0 to 49: the descriptor pass and the IDENTIFY pass.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disks/disk_tables.h"

struct RunContext;

// Fills DescriptorTable and DiskTable (DiskCount and SsdCount are expected to be 0 on entry).
void IdentifyDrives(RunContext& ctx);

namespace disks {

// The 256 words of an ATA IDENTIFY DEVICE block.
using IdentifyWords = std::array<std::uint16_t, 256>;

// Byte layouts of the device requests.
inline constexpr std::size_t kSendCmdInSize = 33;             // SENDCMDINPARAMS
inline constexpr std::size_t kIdentifyAnswerSize = 545;       // SENDCMDOUTPARAMS + 512 bytes
inline constexpr std::size_t kIdentifyDataOffset = 16;        // SENDCMDOUTPARAMS.bBuffer
inline constexpr std::size_t kIdentifyCommandRegOffset = 10;  // irDriveRegs.bCommandReg
inline constexpr std::uint8_t kAtaIdentifyDevice = 0xEC;
inline constexpr std::size_t kGetVersionSize = 24;        // GETVERSIONINPARAMS
inline constexpr std::size_t kPropertyQuerySize = 12;     // STORAGE_PROPERTY_QUERY
inline constexpr std::size_t kLargeAnswerSize = 10000;    // descriptor and geometry buffers
inline constexpr std::size_t kProductIdOffsetField = 16;  // STORAGE_DEVICE_DESCRIPTOR
inline constexpr std::size_t kSerialNumberOffsetField = 24;
inline constexpr std::size_t kDiskSizeOffset = 24;  // DISK_GEOMETRY_EX.DiskSize

// The SENDCMDINPARAMS block that asks drive driveNumber for its IDENTIFY DEVICE data.
std::vector<std::uint8_t> BuildIdentifyRequest(int driveNumber);

// The IDENTIFY words of an answer block (little-endian words from byte 16); bytes the answer
// does not hold read as 0.
IdentifyWords IdentifyWordsFromAnswer(const std::vector<std::uint8_t>& answer);

// The text of IDENTIFY words first to last inclusive, high byte first within each word. A byte of
// 128 or more ends the text; trailing whitespace is stripped back to the last NUL or to the first
// position, leading blanks stay.
std::string ExtractAtaString(const IdentifyWords& words, int first, int last);

// The text at a byte offset of a storage device descriptor, read as hexadecimal digits when that
// yields printable bytes, else as plain printable text, else empty; blanks around it are removed.
// The descriptor is the bytes the driver returned: an offset of 0, or at or past its end, gives "".
std::string DecodeDescriptorString(std::string_view descriptor, std::int64_t offset);

// Capacity in whole MiB (up to 1024 MiB) or whole GiB; none for 1,049,600 bytes or less.
std::optional<std::int64_t> CapacityNumber(std::int64_t bytes);
// CapacityNumber as decimal text, or empty text when there is no number.
std::string CapacityText(std::int64_t bytes);

// The disk record of drive driveNumber from its IDENTIFY words (the diskpart and scan fields stay
// at their empty values).
DiskRecord DiskRecordFromIdentify(const IdentifyWords& words, int driveNumber);

// Whether the descriptor pass keeps a drive, by processor vendor (1 Intel, 2 AMD, 0 other).
bool KeepDescriptor(int cpuVendor, bool lacksSerial);

// Little-endian reads that yield 0 for bytes past the end.
std::uint32_t ReadLe32(std::string_view bytes, std::size_t offset);
std::uint64_t ReadLe64(std::string_view bytes, std::size_t offset);

}  // namespace disks
