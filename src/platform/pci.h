// PCI configuration space through the board maker's port-I/O library (configuration mechanism
// #1: the address dword written to port 0CF8h, the data read from port 0CFCh), the bus scan that
// finds the SATA controller's class mode, CPUID, and the chipset and processor recognition sets
// that the disk-mode report uses.
//
// Identifiers are whole dwords as register 0 of a function holds them: device identifier in the
// high 16 bits, vendor identifier in the low 16 bits (8086h for Intel), e.g. 8C508086h.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "os/os.h"
#include "outside/port_io.h"

struct RunContext;

namespace platform {

// ---------------------------------------------------------------------------------------------
// Configuration space.

inline constexpr std::uint32_t kPciConfigAddressPort = 0x0CF8;
inline constexpr std::uint32_t kPciConfigDataPort = 0x0CFC;
// What a read yields where no function answers (and when the library cannot do the read).
inline constexpr std::uint32_t kPciNoFunction = 0xFFFFFFFFu;

// The mechanism #1 address: bit 31 (enable), bus in bits 16-23, device in 11-15, function in
// 8-10, register offset in 0-7. Device and function are cut to their 5 and 3 bits.
std::uint32_t PciConfigAddress(std::uint8_t bus, std::uint8_t device, std::uint8_t function,
                               std::uint8_t reg);

// Writes the address to port 0CF8h with mv_outpd, then reads port 0CFCh + (reg AND 3) with
// mv_inpd. When either entry point is missing no call is made and the result is FFFFFFFFh.
std::uint32_t PciConfigRead(const outside::PortIoEntryPoints& portIo, std::uint8_t bus,
                            std::uint8_t device, std::uint8_t function, std::uint8_t reg);
// The same through the library the dispatcher loaded for the run (ctx.portIo).
std::uint32_t PciConfigRead(RunContext& ctx, std::uint8_t bus, std::uint8_t device,
                            std::uint8_t function, std::uint8_t reg);

// Register 0 of bus 0, device 31, function 0: the chipset's LPC bridge identifier.
std::uint32_t ReadChipsetId(RunContext& ctx);
// Register 0 of bus 0, device 31, function 2: the chipset's SATA function identifier.
std::uint32_t ReadSataFunctionId(RunContext& ctx);

// CPUID with EAX = leaf and ECX = 0.
os::CpuidRegisters ReadCpuid(RunContext& ctx, std::uint32_t leaf);

// ---------------------------------------------------------------------------------------------
// Class codes and the controller scan.

struct PciClassName {
    std::uint32_t classCode;  // base class << 16 | subclass << 8 | programming interface
    const char* name;
};

// The class-name table: 97 rows in ascending class-code order. Some names stand on rows whose
// codes differ only in the programming interface.
extern const std::array<PciClassName, 97> PciClassNames;

// The name of a 24-bit class code: the first row whose code shifted right by one bit equals the
// class code shifted right by one bit (so the lowest bit of the programming interface does not
// count), or "Unknow" when no row matches.
std::string_view LookUpPciClassName(std::uint32_t classCode);

inline constexpr std::string_view kUnknownClassName = "Unknow";
// Scan results.
inline constexpr std::string_view kIdeControllerName = "IDE Controller";
inline constexpr std::string_view kAhciControllerName = "AHCI Controller";
inline constexpr std::string_view kRaidControllerName = "RAID Controller";
inline constexpr std::string_view kNoControllerName = "0";

// Visits bus 0-255, device 0-31, function 0-7 in that order and returns the name of the first
// function whose class name is "IDE Controller", "AHCI Controller" or "RAID Controller" (class
// codes 010100h/010101h, 010400h/010401h, 010600h/010601h), or "0" when none is. A register 0
// reading of FFFFFFFFh or 0 means no function. Reads through the given entry points; without
// mv_outpd or mv_inpd nothing is read and the result is "0".
std::string ScanForSataController(RunContext& ctx, const outside::PortIoEntryPoints& portIo);

// The whole controller scan: makes the program's directory the current directory, enables the
// shutdown privilege, pins the thread to processor 0, loads a second reference to "qvx.dll" and
// scans; in every case it then releases that reference, gives the thread back its affinity mask
// and disables the shutdown privilege again. Returns the scan result ("0" also when the library
// cannot be loaded).
std::string DetectSataController(RunContext& ctx);

// The report's reading of a scan result. The value is the PCI subclass of the mode.
enum class ControllerKind : std::uint8_t { None = 0, Ide = 1, Raid = 4, Ahci = 6 };

// "IDE Controller", "AHCI Controller", "RAID Controller" in any letter case give their kind;
// any other text gives None.
ControllerKind KindOfController(std::string_view scanResult);

// ---------------------------------------------------------------------------------------------
// Chipset recognition sets (ChipsetId values as ReadChipsetId returns them).

// B85: the report's B_Chip element; an allowed RAID mode is reported as -1 on it.
inline constexpr std::array<std::uint32_t, 1> BChipIds = {0x8C508086u};
// The report's H_Chip element.
inline constexpr std::array<std::uint32_t, 1> HChipIds = {0x8C5C8086u};
// The report's S_Chip element.
inline constexpr std::array<std::uint32_t, 2> SChipIds = {0xA2C88086u, 0xA2C48086u};
// X99: the report's X99 element.
inline constexpr std::array<std::uint32_t, 1> X99ChipIds = {0x8D478086u};
// Chipsets for which the report skips its early RAID test.
inline constexpr std::array<std::uint32_t, 16> ListedChipIds = {
    0x8CC48086u, 0x8CC68086u, 0x1C448086u, 0x1E478086u, 0x1E488086u, 0x1E448086u,
    0x1E468086u, 0x1E4A8086u, 0x1E418086u, 0x1E498086u, 0x1E538086u, 0x8C448086u,
    0x8C4A8086u, 0x8C508086u, 0x8C4E8086u, 0x1D4E8086u};
// SATA function identifiers (ReadSataFunctionId) of the report's early RAID test.
inline constexpr std::array<std::uint32_t, 2> SataRaidIds = {0x28228086u, 0x28268086u};

// Processor signatures of the report's X79 marking: CPUID leaf 1 EAX shifted right by 4 (the
// stepping dropped), i.e. family 6 model 2Dh and family 6 model 3Eh. The early RAID test compares
// the whole shifted value; the X79 element compares only its low 16 bits (bits 4-19 of EAX).
inline constexpr std::array<std::uint32_t, 2> X79Signature = {0x206Du, 0x306Eu};

// Whether an identifier is a member of one of the sets above.
template <std::size_t N>
constexpr bool IsMember(const std::array<std::uint32_t, N>& set, std::uint32_t id) {
    return std::find(set.begin(), set.end(), id) != set.end();
}

}  // namespace platform
