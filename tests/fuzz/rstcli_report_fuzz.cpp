// libFuzzer entry for the rstcli report parser. Built and run by
//   scripts/fuzz.sh [SECONDS] rstcli_report_fuzz
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "irst/rstcli_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the release family: full identifiers or port numbers.
    const int release = (data[0] & 1) ? 157 : 148;
    irst::RstState rst;
    disks::DiskState disks;
    disks.DiskCount = 1;
    disks.DiskTable[0].serial = "serial";
    irst::ParseReportText(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1),
                          release, rst, disks);
    return 0;
}
