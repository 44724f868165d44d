#include "irst/rstcli_report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_data.h"

namespace {

struct ExpectedDisk {
    std::string port;
    int form;
    std::string id;
    std::string size;
    std::string freeSize;
    int wholeDiskFree;
    std::string systemDisk;
    std::string arrayMember;
    std::string serial;
    std::string model;
    std::string diskType;
    std::string busSpeed;
};

struct ReportCase {
    std::string file;
    int release;
    std::vector<ExpectedDisk> disks;
    int volumeCount;
    std::string volumeName;  // name and size of the first volume record, reported or not
    std::string volumeSize;
    int acceleration;
    std::string migration;
    bool cutShort;
};

void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.file;
}

const std::string k931 = "999653638144";
const std::string k1863 = "2000381018112";

const ReportCase kReports[] = {
    {"lone_system_disk_14_8.txt",
     148,
     {{"0", 3, "", "255550554112", "0", 0, "yes", "no", "S3Z9NB0K123456A",
       "SAMSUNG SSD 860 EVO 250GB", "SATA SSD", "GENX"}},
     0,
     "",
     "",
     0,
     "no",
     false},
    // The array holds the running system: the volume is not reported.
    {"raid1_system_14_8.txt",
     148,
     {{"0", 3, "", k931, "0", 0, "yes", "yes", "WD-WCC4N1AAAAAA", "WDC WD10EZEX-08WN4A0",
       "SATA disk", "GENX"},
      {"1", 1, "", k931, "0", 0, "yes", "yes", "WD-WCC4N1BBBBBB", "WDC WD10EZEX-08WN4A0",
       "SATA disk", "GENX"}},
     0,
     "Volume_0000",
     "",
     0,
     "no",
     false},
    // A data array: reported with the size that follows the array's name.
    {"raid1_data_14_8.txt",
     148,
     {{"0", 3, "", "499289948160", "0", 0, "no", "no", "S3Z9NB0K654321B",
       "SAMSUNG SSD 860 EVO 500GB", "SATA SSD", "GENX"},
      {"2", 1, "", k931, "0", 0, "no", "yes", "Z1D2XY01", "ST1000DM003-1ER162", "SATA disk",
       "GENX"},
      {"3", 2, "", k931, "0", 0, "no", "yes", "Z1D2XY02", "ST1000DM003-1ER162", "SATA disk",
       "GENX"}},
     1,
     "Volume_0000",
     k931,
     0,
     "no",
     false},
    // The volume this program creates is reported even beside a system disk.
    {"volume_with_data_14_6.txt",
     146,
     {{"0", 3, "", "119185342464", "0", 0, "yes", "no", "CVCV3210987A120BGN", "INTEL SSDSC2CW120A3",
       "SATA SSD", "GENX"},
      {"2", 1, "", k931, "0", 0, "no", "yes", "WD-WMC1S0000001", "WDC WD10EZRX-00L4HB0",
       "SATA disk", "GENX"},
      {"3", 1, "", k931, "0", 0, "no", "yes", "WD-WMC1S0000002", "WDC WD10EZRX-00L4HB0",
       "SATA disk", "GENX"}},
     1,
     "VolumeWithData",
     k1863,
     0,
     "no",
     false},
    {"acceleration_14_8.txt",
     148,
     {{"0", 3, "", k1863, k1863, 1, "yes", "no", "WD-WCC4M7XXXXXX", "WDC WD20EZRZ-00Z5HB0",
       "SATA disk", "GENX"},
      {"1", 1, "", "59055800320", "0", 0, "no", "yes", "CVMP12345678060AGN", "INTEL SSDMAEMC060G2",
       "SATA SSD", "GENX"}},
     0,
     "Cache_Volume",
     "",
     1,
     "no",
     false},
    {"migration_13_6.txt",
     136,
     {{"0", 3, "", k931, "0", 0, "yes", "yes", "W1E1AAAA", "ST1000DM003-9YN162", "SATA disk",
       "GENX"},
      {"1", 1, "", k931, "0", 0, "yes", "yes", "W1E1BBBB", "ST1000DM003-9YN162", "SATA disk",
       "GENX"}},
     0,
     "Volume_0000",
     "",
     0,
     "yes",
     false},
    // The optical drive's block takes no record.
    {"optical_between_disks_14_5.txt",
     145,
     {{"0", 3, "", k931, k931, 1, "no", "no", "WD-WCAV5EEEEEEE", "WDC WD10EARS-00Y5B1", "SATA disk",
       "GENX"},
      {"2", 2, "", "239444426752", "0", 0, "yes", "no", "1744191F2ABC", "CRUCIAL_CT240M500SSD1",
       "SATA SSD", "GENX"}},
     0,
     "",
     "",
     0,
     "no",
     false},
    {"pcie_ssd_15_2.txt",
     152,
     {{"0", 3, "", "511101108224", "0", 0, "yes", "no", "S4EWNX0N123456",
       "SAMSUNG SSD 970 EVO PLUS 500GB", "PCIe SSD", "GEN3 x4"},
      {"1", 1, "", k1863, k1863, 1, "no", "no", "ZFN1CCCC", "ST2000DM008-2FR102", "SATA disk",
       "GENX"}},
     0,
     "",
     "",
     0,
     "no",
     false},
    // Full-id releases keep the whole identifier and no port.
    {"full_id_15_7.txt",
     157,
     {{"-1", 0, "0-1-0-0", "255550554112", "0", 0, "yes", "no", "S3YJNB0K777777",
       "SAMSUNG SSD 860 PRO 256GB", "SATA SSD", "GENX"},
      {"-1", 0, "1-0-2-0", "1023275958272", "1023275958272", 1, "no", "no", "PHLJ9999999999991P0B",
       "INTEL SSDPEKNW010T8", "PCIe SSD", "GEN3 x2"}},
     0,
     "",
     "",
     0,
     "no",
     false},
    // Units other than G, M and T keep the number as printed; the model loses its tab and the
    // byte above 7Eh.
    {"small_units_14_8.txt",
     148,
     {{"0", 3, "", k931, "0", 0, "yes", "no", "WD-WCC6Y1FFFFFF", "WDC WD10EZEX-60WN4A0",
       "SATA disk", "GENX"},
      {"1", 3, "", "465.76", "465.76", 1, "no", "no", "VIRT0001", "VIRTUALDISK  DRIVE", "SATA disk",
       "GENX"}},
     0,
     "",
     "",
     0,
     "no",
     false},
    // Cut in the size line of the third disk: the two disks before it stay.
    {"cut_in_block_14_8.txt",
     148,
     {{"0", 3, "", "499289948160", "0", 0, "no", "no", "S3Z9NB0K654321B",
       "SAMSUNG SSD 860 EVO 500GB", "SATA SSD", "GENX"},
      {"2", 1, "", k931, "0", 0, "no", "yes", "Z1D2XY01", "ST1000DM003-1ER162", "SATA disk",
       "GENX"}},
     1,
     "Volume_0000",
     k931,
     0,
     "no",
     true},
};

