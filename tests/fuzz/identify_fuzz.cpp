// libFuzzer entry for the drive identification bytes: an IDENTIFY answer block and a storage
// device descriptor read at the offsets it holds. Built and run by
//   scripts/fuzz.sh [SECONDS] identify_fuzz
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "disks/identify.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> answer(data, data + size);
    disks::DiskRecordFromIdentify(disks::IdentifyWordsFromAnswer(answer), 0);

    const std::string_view descriptor(reinterpret_cast<const char*>(data), size);
    for (std::size_t field : {disks::kProductIdOffsetField, disks::kSerialNumberOffsetField}) {
        disks::DecodeDescriptorString(
            descriptor, static_cast<std::int32_t>(disks::ReadLe32(descriptor, field)));
    }
    return 0;
}
