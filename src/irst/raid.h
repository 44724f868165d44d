// RAID 0 and RAID 1 volume creation through rstcli's create mode (operations 11, 12 and 15).
#pragma once

#include <string>
#include <string_view>

struct RunContext;

// Every volume created here receives this name; the report recognises it later.
inline constexpr std::string_view kNewVolumeName = "VolumeWithData";

// The argument that lists the disks holds at most this many characters.
inline constexpr std::size_t kRaidArgumentLimit = 19;

// The create command that follows the tool path (it begins with a blank), for RAID level 0 or 1,
// the IRST release code and the argument that lists the disks:
// - full-id releases (155, 157): first disk id, "_", one more character, then the further disk ids
//   separated by "," (RAID 0); for RAID 1 the second disk id is the text after "_" up to the first
//   ",";
// - other releases: port, separator, form, then for RAID 0 any number of further
//   "separator port separator form" groups, for RAID 1 a separator and the second port (the text up
//   to the first "," or the end). Ports and forms are digit runs; forms count for release 152 only.
// Raises Refusal when the argument ends before its grammar is complete, a release-152 form is not
// 1, 2 or 3, a RAID 1 request names no second disk, or a disk id would not reach rstcli as one
// word.
std::string BuildRaidCreateCommand(int raidLevel, int release, std::string_view argument);

// Deploys rstcli to the Windows directory and starts the create command there. Returns once rstcli
// has been started. Raises Refusal (before anything is written or started) for a bad argument.
void CreateRaidVolume(RunContext& ctx, int raidLevel, const std::string& argument);
