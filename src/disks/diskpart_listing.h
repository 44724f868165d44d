// Partition style and free space of each disk from a diskpart "list disk" run.
#pragma once

struct RunContext;

// Runs the diskpart listing, fills PartitionStyleTable, the empty/blank flags and the free-space
// texts, then counts the physical drives 0 to 15 that open.
void ReadPartitionStyles(RunContext& ctx);
