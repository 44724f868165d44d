// The disk-mode report end to end: machines that together reach every ending and section, each
// report compared byte for byte with its golden file and parsed as XML.
//
// Each machine is the bundled one with a patch (JSON merge patch: null removes a key). To look at
// a changed report, run with VOLKIT_UPDATE_GOLDEN=1: the golden files are rewritten, and the diff
// shows what changed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <sstream>
#include <string>

#include "support/scenario.h"
#include "support/test_data.h"

namespace {

const std::string kDefaultDir = std::string(VOLKIT_SOURCE_DIR) + "/examples/default";
const std::string kGoldenDir = std::string(VOLKIT_SOURCE_DIR) + "/tests/scenario/golden";
const std::string kReport = "C:\\VOLKIT\\Diskmode.xml";

// The bundled machine with a patch applied, and optionally another rstcli report.
std::string PatchedMachine(const std::string& patch, const char* rstcliReport = nullptr) {
    nlohmann::json machine =
        nlohmann::json::parse(test_data::ReadSourceFile("examples/default/machine.json"), nullptr,
                              true, /*ignore_comments=*/true);
    machine.merge_patch(nlohmann::json::parse(patch));
    if (rstcliReport != nullptr) {
        nlohmann::json& rstcli = machine["programs"]["rstcli"];
        rstcli.erase("report");
        rstcli["output"] =
            test_data::ReadSourceFile(std::string("tests/scenario/data/") + rstcliReport);
    }
    return machine.dump();
}

// A diskpart listing whose disk 0 (the Windows disk) is a GPT disk.
const char* kGptListing = R"({"programs": {"diskpart": {"listing": null, "listingText":
  "  Disk ###  Status         Size     Free     Dyn  Gpt\r\n  --------  -------------  -------  -------  ---  ---\r\n  Disk 0    Online          111 GB      0 B        *\r\n  Disk 1    Online          931 GB      0 B\r\n  Disk 2    Online         1863 GB  1863 GB\r\n"}}})";

struct ReportCase {
    const char* name;
    const char* patch;
    int exitCode;
    // A report of tests/scenario/data that the simulated rstcli prints instead of the bundled one.
    const char* rstcliReport = nullptr;
};

const ReportCase kCases[] = {
    {"b85_irst148_gpt", kGptListing, 0},
    {"no_irst",
     R"({"registry": {"HKLM\\SOFTWARE\\Intel\\IRST": null,
                      "HKLM\\SOFTWARE\\WOW6432Node\\Intel\\IRST": null}})",
     1},
    // Windows 8: 6.2 whose registry says neither 8.1 nor 10.
    {"windows_refused",
     R"({"windows": {"minor": 2, "build": 9200, "csdVersion": "", "servicePackMajor": 0},
         "registry": {"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion":
                        {"CurrentVersion": "6.2", "ProductName": "Windows 8 Pro"}}})",
     1},
    {"not_intel", R"({"cpuid": {"0": ["0x0000000D", "0x68747541", "0x444D4163", "0x69746E65"]}})",
     1},
    {"pch_library_missing", R"({"libraries": {"zorm.dll": null}})", 1},
    {"pch_entry_missing", R"({"libraries": {"zorm.dll": {"missing": ["SaveToBios"]}}})", 1},
    {"pch_initial_fails_ahci", R"({"pch": {"initial": 1}})", 0},
    // An X79 board (LPC 1D41h, not in the listed set) whose SATA function is a RAID identifier,
    // on a processor of signature 306E4h, with the PCH library reporting RAID.
    {"x79_early_raid",
     R"({"cpuid": {"1": ["0x000306E4", "0x01100800", "0x7FFAFBFF", "0xBFEBFBFF"]},
         "pci": [{"bus": 0, "device": 31, "function": 0, "id": "0x1D418086", "class": "0x060100"},
                 {"bus": 0, "device": 31, "function": 2, "id": "0x28268086", "class": "0x010400"}],
         "pch": {"current": "RAID"}})",
     0},
    // One rotating disk whose texts hold XML's special characters: no cache drive either.
    {"xml_special_characters_no_cache",
     R"({"drives": [{"serial": "SN<1>&2", "model": "Fast & <Small> Disk", "sectors": 234441648,
                     "rotationRate": 7200}]})",
     0},
    // A RAID 0 volume of two disks, and an IRST view that lines up with the identified disks
    // (same serials, same sizes), so the IRST disks carry their drive letters.
    {"raid_volume_lined_up",
     R"({"drives": [
           {"serial": "S1D5NSAF123456K", "model": "Samsung SSD 840 EVO 120GB",
            "sectors": 232783872, "rotationRate": 1},
           {"serial": "     WD-WCC6Y1234567", "model": "WDC WD10EZEX-08WN4A0",
            "sectors": 1952448512},
           {"serial": "     WD-WCC6Y7654321", "model": "WDC WD10EZEX-08WN4A0",
            "sectors": 1952448512}],
         "programs": {"diskpart": {"listing": null, "listingText":
  "  Disk ###  Status         Size     Free     Dyn  Gpt\r\n  --------  -------------  -------  -------  ---  ---\r\n  Disk 0    Online          111 GB      0 B\r\n  Disk 1    Online          931 GB      0 B\r\n  Disk 2    Online          931 GB      0 B\r\n"}}})",
     0, "rstcli_volume_lined_up.txt"},
};

