// Fuzz target for the PCH-mode list as the board's library hands it out: any bytes must give
// positions without reading outside the text, exactly one mode at position 0, and the other
// determined positions distinct and within 1..2.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/pch_mode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view list(reinterpret_cast<const char*>(data), size);
    const platform::PchModePositions p = platform::PchModePositionsOf(list);
    const std::optional<int> all[] = {p.ide, p.ahci, p.raid};
    int atZero = 0;
    int seen = 0;
    for (const std::optional<int>& position : all) {
        if (!position) continue;
        if (*position < 0 || *position > 2) std::abort();
        if (seen & (1 << *position)) std::abort();
        seen |= 1 << *position;
        if (*position == 0) ++atZero;
    }
    if (atZero != 1) std::abort();
    // Two positions are either both determined or both not.
    if (seen != 1 && seen != 7) std::abort();
    return 0;
}
