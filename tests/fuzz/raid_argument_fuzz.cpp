// Fuzz target for the RAID argument and the acceleration volume name: any bytes are either
// refused or give a command in which every disk id and the volume name reach rstcli as single
// words, with no double quote or control character anywhere.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/refusal.h"
#include "irst/acceleration.h"
#include "irst/raid.h"

namespace {

std::vector<std::string> Words(const std::string& command) {
    std::istringstream in(command);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

void RequireClean(const std::string& command) {
    for (char c : command) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const int kReleases[] = {0, 136, 148, 152, 155, 157};
    const int release = kReleases[data[0] % 6];
    const int level = (data[0] / 6) % 2;
    const std::string_view argument(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        const std::string command = BuildRaidCreateCommand(level, release, argument);
        RequireClean(command);
        if (command.find('"') != std::string::npos) std::abort();
        const std::vector<std::string> words = Words(command);
        // -C -l <level> -E <first disk> -n VolumeWithData [further disks]
        if (words.size() < 7 || words[5] != "-n" || words[6] != "VolumeWithData") std::abort();
        if (level == 1 && words.size() != 8) std::abort();
    } catch (const Refusal&) {
    }
    try {
        const std::string name = VolumeNameArgument(argument);
        RequireClean(name);
        // One word: either without a blank, or quoted with no quote inside.
        if (name.find(' ') != std::string::npos &&
            (name.front() != '"' || name.back() != '"' || name.find('"', 1) != name.size() - 1)) {
            std::abort();
        }
    } catch (const Refusal&) {
    }
    return 0;
}
