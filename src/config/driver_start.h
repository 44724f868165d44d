// Storage-driver start values: after a controller-mode switch Windows must load the driver for
// the new mode at the next boot, or it cannot find its boot disk. These routines rewrite the
// "Start" values under HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services by Windows release
// (ctx.g_nOSCode) and, on Windows 8.1 and 10, delete the "StartOverride" keys so that "Start"
// alone decides. Codes outside Vista (18, 19), 7 (20, 21), 8.1 (22, 23) and 10 (32, 33) write
// nothing.
//
// A driver key that cannot be opened ends the routine: nothing later is written or deleted. A
// failed write or deletion is ignored. Each returns 1 when it wrote everything it meant to or had
// nothing to write, 0 when an open failed; the two modern routines always return 0.
#pragma once

struct RunContext;

inline constexpr const char* kServicesKeyPath = "SYSTEM\\CurrentControlSet\\Services\\";

// Operation 1. Windows 7: "iaStorV" (else "iaStor") Start 3. Vista: the same with 4.
int ConfigureDriversIde(RunContext& ctx);
// Operation 2. Windows 7: "iaStorV" (else "iaStor") Start 3, then "msahci" Start 0.
// Vista: "iaStorV" (else "iaStor") Start 4, then "msahci" Start 0.
int ConfigureDriversAhci(RunContext& ctx);
// Operation 3. Windows 7: "iaStorV" (else "iaStor") Start 0, then "msahci" Start 3.
// Vista: "iaStorV" (else "iaStor") Start 0, then "msahci" Start 4.
int ConfigureDriversRaid(RunContext& ctx);

// Windows 8.1 and 10, IDE and RAID: "storahci" 3, "iAStorDataMgrSvc" 3, "atapi" 3, then the
// "StartOverride" keys of "iaStorAV", "iaStorV", "storahci", "iaStorSV", "pciide", "atapi" are
// deleted. Keys are opened in the 64-bit view on codes 23 and 33.
int ConfigureModernDriversOff(RunContext& ctx);
// Windows 8.1 and 10, AHCI: "storahci" 0, "iAStorDataMgrSvc" 3, "atapi" 0, then the same
// deletions.
int ConfigureModernDriversAhci(RunContext& ctx);
