// Identification of the physical drives 0 to 49: the descriptor pass and the IDENTIFY pass.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RunContext;

// Fills DescriptorTable and DiskTable (DiskCount and SsdCount are expected to be 0 on entry).
void IdentifyDrives(RunContext& ctx);
