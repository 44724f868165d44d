// The Windows release code, the 64-bit tests and the processor vendor.
#pragma once

#include <cstdint>

struct RunContext;

// Computes the release code; false when the version record cannot be had, the platform is
// unknown, or the registry test's key cannot be opened (code 0 then, or untouched on the first).
bool DetectWindowsRelease(RunContext& ctx, std::uint8_t* code);
// TRUE when "<Windows>\SysWow64\*.*" finds an entry: the program's test for 64-bit Windows.
bool HasSysWow64(RunContext& ctx);
// IsWow64Process of the current process, FALSE when the API is absent.
bool IsWow64(RunContext& ctx);
// 1 "GenuineIntel", 2 "AuthenticAMD", 0 any other.
int GetCpuVendor(RunContext& ctx);
