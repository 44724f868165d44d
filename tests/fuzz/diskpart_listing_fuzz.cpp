// libFuzzer entry for the diskpart "list disk" parser and the pairing of its rows with the disk
// tables. Build with clang:
//   cmake -S . -B build/fuzz -DVOLKIT_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
//   cmake --build build/fuzz --target diskpart_listing_fuzz
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
