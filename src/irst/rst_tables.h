// What IRST knows: the installed release and the tables parsed from the rstcli report.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace irst {

inline constexpr std::size_t kSystemDiskWidth = 10;
inline constexpr std::size_t kRstSerialWidth = 256;
inline constexpr std::size_t kRstModelWidth = 128;
inline constexpr std::size_t kRstSizeWidth = 128;
inline constexpr std::size_t kArrayMemberWidth = 10;
inline constexpr std::size_t kPortWidth = 4;
inline constexpr std::size_t kDiskTypeWidth = 51;
inline constexpr std::size_t kDriveLettersWidth = 26;
inline constexpr std::size_t kBusSpeedWidth = 20;
inline constexpr std::size_t kIdWidth = 20;
inline constexpr std::size_t kVolumeNameWidth = 128;
inline constexpr std::size_t kVolumeSizeWidth = 128;
inline constexpr std::size_t kMigrationWidth = 4;

inline constexpr int kMaxRstDisks = 50;
inline constexpr int kMaxRstVolumes = 10;

struct RstDiskRecord {
    std::int32_t index = -1;
    std::string systemDiskText;
    std::string serial;
    std::string model;
    std::string sizeText;
    std::string freeSizeText;
    std::string arrayMemberText;
    std::string portText = "-1";
    std::int32_t wholeDiskFree = 0;
    std::string diskType;
    std::string driveLettersText;
    std::string busSpeed = "GENX";
    std::int32_t portForm = 0;
    std::string idText;
};

struct RstVolumeRecord {
    std::string name;
    std::string sizeText;
};

struct RstState {
    std::array<RstDiskRecord, kMaxRstDisks> RstDiskTable{};
    std::int32_t RstDiskCount = 0;
    std::array<RstVolumeRecord, kMaxRstVolumes> RstVolumeTable{};
    std::int32_t RstVolumeCount = 0;
    std::int32_t AccelerationPresent = 0;
    std::string MigrationText = "no";
};

// Release families.
inline bool IsFullIdRelease(int release) { return release == 155 || release == 157; }
inline bool IsFastDriveRelease(int release) {
    return release == 152 || release == 155 || release == 157;
}

}  // namespace irst
