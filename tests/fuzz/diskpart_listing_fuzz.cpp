// libFuzzer entry for the diskpart "list disk" parser and the pairing of its rows with the disk
// tables. Built and run by
//   scripts/fuzz.sh [SECONDS] diskpart_listing_fuzz
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "disks/diskpart_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    disks::DiskState state;
    // Disks whose capacities some listings will agree with.
    state.DiskCount = 3;
    state.DiskTable[0].capacityText = "476";
    state.DiskTable[1].capacityText = "1863";
    state.DiskTable[2].capacityText = "0";
    disks::ParseDiskpartListing(std::string_view(reinterpret_cast<const char*>(data), size),
                                state.PartitionStyleTable);
    disks::PairListingWithDisks(state);
    return 0;
}
