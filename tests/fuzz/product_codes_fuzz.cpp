// Fuzz target for the product-code file parser: any bytes must parse without reading outside the
// text, and a usable result holds only codes that fit their limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/product_codes.h"

namespace {

void CheckList(const ProductCodeList& list) {
    if (list.codes.size() > kMaxProductCodes) std::abort();
    for (const std::string& code : list.codes) {
        if (code.empty() || code.size() > kMaxProductCodeLength) std::abort();
        for (char c : code) {
            if (!IsProductCodeChar(c)) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ProductCodeFile file = ParseProductCodes(text);
    if (!file.fault.empty() && (!file.list64.codes.empty() || !file.list32.codes.empty())) {
        std::abort();
    }
    CheckList(file.list64);
    CheckList(file.list32);
    return 0;
}
