// The disk inventory scan of operation 0.
#pragma once

struct RunContext;

// Identifies the drives, maps drive letters, marks the Windows disk, runs the IRST report and the
// diskpart listing, and decides SystemDiskGpt.
void ScanDisks(RunContext& ctx);