class RstcliReportFiles : public ::testing::TestWithParam<ReportCase> {};

TEST_P(RstcliReportFiles, ParsesDisksVolumeAndFlags) {
    const ReportCase& c = GetParam();
    irst::RstState rst;
    disks::DiskState disks;
    const irst::ReportParseResult result =
        irst::ParseReportText(test_data::ReadRstcliReport(c.file), c.release, rst, disks);

    ASSERT_EQ(rst.RstDiskCount, static_cast<int>(c.disks.size()));
    for (std::size_t i = 0; i < c.disks.size(); ++i) {
        SCOPED_TRACE("disk " + std::to_string(i));
        const irst::RstDiskRecord& r = rst.RstDiskTable[i];
        const ExpectedDisk& e = c.disks[i];
        EXPECT_EQ(r.index, static_cast<int>(i));
        EXPECT_EQ(r.portText, e.port);
        EXPECT_EQ(r.portForm, e.form);
        EXPECT_EQ(r.idText, e.id);
        EXPECT_EQ(r.sizeText, e.size);
        EXPECT_EQ(r.freeSizeText, e.freeSize);
        EXPECT_EQ(r.wholeDiskFree, e.wholeDiskFree);
        EXPECT_EQ(r.systemDiskText, e.systemDisk);
        EXPECT_EQ(r.arrayMemberText, e.arrayMember);
        EXPECT_EQ(r.serial, e.serial);
        EXPECT_EQ(r.model, e.model);
        EXPECT_EQ(r.diskType, e.diskType);
        EXPECT_EQ(r.busSpeed, e.busSpeed);
    }
    // The record after the last disk stays as reset.
    EXPECT_EQ(rst.RstDiskTable[c.disks.size()].index, -1);
    EXPECT_EQ(rst.RstDiskTable[c.disks.size()].portText, "-1");
    EXPECT_EQ(rst.RstVolumeCount, c.volumeCount);
    EXPECT_EQ(rst.RstVolumeTable[0].name, c.volumeName);
    EXPECT_EQ(rst.RstVolumeTable[0].sizeText, c.volumeSize);
    EXPECT_EQ(rst.AccelerationPresent, c.acceleration);
    EXPECT_EQ(rst.MigrationText, c.migration);
    EXPECT_EQ(result.cutShort, c.cutShort);
    EXPECT_EQ(result.incompleteBlocks, 0);
}

