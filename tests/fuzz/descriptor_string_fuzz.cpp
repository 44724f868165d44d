// Fuzz target for the texts of a storage device descriptor: the bytes are the descriptor as a
// driver returned it, read at the product and serial offsets it holds. Whatever they hold, a
// decoded text is printable, has no blanks around it, and is never longer than the bytes it was
// read from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/text.h"
#include "disks/identify.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view descriptor(reinterpret_cast<const char*>(data), size);
    for (std::size_t field : {disks::kProductIdOffsetField, disks::kSerialNumberOffsetField}) {
        const std::uint32_t offset = disks::ReadLe32(descriptor, field);
        const std::string text = disks::DecodeDescriptorString(descriptor, offset);
        if (text.empty()) continue;
        if (offset >= size || text.size() > size - offset) std::abort();
        for (char c : text) {
            if (!text::IsPrintable(static_cast<unsigned char>(c))) std::abort();
        }
        if (text::IsSpace(static_cast<unsigned char>(text.front())) ||
            text::IsSpace(static_cast<unsigned char>(text.back()))) {
            std::abort();
        }
    }
    return 0;
}
