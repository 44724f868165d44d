// Partition style and free space of each disk from a diskpart "list disk" run.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "disks/disk_tables.h"

struct RunContext;

// Runs the diskpart listing, fills PartitionStyleTable, the empty/blank flags and the free-space
// texts, then counts the physical drives 0 to 15 that open.
void ReadPartitionStyles(RunContext& ctx);

// Writes the script, runs diskpart into "o3.txt" (with the "create_s.bat" retry when the listing
// has no table), parses it into PartitionStyleTable and pairs it with the disk tables. The work
// files are made in the current directory.
void ListDiskpartDisks(RunContext& ctx);

// Reads a whole file into the listing text; false (the previous text kept) when it cannot be read.
bool LoadTextFile(RunContext& ctx, const std::string& path);

namespace disks {

// Work files and command texts of the listing.
inline constexpr const char* kListScriptFile = "list_par1.txt";
inline constexpr const char* kListScriptText = "list disk \r\n";
inline constexpr const char* kListOutputFile = "o3.txt";
inline constexpr const char* kListRetryBatch = "create_s.bat";
inline constexpr const char* kListCommand = "diskpart /s list_par1.txt >o3.txt";
inline constexpr const char* kHeaderUnderline = "--------";

// What the row parser met.
struct ListingParseResult {
    int rowsStored = 0;
    int rowsIgnored = 0;    // disk number above 15, a number or unit run too long
    bool cutShort = false;  // the text ended inside a row
};

using PartitionStyleTableType = std::array<PartitionStyleRecord, kPartitionTableSize>;

// Where the disk rows begin: past the column underlines that follow the first "--------" (or
// from the start of the text when there is none).
std::size_t ListingRowsStart(std::string_view listing);

// Parses the disk rows of a "list disk" output into the table (records of disks not listed keep
// what they hold). Never reads past the end of the text: a row cut short ends the parse and is
// not stored; rows with a disk number above 15, numbers of 10 or more digits or unit runs of 5
// or more letters are skipped.
ListingParseResult ParseDiskpartListing(std::string_view listing, PartitionStyleTableType& table);

// Sets emptyFlag and freeText of the disk table and blankFlag of the descriptor table from the
// parsed listing, pairing the i-th identified disk with diskpart's disk i.
void PairListingWithDisks(DiskState& state);

}  // namespace disks
