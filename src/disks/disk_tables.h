// The disk inventory's records and tables: the physical drives that answered IDENTIFY DEVICE,
// the drives kept by the descriptor pass, the drive letters and the diskpart listing.
// Text fields are std::string cut to the field's width (text::CopyToField).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace disks {

// Field widths in bytes, terminating NUL included.
inline constexpr std::size_t kSerialWidth = 256;
inline constexpr std::size_t kModelWidth = 128;
inline constexpr std::size_t kSizeBytesWidth = 130;
inline constexpr std::size_t kCapacityWidth = 50;
inline constexpr std::size_t kSsdWidth = 10;
inline constexpr std::size_t kBusIdWidth = 6;
inline constexpr std::size_t kFreeWidth = 56;
inline constexpr std::size_t kProductIdWidth = 128;

inline constexpr int kMaxDisks = 50;

struct DiskRecord {
    std::int32_t driveNumber = 0;
    std::string serial;         // IDENTIFY words 10-19
    std::string model;          // IDENTIFY words 27-46
    std::string sizeBytesText;  // capacity in bytes, decimal
    std::string capacityText;   // CapacityNumber, decimal
    std::string ssdText;        // "1" non-rotating, else "0"
    std::string busIdText;      // never filled: stays empty
    std::int32_t emptyFlag = 0;
    std::int32_t osDiskFlag = 0;
    std::int32_t windowsFlag = 0;
    std::string freeText;
};

struct DescriptorRecord {
    std::string productId;
    std::int32_t blankFlag = 0;
    std::string capacityText;
};

struct DriveLetterEntry {
    std::string letter;  // one upper-case letter
    std::int32_t diskNumber = -1;
    std::int32_t deviceType = -1;
};

inline constexpr std::size_t kListNumberWidth = 50;
inline constexpr std::size_t kListSizeUnitWidth = 10;
inline constexpr std::size_t kListFreeUnitWidth = 11;
inline constexpr int kPartitionTableSize = 16;

struct PartitionStyleRecord {
    std::uint8_t style = 0;  // 0 not listed, 1 MBR, 2 GPT
    std::string listSizeText;
    std::string listSizeUnit;
    std::string listFreeText;
    std::string listFreeUnit;
};

// Everything the disk inventory keeps for the run.
struct DiskState {
    std::array<DiskRecord, kMaxDisks> DiskTable{};
    std::int32_t DiskCount = 0;
    std::int32_t SsdCount = 0;

    std::array<DescriptorRecord, kMaxDisks> DescriptorTable{};
    std::int32_t DescriptorCount = 0;

    std::array<DriveLetterEntry, 26> DriveLetterTable{};
    std::int32_t DriveLetterCount = 0;
    std::int32_t SystemDiskNumber = 0;
    std::int32_t SystemDiskGpt = 0;

    std::array<PartitionStyleRecord, kPartitionTableSize> PartitionStyleTable{};
    std::int32_t PartitionDriveCount = 0;
    std::string ListingText;  // the last loaded "o3.txt"
};

}  // namespace disks
