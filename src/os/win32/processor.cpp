#include "os/win32/win32_api.h"

#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif

#include "os/win32/parts.h"

namespace os::win32 {

// CPUID with EAX = leaf and ECX = 0 (sub-leaf 0).
CpuidRegisters Win32Processor::Cpuid(std::uint32_t leaf) {
    CpuidRegisters registers;
#if defined(_MSC_VER)
    int values[4] = {};
    __cpuidex(values, static_cast<int>(leaf), 0);
    registers.eax = static_cast<std::uint32_t>(values[0]);
    registers.ebx = static_cast<std::uint32_t>(values[1]);
    registers.ecx = static_cast<std::uint32_t>(values[2]);
    registers.edx = static_cast<std::uint32_t>(values[3]);
#else
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, 0, a, b, c, d);
    registers.eax = a;
    registers.ebx = b;
    registers.ecx = c;
    registers.edx = d;
#endif
    return registers;
}

std::uintptr_t Win32Processor::SetThreadAffinity(std::uintptr_t mask) {
    return SetThreadAffinityMask(GetCurrentThread(), mask);
}

}  // namespace os::win32
