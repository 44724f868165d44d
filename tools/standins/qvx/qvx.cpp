// Stand-in for the board maker's port-I/O library "qvx.dll". It answers PCI configuration
// mechanism #1: a dword written to port 0CF8h selects bus, device, function and register, and a
// read of port 0CFCh (+0..3) returns that register of the function, or FFFFFFFFh where no
// function is. Other ports read as FFFFFFFFh and ignore writes.
//
// The functions come from "qvx_pci.txt" beside the library, one per line:
//     <bus> <device> <function> <vendor-device dword, hex> <class code, hex>
// e.g. "0 31 2 8C028086 010601"; blank lines and lines starting with '#' are skipped. Without
// the file the board is an Intel B85: LPC bridge 8C508086h (class 060100h) at 0:31.0 and an
// AHCI SATA controller 8C028086h (class 010601h) at 0:31.2.
//
// Register 0 holds the identifier, register 8 the class code in its high 24 bits with revision
// 04h in the low byte; other registers read as 0.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "standin.h"

namespace {

struct PciFunction {
    std::uint32_t address;  // bus << 16 | device << 11 | function << 8, enable bit set
    std::uint32_t id;
    std::uint32_t classCode;
};

HMODULE g_module = nullptr;
bool g_loaded = false;
std::vector<PciFunction> g_functions;
std::uint32_t g_address = 0;

std::uint32_t AddressOf(unsigned bus, unsigned device, unsigned function) {
    return 0x80000000u | (bus & 0xFFu) << 16 | (device & 0x1Fu) << 11 | (function & 0x7u) << 8;
}

std::string BesideLibrary(const char* name) {
    return standin::BesideModule(g_module, name);
}

void LoadTable() {
    if (g_loaded) return;
    g_loaded = true;
    FILE* file = std::fopen(BesideLibrary("qvx_pci.txt").c_str(), "r");
    if (file == nullptr) {
        g_functions = {{AddressOf(0, 31, 0), 0x8C508086u, 0x060100u},
                       {AddressOf(0, 31, 2), 0x8C028086u, 0x010601u}};
        return;
    }
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        unsigned bus = 0, device = 0, function = 0, id = 0, classCode = 0;
        if (line[0] == '#') continue;
        if (std::sscanf(line, "%u %u %u %x %x", &bus, &device, &function, &id, &classCode) != 5)
            continue;
        g_functions.push_back({AddressOf(bus, device, function), id, classCode & 0xFFFFFFu});
    }
    std::fclose(file);
}

std::uint32_t ReadData(std::uint32_t port) {
    if (port < 0xCFC || port > 0xCFF || (g_address & 0x80000000u) == 0) return 0xFFFFFFFFu;
    LoadTable();
    for (const PciFunction& f : g_functions) {
        if (f.address != (g_address & 0xFFFFFF00u)) continue;
        std::uint32_t value = 0;
        switch (g_address & 0xFCu) {
            case 0x00:
                value = f.id;
                break;
            case 0x08:
                value = f.classCode << 8 | 0x04u;
                break;
            default:
                value = 0;
                break;
        }
        return value >> (8 * (port - 0xCFC));
    }
    return 0xFFFFFFFFu;
}

void Write(std::uint32_t port, std::uint32_t value) {
    if (port == 0xCF8) g_address = value;
}

}  // namespace

extern "C" {

__declspec(dllexport) void __cdecl mv_outp(std::uint32_t port, std::uint32_t value) {
    (void)port;
    (void)value;  // byte writes never select a configuration address
}
__declspec(dllexport) void __cdecl mv_outpw(std::uint32_t port, std::uint32_t value) {
    (void)port;
    (void)value;
}
__declspec(dllexport) void __cdecl mv_outpd(std::uint32_t port, std::uint32_t value) {
    Write(port, value);
}
__declspec(dllexport) std::uint32_t __cdecl mv_inp(std::uint32_t port) {
    return ReadData(port) & 0xFFu;
}
__declspec(dllexport) std::uint32_t __cdecl mv_inpw(std::uint32_t port) {
    return ReadData(port) & 0xFFFFu;
}
__declspec(dllexport) std::uint32_t __cdecl mv_inpd(std::uint32_t port) {
    return ReadData(port);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

}  // extern "C"