class ReportScenario : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ReportScenario, MatchesItsGoldenFileAndIsWellFormed) {
    const ReportCase& c = GetParam();
    Scenario s(PatchedMachine(c.patch, c.rstcliReport), kDefaultDir);
    EXPECT_EQ(s.Run("-func0"), c.exitCode) << s.JournalText();

    const auto report = s.File(kReport);
    ASSERT_TRUE(report.has_value()) << s.JournalText();
    EXPECT_FALSE(s.File(kReport + ".tmp").has_value()) << "the temporary file stays behind";

    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(report->data(), report->size());
    EXPECT_TRUE(parsed) << parsed.description() << "\n" << *report;
    EXPECT_STREQ(doc.document_element().name(), "root");

    const std::string golden = kGoldenDir + "/" + c.name + ".xml";
    if (std::getenv("VOLKIT_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(golden, std::ios::binary) << *report;
    }
    EXPECT_EQ(*report,
              test_data::ReadSourceFile("tests/scenario/golden/" + std::string(c.name) + ".xml"))
        << c.name;
}

INSTANTIATE_TEST_SUITE_P(Machines, ReportScenario, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

// Every ending first closes the dialog window, then exits.
TEST(ReportEndings, CloseTheWindowBeforeExiting) {
    Scenario s(PatchedMachine(R"({"libraries": {"zorm.dll": null}})"), kDefaultDir);
    ASSERT_EQ(s.Run("-func0"), 1);
    const auto closes = s.Journal("window.close");
    ASSERT_EQ(closes.size(), 1u) << s.JournalText();
}

// A reader that holds the old report open: the run waits a bounded time, then ends with exit code
// 1 and leaves the old report as it was.
TEST(ReportEndings, AnOldReportThatCannotBeDeletedIsLeftAlone) {
    Scenario s(PatchedMachine(R"({"files": {"C:\\VOLKIT\\Diskmode.xml": {"text": "old",
                                  "readOnly": true}}})"),
               kDefaultDir);
    EXPECT_EQ(s.Run("-func0"), 1) << s.JournalText();
    EXPECT_EQ(s.File(kReport).value_or(""), "old");
    EXPECT_LT(s.Machine().Now(), 10000u) << "the wait for the old report is bounded";
}

// The scan's preparation: Kcli.txt is deleted and waited for only until it is gone.
TEST(ReportPreparation, TheOldToolReportIsDeletedWithoutAnIdleSecond) {
    Scenario s(PatchedMachine(R"({"files": {"C:\\Windows\\Kcli.txt": "old report"}})"),
               kDefaultDir);
    ASSERT_EQ(s.Run("-func0"), 0) << s.JournalText();
    const auto deletes = s.Journal("file.delete");
    ASSERT_FALSE(deletes.empty());
    EXPECT_NE(deletes.front().find("Kcli.txt"), std::string::npos) << s.JournalText();
}

}  // namespace
