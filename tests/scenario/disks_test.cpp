// Drive identification and the diskpart listing on simulated PCs: the drives' IDENTIFY blocks,
// descriptors and geometry built from the machine description, diskpart run through the command
// interpreter and through the retry batch, all on the virtual clock.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "app/run_context.h"
#include "disks/diskpart_listing.h"
#include "disks/identify.h"
#include "support/scenario.h"

namespace {

using Json = nlohmann::json;

const Json kIntel = {{"0", {"0xD", "0x756E6547", "0x6C65746E", "0x49656E69"}}};
const Json kAmd = {{"0", {"0xD", "0x68747541", "0x444D4163", "0x69746E65"}}};
const Json kOther = {{"0", {"0xD", "0x746E6543", "0x736C7561", "0x48727561"}}};

// Four drives: a hard disk, one that refuses IDENTIFY (but answers the SMART version), an SSD
// whose descriptor holds its product text in hexadecimal, and one whose descriptor has an empty
// serial number.
Json DrivesMachine(const Json& cpuid) {
    return Json{{"cpuid", cpuid},
                {"drives", Json::array({
                               {{"serial", "    WD-WCC4N1234567"},
                                {"model", "WDC WD10EZEX-08WN4A0"},
                                {"sectors", 1953525168},
                                {"rotationRate", 7200}},
                               {{"serial", "NOIDENT"},
                                {"model", "Refusing Drive"},
                                {"identify", false},
                                {"sectors", 976773168}},
                               {{"serial", "S3Z9NB0K123456A"},
                                {"model", "Samsung SSD 860 EVO 250GB"},
                                {"productId", "53616d73756e672053534420383630"},
                                {"sectors", 488397168},
                                {"rotationRate", 1}},
                               {{"serial", "Z1D2ABCD"},
                                {"model", "ST500DM002-1BD142"},
                                {"descriptorSerial", ""},
                                {"lba48", false},
                                {"sectors", 976773168}},
                           })}};
}

TEST(IdentifyDrivesOnSim, DiskTableHoldsTheDrivesThatAnsweredInDriveOrder) {
    Scenario s(DrivesMachine(kIntel).dump());
    RunContext ctx(s.Os());
    IdentifyDrives(ctx);

    const disks::DiskState& d = ctx.disks;
    ASSERT_EQ(d.DiskCount, 3);
    EXPECT_EQ(d.SsdCount, 1);
    const auto& t = d.DiskTable;
    EXPECT_EQ(t[0].driveNumber, 0);
    EXPECT_EQ(t[0].serial, "    WD-WCC4N1234567");
    EXPECT_EQ(t[0].model, "WDC WD10EZEX-08WN4A0");
    EXPECT_EQ(t[0].sizeBytesText, "1000204886016");
    EXPECT_EQ(t[0].capacityText, "931");
    EXPECT_EQ(t[0].ssdText, "0");
    EXPECT_EQ(t[1].driveNumber, 2);  // drive 1 refused IDENTIFY: no gap in the table
    EXPECT_EQ(t[1].model, "Samsung SSD 860 EVO 250GB");
    EXPECT_EQ(t[1].capacityText, "232");
    EXPECT_EQ(t[1].ssdText, "1");
    // Without the 48-bit feature set the count comes from words 60-61 (capped at 28 bits).
    EXPECT_EQ(t[2].driveNumber, 3);
    EXPECT_EQ(t[2].sizeBytesText, "137438952960");
    EXPECT_EQ(t[2].capacityText, "127");

    const auto& desc = d.DescriptorTable;
    ASSERT_EQ(d.DescriptorCount, 3);  // the drive with an empty serial number is not kept on Intel
    EXPECT_EQ(desc[0].productId, "WDC WD10EZEX-08WN4A0");
    EXPECT_EQ(desc[0].capacityText, "931");
    EXPECT_EQ(desc[1].productId, "Refusing Drive");
    EXPECT_EQ(desc[1].capacityText, "465");
    EXPECT_EQ(desc[2].productId, "Samsung SSD 860");  // decoded from hexadecimal
    EXPECT_EQ(desc[2].capacityText, "232");
}

TEST(IdentifyDrivesOnSim, DescriptorPassKeepsDrivesByProcessorVendor) {
    struct Case {
        const char* name;
        Json cpuid;
        int descriptors;
    };
    const Case cases[] = {{"Intel", kIntel, 3}, {"AMD", kAmd, 4}, {"other", kOther, 0}};
    for (const Case& c : cases) {
        Scenario s(DrivesMachine(c.cpuid).dump());
        RunContext ctx(s.Os());
        IdentifyDrives(ctx);
        EXPECT_EQ(ctx.disks.DescriptorCount, c.descriptors) << c.name;
        EXPECT_EQ(ctx.disks.DiskCount, 3) << c.name;  // the IDENTIFY pass does not depend on it
    }
}

TEST(IdentifyDrivesOnSim, NoDrivesLeaveEveryTableEmpty) {
    Scenario s(Json{{"cpuid", kAmd}}.dump());
    RunContext ctx(s.Os());
    IdentifyDrives(ctx);
    EXPECT_EQ(ctx.disks.DiskCount, 0);
    EXPECT_EQ(ctx.disks.SsdCount, 0);
    EXPECT_EQ(ctx.disks.DescriptorCount, 0);
}

const char kListing[] =
    "  Disk ###  Status         Size     Free     Dyn  Gpt\r\n"
    "  --------  -------------  -------  -------  ---  ---\r\n"
    "  Disk 0    Online          931 GB      0 B        *\r\n"
    "  Disk 1    Online          465 GB   465 GB\r\n"
    "  Disk 2    Online          232 GB   232 GB\r\n";

Json ListingMachine(int failFirstRuns) {
    Json machine = DrivesMachine(kIntel);
    machine["programs"] = {
        {"diskpart",
         {{"listingText", kListing}, {"failFirstRuns", failFirstRuns}, {"durationMs", 1500}}}};
    return machine;
}

TEST(ListDiskpartDisksOnSim, RunsThroughTheInterpreterAndRetriesThroughTheBatch) {
    struct Case {
        int failFirstRuns;
        int batchStarts;
        std::uint64_t elapsedMs;  // diskpart runs 1.5 s; each retry pauses 2 s before its run
        bool listed;
    };
    const Case cases[] = {
        {0, 0, 1500, true},
        {1, 1, 1500 + 2000 + 1500, true},
        {3, 3, 1500 + 3 * (2000 + 1500), true},
        {9, 3, 1500 + 3 * (2000 + 1500), false},
    };
    for (const Case& c : cases) {
        Scenario s(ListingMachine(c.failFirstRuns).dump());
        RunContext ctx(s.Os());
        ASSERT_TRUE(s.Os().files.SetCurrentDirectory("C:\\VOLKIT"));
        IdentifyDrives(ctx);
        const std::uint64_t start = s.Machine().Now();
        ListDiskpartDisks(ctx);

        const std::string name = "failing first " + std::to_string(c.failFirstRuns);
        EXPECT_EQ(s.Machine().Now() - start, c.elapsedMs) << name;
        EXPECT_EQ(s.Journal("shell.run"),
                  std::vector<std::string>{"diskpart /s list_par1.txt >o3.txt"})
            << name;
        int batches = 0;
        for (const std::string& started : s.Journal("process.start")) {
            batches += started.find("create_s.bat") != std::string::npos;
        }
        EXPECT_EQ(batches, c.batchStarts) << name;
        EXPECT_EQ(s.File("C:\\VOLKIT\\list_par1.txt"), "list disk \r\n") << name;
        if (c.batchStarts > 0) {
            EXPECT_EQ(s.File("C:\\VOLKIT\\create_s.bat"), "diskpart /s list_par1.txt >o3.txt")
                << name;
        }

        const auto& p = ctx.disks.PartitionStyleTable;
        const auto& t = ctx.disks.DiskTable;
        if (c.listed) {
            EXPECT_EQ(p[0].style, 2) << name;
            EXPECT_EQ(p[1].style, 1) << name;
            // Disk index 1 is physical drive 2 (drive 1 refused IDENTIFY): it is paired with
            // diskpart's disk 1. Disk 0's sizes agree, so the wholly free disk 1 marks index 1
            // empty; its free number stays "0", as 465 does not agree with its 232.
            EXPECT_EQ(t[0].emptyFlag, 0) << name;
            EXPECT_EQ(t[0].freeText, "0") << name;
            EXPECT_EQ(t[1].emptyFlag, 1) << name;
            EXPECT_EQ(t[1].freeText, "0") << name;
        } else {
            EXPECT_EQ(p[0].style, 0) << name;
        }
    }
}

TEST(ReadPartitionStylesOnSim, CountsTheDrivesThatOpenAndMarksThemListed) {
    Json machine = ListingMachine(0);
    machine["drives"].push_back({{"serial", "X"}, {"model", "Extra"}, {"sectors", 1000}});
    machine["drives"][1]["opens"] = false;
    Scenario s(machine.dump());
    RunContext ctx(s.Os());
    ASSERT_TRUE(s.Os().files.SetCurrentDirectory("C:\\VOLKIT"));
    ReadPartitionStyles(ctx);
    EXPECT_EQ(ctx.disks.PartitionDriveCount, 4);
    const auto& p = ctx.disks.PartitionStyleTable;
    EXPECT_EQ(p[0].style, 2);  // listed GPT stays GPT
    EXPECT_EQ(p[1].style, 1);  // listed, does not open
    EXPECT_EQ(p[4].style, 1);  // not listed, opens
    EXPECT_EQ(p[5].style, 0);
}

TEST(DiskpartOnSim, CleanOfASelectedDiskIsJournaledAsAWipeWhenDiskpartEnds) {
    Scenario s(ListingMachine(0).dump());
    os::Os& os = s.Os();
    ASSERT_TRUE(os.files.SetCurrentDirectory("C:\\VOLKIT"));
    ASSERT_TRUE(os.files.WriteFile("clrssd.txt", "sel disk 2\r\nclean\r\n"));
    ASSERT_TRUE(os.files.WriteFile("clr_ssd.bat", "diskpart /s clrssd.txt >c1.txt"));
    const os::ProcessHandle batch = os.processes.StartHidden("C:\\VOLKIT\\clr_ssd.bat");
    ASSERT_NE(batch, 0u);
    EXPECT_TRUE(s.Journal("disk.wipe").empty());  // not before diskpart has ended
    EXPECT_EQ(os.processes.Wait(batch, 60000), os::kWaitObject0);
    EXPECT_EQ(s.Journal("disk.wipe"), std::vector<std::string>{"disk 2"});
    const std::optional<std::string> output = s.File("C:\\VOLKIT\\c1.txt");
    ASSERT_TRUE(output.has_value());
    EXPECT_NE(output->find("DiskPart succeeded in cleaning the disk."), std::string::npos);

    // A disk the machine does not have, or a clean without a selection, wipes nothing.
    for (const char* script : {"sel disk 7\r\nclean\r\n", "clean\r\n"}) {
        ASSERT_TRUE(os.files.WriteFile("clrssd.txt", script));
        const os::ProcessHandle again = os.processes.StartHidden("C:\\VOLKIT\\clr_ssd.bat");
        os.processes.Wait(again, 60000);
        EXPECT_EQ(s.Journal("disk.wipe").size(), 1u) << script;
    }
}

TEST(DisksOnDefaultMachine, ThreeDisksOneSsdAndTheUnusedDiskIsEmpty) {
    Scenario s = Scenario::FromExample("default");
    RunContext ctx(s.Os());
    ASSERT_TRUE(s.Os().files.SetCurrentDirectory("C:\\VOLKIT"));
    IdentifyDrives(ctx);
    ReadPartitionStyles(ctx);
    const disks::DiskState& d = ctx.disks;
    ASSERT_EQ(d.DiskCount, 3);
    EXPECT_EQ(d.SsdCount, 1);
    EXPECT_EQ(d.DescriptorCount, 3);
    EXPECT_EQ(d.PartitionDriveCount, 3);
    const std::string expected[][4] = {
        // model, capacity, empty, free
        {"Samsung SSD 840 EVO 120GB", "111", "0", "0"},
        {"WDC WD10EZEX-08WN4A0", "931", "0", "0"},
        {"ST2000DM001-1CH164", "1863", "1", "1863"},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(d.DiskTable[i].model, expected[i][0]);
        EXPECT_EQ(d.DiskTable[i].capacityText, expected[i][1]);
        EXPECT_EQ(std::to_string(d.DiskTable[i].emptyFlag), expected[i][2]);
        EXPECT_EQ(d.DiskTable[i].freeText, expected[i][3]);
        EXPECT_EQ(d.PartitionStyleTable[i].style, 1);
    }
    EXPECT_EQ(d.DiskTable[1].serial, "     WD-WCC6Y1234567");
}

}  // namespace