INSTANTIATE_TEST_SUITE_P(Reports, RstcliReportFiles, ::testing::ValuesIn(kReports));

// One disk block with the given ID and size lines, for the value-form tables below.
std::string OneDisk(const std::string& id, const std::string& size) {
    return "--END DEVICE INFORMATION--\r\n\r\n"
           "ID:                " +
           id +
           "\r\n"
           "Type:              Disk\r\n"
           "Disk Type:         SATA disk\r\n"
           "Size:              " +
           size +
           "\r\n"
           "Free Size:         0 GB\r\n"
           "System Disk:       False\r\n"
           "Usage:             Available\r\n"
           "Serial Number:     SER1\r\n"
           "Model:             MODEL1\r\n";
}

TEST(RstcliReport, PortFormsPickTheFirstPlaceNotBeginningWithZero) {
    struct Case {
        std::string id;
        std::string port;
        int form;
    };
    const Case cases[] = {
        {"0-0-0-0", "0", 3},
        {"0-2-0-0", "2", 1},
        {"0-0-3-0", "3", 2},
        {"0-0-0-5", "5", 3},
        {"0-12-0-0", "1", 1},
        {"0-0-0-10", "1", 3},
        // No 0-a-b-c form on the ID's line: no port, the rest of the block is still read.
        {"7", "-1", 0},
        {"", "-1", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        irst::RstState rst;
        disks::DiskState disks;
        irst::ParseReportText(OneDisk(c.id, "10 GB"), 148, rst, disks);
        ASSERT_EQ(rst.RstDiskCount, 1);
        EXPECT_EQ(rst.RstDiskTable[0].portText, c.port);
        EXPECT_EQ(rst.RstDiskTable[0].portForm, c.form);
        EXPECT_EQ(rst.RstDiskTable[0].serial, "SER1");
    }
}

TEST(RstcliReport, FullIdReleasesStoreTheIdentifierCutToItsField) {
    struct Case {
        int release;
        std::string id;
        std::string idText;
    };
    const Case cases[] = {
        {155, "0-0-0-0", "0-0-0-0"},
        {157, "\t 1-0-2-0", "1-0-2-0"},
        {157, std::string(30, '9'), std::string(19, '9')},
        {157, "", ""},
        {148, "0-1-0-0", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        irst::RstState rst;
        disks::DiskState disks;
        irst::ParseReportText(OneDisk(c.id, "10 GB"), c.release, rst, disks);
        ASSERT_EQ(rst.RstDiskCount, 1);
        EXPECT_EQ(rst.RstDiskTable[0].idText, c.idText);
        EXPECT_EQ(rst.RstDiskTable[0].model, "MODEL1");
    }
}

TEST(RstcliReport, SizesConvertToBytesOnlyForGigaMegaAndTera) {
    struct Case {
        std::string printed;
        std::string sizeText;
    };
    const Case cases[] = {
        {"931.51 GB", "999653638144"},
        {"238 MB", "249561088"},
        {"1.82 TB", "1099511627776"},
        {"465.76 KB", "465.76"},
        {"512 B", "512"},
        {"0 GB", "0"},
        {"N/A GB", "0"},
        // Too large to convert: kept as printed rather than wrapped round.
        {"9999999 TB", "9999999"},
        {"99999999999999999999 GB", "99999999999999999999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printed);
        irst::RstState rst;
        disks::DiskState disks;
        irst::ParseReportText(OneDisk("0-0-0-0", c.printed), 148, rst, disks);
        ASSERT_EQ(rst.RstDiskCount, 1);
        EXPECT_EQ(rst.RstDiskTable[0].sizeText, c.sizeText);
    }
}

// Three disks; the middle one lacks a key. It keeps what it read before that key and nothing
// after; the disks around it are read in full and no value moves between blocks.
class RstcliMissingKey : public ::testing::TestWithParam<const char*> {};

TEST_P(RstcliMissingKey, LeavesTheRestOfThatRecordEmpty) {
    const std::string key = GetParam();
    std::string middle = OneDisk("0-1-0-0", "20 GB").substr(30);
    const std::size_t at = middle.find(key);
    ASSERT_NE(at, std::string::npos);
    middle.erase(at, middle.find("\r\n", at) + 2 - at);
    const std::string text = OneDisk("0-0-0-0", "10 GB") + "\r\n" + middle + "\r\n" +
                             OneDisk("0-2-0-0", "30 GB").substr(30);

    irst::RstState rst;
    disks::DiskState disks;
    const irst::ReportParseResult result = irst::ParseReportText(text, 148, rst, disks);
    ASSERT_EQ(rst.RstDiskCount, 3);
    EXPECT_EQ(result.incompleteBlocks, 1);
    EXPECT_FALSE(result.cutShort);
    const irst::RstDiskRecord& m = rst.RstDiskTable[1];
    EXPECT_EQ(m.index, 1);
    EXPECT_EQ(m.portText, "1");
    EXPECT_EQ(m.model, "");
    const std::vector<std::string> order = {
        "Disk Type:", "Size:", "Free Size:", "System Disk:", "Usage:", "Serial Number:"};
    const std::vector<std::string> values = {m.diskType,       m.sizeText,        m.freeSizeText,
                                             m.systemDiskText, m.arrayMemberText, m.serial};
    bool lost = false;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (key.rfind(order[i], 0) == 0) lost = true;
        SCOPED_TRACE(order[i]);
        EXPECT_EQ(values[i].empty(), lost);
    }
    EXPECT_EQ(rst.RstDiskTable[2].sizeText, "32212254720");
    EXPECT_EQ(rst.RstDiskTable[2].serial, "SER1");
    EXPECT_EQ(rst.RstDiskTable[2].portText, "2");
}

INSTANTIATE_TEST_SUITE_P(Keys, RstcliMissingKey,
                         ::testing::Values("Disk Type:", "Size:       ", "Free Size:",
                                           "System Disk:", "Usage:", "Serial Number:", "Model:"));

TEST(RstcliReport, BlockWithoutTypeIsSkippedUnlessItIsTheLast) {
    std::string middle = OneDisk("0-1-0-0", "20 GB").substr(30);
    middle.erase(middle.find("Type:              Disk\r\n"), 25);
    const std::string head = OneDisk("0-0-0-0", "10 GB") + middle;
    irst::RstState rst;
    disks::DiskState disks;

    irst::ParseReportText(head + OneDisk("0-2-0-0", "30 GB").substr(30), 148, rst, disks);
    ASSERT_EQ(rst.RstDiskCount, 2);
    EXPECT_EQ(rst.RstDiskTable[1].portText, "2");

    const irst::ReportParseResult result = irst::ParseReportText(head, 148, rst, disks);
    EXPECT_EQ(rst.RstDiskCount, 1);
    EXPECT_TRUE(result.cutShort);
}

TEST(RstcliReport, PcieDiskWithoutBusSpeedKeepsGenx) {
    std::string text = OneDisk("0-0-0-0", "10 GB");
    text.replace(text.find("SATA disk"), 9, "PCIe SSD");
    irst::RstState rst;
    disks::DiskState disks;
    irst::ParseReportText(text + OneDisk("0-1-0-0", "10 GB").substr(30), 148, rst, disks);
    ASSERT_EQ(rst.RstDiskCount, 2);
    EXPECT_EQ(rst.RstDiskTable[0].busSpeed, "GENX");
    EXPECT_EQ(rst.RstDiskTable[0].sizeText, "");
    EXPECT_EQ(rst.RstDiskTable[1].sizeText, "10737418240");
}

TEST(RstcliReport, EveryPrefixKeepsOnlyCompletelyReadDisks) {
    const std::string full = test_data::ReadRstcliReport("raid1_data_14_8.txt");
    irst::RstState whole;
    disks::DiskState disks;
    irst::ParseReportText(full, 148, whole, disks);
    ASSERT_EQ(whole.RstDiskCount, 3);

    int previous = 0;
    for (std::size_t length = 0; length <= full.size(); ++length) {
        irst::RstState rst;
        irst::ParseReportText(std::string_view(full).substr(0, length), 148, rst, disks);
        ASSERT_GE(rst.RstDiskCount, previous) << length;
        previous = rst.RstDiskCount;
        for (int i = 0; i < rst.RstDiskCount; ++i) {
            const irst::RstDiskRecord& r = rst.RstDiskTable[i];
            const irst::RstDiskRecord& w = whole.RstDiskTable[i];
            ASSERT_EQ(r.serial, w.serial) << length;
            ASSERT_EQ(r.model, w.model) << length;
            ASSERT_EQ(r.sizeText, w.sizeText) << length;
            ASSERT_EQ(r.portText, w.portText) << length;
        }
    }
    EXPECT_EQ(previous, 3);
}

TEST(RstcliReport, TextEndsAtItsFirstNul) {
    std::string text = test_data::ReadRstcliReport("optical_between_disks_14_5.txt");
    text.insert(text.find("ID:                0-0-1-0"), std::string(1, '\0'));
    irst::RstState rst;
    disks::DiskState disks;
    irst::ParseReportText(text, 145, rst, disks);
    EXPECT_EQ(rst.RstDiskCount, 1);
}

TEST(RstcliReport, StoresAtMostFiftyDisks) {
    std::string text = OneDisk("0-0-0-0", "1 GB");
    for (int i = 1; i < 60; ++i) text += OneDisk("0-1-0-0", "2 GB").substr(30);
    irst::RstState rst;
    disks::DiskState disks;
    irst::ParseReportText(text, 148, rst, disks);
    EXPECT_EQ(rst.RstDiskCount, irst::kMaxRstDisks);
    EXPECT_EQ(rst.RstDiskTable[irst::kMaxRstDisks - 1].index, irst::kMaxRstDisks - 1);
}

TEST(RstcliReport, LongValuesAreCutToTheirFields) {
    std::string text = OneDisk("0-0-0-0", "1 GB");
    text.replace(text.find("SER1"), 4, std::string(300, 's'));
    text.replace(text.find("MODEL1"), 6, std::string(200, 'm'));
    text.replace(text.find("SATA disk"), 9, std::string(80, 'd'));
    text = "--VOLUME INFORMATION--\r\nName:              " + std::string(200, 'v') + "\r\n" + text;
    irst::RstState rst;
    disks::DiskState disks;
    irst::ParseReportText(text, 148, rst, disks);
    ASSERT_EQ(rst.RstDiskCount, 1);
    EXPECT_EQ(rst.RstDiskTable[0].serial, std::string(255, 'S'));
    EXPECT_EQ(rst.RstDiskTable[0].model, std::string(127, 'M'));
    EXPECT_EQ(rst.RstDiskTable[0].diskType, std::string(50, 'd'));
    EXPECT_EQ(rst.RstVolumeTable[0].name, std::string(127, 'v'));
}

TEST(RstcliReport, SystemDiskSerialIsUpperCasedInTheDiskTableUpToItsMatch) {
    disks::DiskState disks;
    disks.DiskCount = 3;
    disks.DiskTable[0].serial = "     z1d2xy01";
    disks.DiskTable[1].serial = "  1744191f2abc";
    disks.DiskTable[2].serial = "  wd-wcav5eeeeeee";
    irst::RstState rst;
    irst::ParseReportText(test_data::ReadRstcliReport("optical_between_disks_14_5.txt"), 145, rst,
                          disks);
    EXPECT_EQ(disks.DiskTable[0].serial, "     Z1D2XY01");
    EXPECT_EQ(disks.DiskTable[1].serial, "  1744191F2ABC");
    EXPECT_EQ(disks.DiskTable[2].serial, "  wd-wcav5eeeeeee");
}

TEST(RstcliReport, EmptyTextResetsEverything) {
    irst::RstState rst;
    disks::DiskState disks;
    irst::ParseReportText(test_data::ReadRstcliReport("acceleration_14_8.txt"), 148, rst, disks);
    ASSERT_EQ(rst.AccelerationPresent, 1);
    irst::ParseReportText("", 148, rst, disks);
    EXPECT_EQ(rst.RstDiskCount, 0);
    EXPECT_EQ(rst.RstVolumeCount, 0);
    EXPECT_EQ(rst.RstVolumeTable[0].name, "");
    EXPECT_EQ(rst.RstDiskTable[0].serial, "");
    EXPECT_EQ(rst.RstDiskTable[0].busSpeed, "GENX");
    EXPECT_EQ(rst.AccelerationPresent, 0);
    EXPECT_EQ(rst.MigrationText, "no");
}

}  // namespace

namespace {

// Blocks without line ends, and keys without their blocks, repeated many times: the parse stays
// linear in the text's length.
TEST(RstcliReport, RepeatedKeysWithoutLineEndsParseInLinearTime) {
    const std::string end = "--END DEVICE INFORMATION--";
    const std::vector<std::string> texts = {
        end +
            [] {
                std::string t;
                for (int i = 0; i < 100000; ++i) t += "ID:0-1-";
                return t;
            }(),
        end +
            [] {
                std::string t;
                for (int i = 0; i < 50000; ++i) t += "ID: 0-0-0-0 Type:              Disk ";
                return t + "\r\n";
            }(),
        end +
            [] {
                std::string t;
                for (int i = 0; i < 50000; ++i)
                    t += "ID:\r\nType:              Disk\r\nSize:              1";
                return t;
            }(),
    };
    for (std::size_t i = 0; i < texts.size(); ++i) {
        for (int release : {148, 157}) {
            const auto start = std::chrono::steady_clock::now();
            irst::RstState rst;
            disks::DiskState disks;
            irst::ParseReportText(texts[i], release, rst, disks);
            const auto seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            EXPECT_LT(seconds, 5.0) << "text " << i << " release " << release;
        }
    }
}

}  // namespace
