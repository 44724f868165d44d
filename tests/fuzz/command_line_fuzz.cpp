// Fuzz target for the command line: any bytes are either refused or decoded into one request
// whose text fits its 20-byte field, whose numbers are not negative, and whose operation is one
// that a switch yields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/command_line.h"
#include "common/refusal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    try {
        const auto request = ParseCommandLine(line);
        if (!request) return 0;
        if (request->operation < 0 || request->operation > 15 || request->operation == 4) {
            std::abort();
        }
        if (request->pszText.size() > 19) std::abort();
        for (int n : {request->nParam1, request->nParam2, request->nParam3, request->nParam4,
                      request->nParam5}) {
            if (n < 0) std::abort();
        }
        if (request->param5Given && request->operation != 10) std::abort();
    } catch (const Refusal&) {
    }
    return 0;
}
