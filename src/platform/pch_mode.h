// The PCH SATA mode kept by the firmware, read and switched through the board maker's PCH-mode
// library "zorm.dll". The new mode takes effect at the next start of the machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

struct RunContext;

namespace platform {

enum class PchModeStatus : std::uint8_t {
    Ok,
    LibraryMissing,  // the library cannot be loaded
    ExportMissing,   // one or more of the five entry points is missing
    InitFailed,      // Initial returned non-zero
    NoModeList,      // the mode list is empty
};

enum class PchMode : std::uint8_t { None, Ide, Ahci, Raid };

struct PchModeReading {
    PchModeStatus status = PchModeStatus::LibraryMissing;
    // Meaningful only when status is Ok.
    bool ideAllowed = false;
    bool ahciAllowed = false;
    bool raidAllowed = false;
    PchMode current = PchMode::None;
};

// Loads the library, resolves its entry points, calls Initial, GetAllMode (64 bytes) and, when
// the list is not empty, GetPchMode (32 bytes). A mode is allowed when the upper-cased list
// contains its name; the current mode is searched in the current-mode text as it stands (letter
// case counts), in the order IDE, RAID, AHCI, and the first match decides.
PchModeReading ReadPchModes(RunContext& ctx);

// The mode an operation asks for: operation 1 passes Ide, 2 Ahci, 3 Raid.
enum class PchModeRequest : int { Ide = 0, Ahci = 1, Raid = 2 };

// The zero-based position of each mode in a mode list; nullopt where it is undetermined.
struct PchModePositions {
    std::optional<int> ide;
    std::optional<int> ahci;
    std::optional<int> raid;

    std::optional<int> Of(PchModeRequest request) const;
};

// Works out the positions from two letters compared exactly: the list's first character, and
// the character just after the separator (the first ":" of the list). The first letter alone
// fixes position 0 for its own mode ("I" IDE, "A" AHCI, any other RAID):
//
//   first  second | IDE AHCI RAID
//   "I"    "R"    |  0   2    1
//   "I"    "A"    |  0   1    2
//   "A"    "R"    |  2   0    1
//   "A"    "I"    |  1   0    2
//   other  "I"    |  1   2    0
//   other  "A"    |  2   1    0
//
// The other two positions are undetermined when the list has no separator or the second letter
// is not one the first letter's rows expect. Only the text before the first NUL counts.
PchModePositions PchModePositionsOf(std::string_view modeList);

// Selects the requested mode in the firmware: Initial (result not examined), GetAllMode,
// GetPchMode, SetPchMode(position), SaveToBios. SetPchMode and SaveToBios are called only when
// the requested mode's position is determined and the list's entry at that position names that
// mode; nothing is called when the library or one of its entry points is missing. The log says
// what was selected or why nothing was. The caller goes on with its own work in every case.
void SwitchPchMode(RunContext& ctx, PchModeRequest request);

}  // namespace platform
