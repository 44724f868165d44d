// Thousands of damaged reports through the parser: under the sanitizers any read past the text or
// a field written past its width shows up as a fault; the invariants below catch the rest.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "irst/rstcli_report.h"
#include "support/test_data.h"

namespace {

const char* const kFragments[] = {
    "ID:",
    "ID:                0-0-",
    "Type:              Di",
    "Disk Type:         PC",
    "\r\n",
    "Size:              ",
    "Free Size:         ",
    "0-0-0-",
    " ",
    "--END DEVICE INFORMATION--",
    "Model:             ",
    "Serial Number:     ",
    "\0",
    "Name:        SATA_Array_0000",
    "Size:             9",
    "Name:              VolumeWithData",
};

std::string Mutate(std::string text, std::mt19937& random) {
    auto pick = [&](std::size_t bound) {
        return bound == 0 ? std::size_t{0}
                          : std::uniform_int_distribution<std::size_t>(0, bound - 1)(random);
    };
    const int steps = 1 + static_cast<int>(pick(4));
    for (int step = 0; step < steps; ++step) {
        const std::size_t at = pick(text.size() + 1);
        switch (pick(6)) {
            case 0:  // flip a byte to any value
                if (!text.empty()) text[pick(text.size())] = static_cast<char>(pick(256));
                break;
            case 1:  // delete a run
                text.erase(at, pick(64));
                break;
            case 2: {  // insert a key or marker fragment
                const std::string fragment(kFragments[pick(std::size(kFragments))]);
                text.insert(at, fragment.empty() ? std::string(1, '\0') : fragment);
                break;
            }
            case 3:  // cut the report
                text.resize(at);
                break;
            case 4: {  // repeat a run elsewhere
                const std::string run = text.substr(pick(text.size() + 1), pick(200));
                text.insert(pick(text.size() + 1), run);
                break;
            }
            default:  // drop a line ending
                if (const std::size_t cr = text.find('\r', at); cr != std::string::npos)
                    text.erase(cr, 2);
                break;
        }
    }
    return text;
}

void ExpectWellFormed(const irst::RstState& rst) {
    ASSERT_GE(rst.RstDiskCount, 0);
    ASSERT_LE(rst.RstDiskCount, irst::kMaxRstDisks);
    ASSERT_GE(rst.RstVolumeCount, 0);
    ASSERT_LE(rst.RstVolumeCount, 1);
    ASSERT_TRUE(rst.MigrationText == "yes" || rst.MigrationText == "no");
    for (int i = 0; i < irst::kMaxRstDisks; ++i) {
        const irst::RstDiskRecord& r = rst.RstDiskTable[i];
        ASSERT_EQ(r.index, i < rst.RstDiskCount ? i : -1);
        ASSERT_LT(r.systemDiskText.size(), irst::kSystemDiskWidth);
        ASSERT_LT(r.serial.size(), irst::kRstSerialWidth);
        ASSERT_LT(r.model.size(), irst::kRstModelWidth);
        ASSERT_LT(r.sizeText.size(), irst::kRstSizeWidth);
        ASSERT_LT(r.freeSizeText.size(), irst::kRstSizeWidth);
        ASSERT_LT(r.arrayMemberText.size(), irst::kArrayMemberWidth);
        ASSERT_LT(r.portText.size(), irst::kPortWidth);
        ASSERT_LT(r.diskType.size(), irst::kDiskTypeWidth);
        ASSERT_LT(r.busSpeed.size(), irst::kBusSpeedWidth);
        ASSERT_LT(r.idText.size(), irst::kIdWidth);
        ASSERT_GE(r.portForm, 0);
        ASSERT_LE(r.portForm, 3);
        for (char c : r.model) ASSERT_TRUE(c >= 0x20 && c <= 0x7E);
    }
    for (const irst::RstVolumeRecord& v : rst.RstVolumeTable) {
        ASSERT_LT(v.name.size(), irst::kVolumeNameWidth);
        ASSERT_LT(v.sizeText.size(), irst::kVolumeSizeWidth);
    }
}

TEST(RstcliReportFuzz, DamagedReportsNeverFault) {
    const std::vector<std::pair<std::string, int>> seeds = {
        {"raid1_data_14_8.txt", 148},   {"volume_with_data_14_6.txt", 146},
        {"acceleration_14_8.txt", 148}, {"optical_between_disks_14_5.txt", 145},
        {"pcie_ssd_15_2.txt", 152},     {"full_id_15_7.txt", 157},
        {"small_units_14_8.txt", 148},  {"migration_13_6.txt", 136},
    };
    std::mt19937 random(20261211);
    for (const auto& [file, release] : seeds) {
        const std::string original = test_data::ReadRstcliReport(file);
        for (int round = 0; round < 1500; ++round) {
            const std::string text = Mutate(original, random);
            irst::RstState rst;
            disks::DiskState disks;
            disks.DiskCount = 2;
            disks.DiskTable[0].serial = "wd-wcc4n1aaaaaa";
            ASSERT_NO_FATAL_FAILURE({
                irst::ParseReportText(text, release, rst, disks);
                ExpectWellFormed(rst);
            }) << file
               << " round " << round;
        }
    }
}

}  // namespace
