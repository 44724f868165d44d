#include "disks/diskpart_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using disks::PartitionStyleRecord;

// "list disk" outputs as diskpart prints them (CR LF line ends).
const std::string kBanner =
    "\r\nMicrosoft DiskPart version 6.1.7601\r\n"
    "Copyright (C) 1999-2008 Microsoft Corporation.\r\n"
    "On computer: WORKSTATION-7\r\n\r\n";
const std::string kHeader =
    "  Disk ###  Status         Size     Free     Dyn  Gpt\r\n"
    "  --------  -------------  -------  -------  ---  ---\r\n";

std::string Listing(const std::string& rows) {
    return kBanner + kHeader + rows;
}

struct Row {
    int index;
    int style;
    std::string size, sizeUnit, free, freeUnit;
};

struct ListingCase {
    const char* name;
    std::string listing;
    std::vector<Row> rows;  // every other record must stay unlisted
    int stored, ignored;
    bool cutShort;
};

class ParseListing : public testing::TestWithParam<ListingCase> {};

TEST_P(ParseListing, FillsTheRecordsOfTheListedDisks) {
    const ListingCase& c = GetParam();
    disks::PartitionStyleTableType table{};
    const disks::ListingParseResult result = disks::ParseDiskpartListing(c.listing, table);
    EXPECT_EQ(result.rowsStored, c.stored);
    EXPECT_EQ(result.rowsIgnored, c.ignored);
    EXPECT_EQ(result.cutShort, c.cutShort);
    std::vector<bool> expected(table.size(), false);
    for (const Row& row : c.rows) {
        const PartitionStyleRecord& r = table[static_cast<std::size_t>(row.index)];
        expected[static_cast<std::size_t>(row.index)] = true;
        EXPECT_EQ(r.style, row.style) << "disk " << row.index;
        EXPECT_EQ(r.listSizeText, row.size) << "disk " << row.index;
        EXPECT_EQ(r.listSizeUnit, row.sizeUnit) << "disk " << row.index;
        EXPECT_EQ(r.listFreeText, row.free) << "disk " << row.index;
        EXPECT_EQ(r.listFreeUnit, row.freeUnit) << "disk " << row.index;
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (expected[i]) continue;
        EXPECT_EQ(table[i].style, 0) << "disk " << i << " was not listed";
        EXPECT_EQ(table[i].listSizeText, "") << "disk " << i << " was not listed";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Listings, ParseListing,
    testing::Values(
        ListingCase{"MBR and GPT",
                    Listing("  Disk 0    Online          476 GB      0 B        *\r\n"
                            "  Disk 1    Online         1863 GB  1863 GB\r\n"),
                    {{0, 2, "476", "GB", "0", "B"}, {1, 1, "1863", "GB", "1863", "GB"}},
                    2,
                    0,
                    false},
        ListingCase{"padded rows, dynamic star with a long tail, dynamic GPT disk",
                    Listing("  Disk 0    Online          465 GB      0 B                \r\n"
                            "  Disk 1    Online          931 GB   465 GB   *            \r\n"
                            "  Disk 2    Online          931 GB  1024 KB   *    *  \r\n"),
                    {{0, 1, "465", "GB", "0", "B"},
                     {1, 1, "931", "GB", "465", "GB"},
                     {2, 2, "931", "GB", "1024", "KB"}},
                    3,
                    0,
                    false},
        ListingCase{"TB size, KB free, No Media",
                    Listing("  Disk 0    Online            3 TB  1024 KB        *\r\n"
                            "  Disk 1    No Media           0 B      0 B\r\n"
                            "  Disk 2    Online          476 GB      0 B\r\n"),
                    {{0, 2, "3", "", "1024", "KB"},
                     {1, 1, "0", "B", "0", "B"},
                     {2, 1, "476", "GB", "0", "B"}},
                    3,
                    0,
                    false},
        ListingCase{"row cut short keeps the complete rows",
                    Listing("  Disk 0    Online          476 GB      0 B        *\r\n"
                            "  Disk 1    Online          931 G"),
                    {{0, 2, "476", "GB", "0", "B"}},
                    1,
                    0,
                    true},
        ListingCase{"last row without its line end is not stored",
                    Listing("  Disk 0    Online          476 GB      0 B\r\n"
                            "  Disk 1    Online         1863 GB  1863 GB"),
                    {{0, 1, "476", "GB", "0", "B"}},
                    1,
                    0,
                    true},
        ListingCase{"text after the rows without digits ends the parse",
                    Listing("  Disk 0    Online          476 GB      0 B\r\n\r\n"
                            "Leaving DiskPart...\r\n"),
                    {{0, 1, "476", "GB", "0", "B"}},
                    1,
                    0,
                    false},
        ListingCase{"numbers too long, unit runs too long and disks above 15 are ignored",
                    Listing("  Disk 0    Online    12345678901 GB      0 B\r\n"
                            "  Disk 1    Online          476 GB  1234567890 B\r\n"
                            "  Disk 2    Online          476 GBBBB   0 B\r\n"
                            "  Disk 3    Online          476 GB      0 BKMGB\r\n"
                            "  Disk 16   Online          476 GB      0 B\r\n"
                            "  Disk 1234567890  Online   476 GB      0 B\r\n"
                            "  Disk 4    Online          123456789 GB      0 B\r\n"),
                    {{4, 1, "123456789", "GB", "0", "B"}},
                    1,
                    6,
                    false},
        ListingCase{"no underline: the text is parsed from its start",
                    "  Disk 5    Online          238 GB      0 B\r\n",
                    {{5, 1, "238", "GB", "0", "B"}},
                    1,
                    0,
                    false},
        ListingCase{"empty listing", "", {}, 0, 0, false},
        ListingCase{"header only", Listing(""), {}, 0, 0, false}),
    [](const testing::TestParamInfo<ListingCase>& param) {
        return "case" + std::to_string(param.index);
    });

TEST(ListingRowsStart, LandsOnTheFirstDiskRow) {
    const std::string listing = Listing("  Disk 0    Online          476 GB      0 B\r\n");
    const std::size_t start = disks::ListingRowsStart(listing);
    // Past the header's "###" and the underline, before the first row's disk number.
    EXPECT_GT(start, listing.find("---  ---"));
    EXPECT_EQ(listing.find_first_of("0123456789", start), listing.find("Disk 0") + 5);
    EXPECT_EQ(disks::ListingRowsStart("no table here"), 0u);
    // An underline at the very end leaves nothing to parse and reads nothing beyond the text.
    EXPECT_GE(disks::ListingRowsStart("x --------"), 10u);
}

// Disk and descriptor tables for the pairing rules.
struct Disk {
    int driveNumber;
    std::string capacity;
    std::string model = "DISK";
};

disks::DiskState StateWith(const std::vector<Disk>& disks, const std::string& listing) {
    disks::DiskState state;
    for (const Disk& d : disks) {
        disks::DiskRecord& r = state.DiskTable[static_cast<std::size_t>(state.DiskCount++)];
        r.driveNumber = d.driveNumber;
        r.capacityText = d.capacity;
        r.model = d.model;
        r.emptyFlag = 7;  // whatever an earlier run left
    }
    disks::ParseDiskpartListing(listing, state.PartitionStyleTable);
    return state;
}

TEST(PairListingWithDisks, EmptyFlagAndFreeTextFollowTheDiskOfTheSameIndex) {
    struct Case {
        const char* name;
        std::vector<Disk> disks;
        std::string rows;
        std::vector<int> empty;
        std::vector<std::string> free;
    };
    const Case cases[] = {
        {"sizes agree: the wholly free disk is empty",
         {{0, "476"}, {1, "1863"}},
         "  Disk 0    Online          476 GB      0 B        *\r\n"
         "  Disk 1    Online         1863 GB  1863 GB\r\n",
         {0, 1},
         {"0", "1863"}},
        {"no size agrees: nothing is empty and nothing free",
         {{0, "465"}, {1, "1862"}},
         "  Disk 0    Online          476 GB      0 B\r\n"
         "  Disk 1    Online         1863 GB  1863 GB\r\n",
         {0, 0},
         {"0", "0"}},
        {"one agreement flags every wholly free listed disk",
         {{0, "476"}, {1, "1862"}},
         "  Disk 0    Online          476 GB      0 B\r\n"
         "  Disk 1    Online         1863 GB  1863 GB\r\n",
         {0, 1},
         {"0", "0"}},
        {"free in KB: only the number is carried over",
         {{0, "476"}},
         "  Disk 0    Online          476 GB  1024 KB\r\n",
         {0},
         {"1024"}},
        {"same number, different unit is not wholly free",
         {{0, "512"}},
         "  Disk 0    Online          512 MB   512 KB\r\n",
         {0},
         {"512"}},
        {"a drive refusing IDENTIFY shifts the pairing: physical disk 2 meets diskpart's disk 1",
         {{0, "476"}, {2, "1863"}},
         "  Disk 0    Online          476 GB      0 B\r\n"
         "  Disk 1    Online          931 GB   931 GB\r\n"
         "  Disk 2    Online         1863 GB  1863 GB\r\n",
         {0, 1},
         {"0", "0"}},
        {"a disk diskpart did not list is never empty",
         {{0, "476"}, {1, "1863"}, {2, "931"}},
         "  Disk 0    Online          476 GB      0 B\r\n"
         "  Disk 1    Online         1863 GB  1863 GB\r\n",
         {0, 1, 0},
         {"0", "1863", "0"}},
        {"a disk without a capacity number agrees with nothing",
         {{0, ""}},
         "  Disk 0    No Media          0 B      0 B\r\n",
         {0},
         {"0"}},
    };
    for (const Case& c : cases) {
        disks::DiskState state = StateWith(c.disks, Listing(c.rows));
        disks::PairListingWithDisks(state);
        for (std::size_t i = 0; i < c.disks.size(); ++i) {
            EXPECT_EQ(state.DiskTable[i].emptyFlag, c.empty[i]) << c.name << ", disk index " << i;
            EXPECT_EQ(state.DiskTable[i].freeText, c.free[i]) << c.name << ", disk index " << i;
        }
    }
}

TEST(PairListingWithDisks, DescriptorBlankFlagCarriesOverToTheDiskWithTheSameModel) {
    // The IDENTIFY sizes agree with no listed size (465 and 1862), the geometry sizes do (476 and
    // 1863): the disk table alone flags nothing, the descriptor cross-check flags disk index 1.
    const std::string listing = Listing(
        "  Disk 0    Online          476 GB      0 B\r\n"
        "  Disk 1    Online         1863 GB  1863 GB\r\n");
    struct Case {
        const char* name;
        std::string productId1;
        int empty1;
    };
    const Case cases[] = {
        {"same model, other letter case", "wdc wd20ezrx", 1},
        {"another product text", "WDC WD20EARS", 0},
    };
    for (const Case& c : cases) {
        disks::DiskState state =
            StateWith({{0, "465", "ST500DM002"}, {1, "1862", "WDC WD20EZRX"}}, listing);
        state.DescriptorCount = 2;
        state.DescriptorTable[0] = {"ST500DM002", 5, "476"};
        state.DescriptorTable[1] = {c.productId1, 5, "1863"};
        disks::PairListingWithDisks(state);
        EXPECT_EQ(state.DescriptorTable[0].blankFlag, 0) << c.name;
        EXPECT_EQ(state.DescriptorTable[1].blankFlag, 1) << c.name;
        EXPECT_EQ(state.DiskTable[0].emptyFlag, 0) << c.name;
        EXPECT_EQ(state.DiskTable[1].emptyFlag, c.empty1) << c.name;
        EXPECT_EQ(state.DiskTable[1].freeText, "0") << c.name;
    }
}

TEST(PairListingWithDisks, DisksBeyondTheSixteenListedPairWithNothing) {
    std::vector<Disk> many;
    for (int i = 0; i < 18; ++i) many.push_back({i, "100"});
    std::string rows;
    for (int i = 0; i < 16; ++i) {
        rows += "  Disk " + std::to_string(i) + "    Online          100 GB   100 GB\r\n";
    }
    disks::DiskState state = StateWith(many, Listing(rows));
    disks::PairListingWithDisks(state);
    for (std::size_t i = 0; i < 18; ++i) {
        EXPECT_EQ(state.DiskTable[i].emptyFlag, i < 16 ? 1 : 0) << i;
        EXPECT_EQ(state.DiskTable[i].freeText, i < 16 ? "100" : "0") << i;
    }
}

}  // namespace
