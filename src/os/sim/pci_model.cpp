// The board maker's port-I/O library "qvx.dll" on the simulated PC: PCI configuration mechanism
// #1 over the functions of the machine description's "pci" section,
//     "pci": [ {"bus": 0, "device": 31, "function": 2, "id": "0x8C028086", "class": "0x010601"} ]
// A dword written to port 0CF8h selects bus, device, function and register; a read of port
// 0CFCh (+0..3) returns register 0 (the identifier) or register 8 (class code << 8, revision 04h)
// of the selected function, 0 for other registers, and FFFFFFFFh where no function is. Every read
// that reaches a present function is journaled as "pci.read", e.g. "0:31.2 reg 8 = 01060104".
#include <cstdio>
#include <map>

#include "os/sim/core.h"
#include "os/sim/models.h"

namespace sim {

namespace {

struct PciFunction {
    std::uint32_t id = 0;
    std::uint32_t classCode = 0;
};

struct PciState {
    bool loaded = false;
    std::map<std::uint32_t, PciFunction> functions;  // by address with register 0, enable bit set
    std::uint32_t address = 0;
};

std::uint32_t FunctionAddress(std::uint64_t bus, std::uint64_t device, std::uint64_t function) {
    return 0x80000000u | static_cast<std::uint32_t>((bus & 0xFF) << 16 | (device & 0x1F) << 11 |
                                                    (function & 0x7) << 8);
}

PciState& State() {
    Core& core = *ActiveCore();
    PciState& state = core.State<PciState>();
    if (!state.loaded) {
        state.loaded = true;
        const Json& pci = core.Section("pci");
        if (pci.is_array()) {
            for (const Json& f : pci) {
                if (!f.is_object()) continue;
                PciFunction function;
                function.id = static_cast<std::uint32_t>(JsonNumber(f.value("id", Json()), 0));
                function.classCode =
                    static_cast<std::uint32_t>(JsonNumber(f.value("class", Json()), 0) & 0xFFFFFF);
                state.functions[FunctionAddress(
                    JsonNumber(f.value("bus", Json()), 0), JsonNumber(f.value("device", Json()), 0),
                    JsonNumber(f.value("function", Json()), 0))] = function;
            }
        }
    }
    return state;
}

std::uint32_t ReadData(std::uint32_t port) {
    PciState& state = State();
    if (port < 0xCFC || port > 0xCFF || (state.address & 0x80000000u) == 0) return 0xFFFFFFFFu;
    auto it = state.functions.find(state.address & 0xFFFFFF00u);
    if (it == state.functions.end()) return 0xFFFFFFFFu;
    const std::uint32_t reg = state.address & 0xFCu;
    std::uint32_t value = 0;
    if (reg == 0x00) value = it->second.id;
    if (reg == 0x08) value = it->second.classCode << 8 | 0x04u;
    value >>= 8 * (port - 0xCFC);
    char detail[64];
    std::snprintf(detail, sizeof detail, "%u:%u.%u reg %u = %08X",
                  static_cast<unsigned>(state.address >> 16 & 0xFF),
                  static_cast<unsigned>(state.address >> 11 & 0x1F),
                  static_cast<unsigned>(state.address >> 8 & 0x7),
                  static_cast<unsigned>(state.address & 0xFF), static_cast<unsigned>(value));
    ActiveCore()->Record("pci.read", detail);
    return value;
}

void OutIgnored(std::uint32_t, std::uint32_t) {}
void OutDword(std::uint32_t port, std::uint32_t value) {
    if (port == 0xCF8) State().address = value;
}
std::uint32_t InByte(std::uint32_t port) {
    return ReadData(port) & 0xFFu;
}
std::uint32_t InWord(std::uint32_t port) {
    return ReadData(port) & 0xFFFFu;
}
std::uint32_t InDword(std::uint32_t port) {
    return ReadData(port);
}

os::ProcAddress Entry(const std::string& name) {
    using Out = void (*)(std::uint32_t, std::uint32_t);
    using In = std::uint32_t (*)(std::uint32_t);
    if (name == "mv_outp" || name == "mv_outpw")
        return reinterpret_cast<os::ProcAddress>(static_cast<Out>(OutIgnored));
    if (name == "mv_outpd") return reinterpret_cast<os::ProcAddress>(static_cast<Out>(OutDword));
    if (name == "mv_inp") return reinterpret_cast<os::ProcAddress>(static_cast<In>(InByte));
    if (name == "mv_inpw") return reinterpret_cast<os::ProcAddress>(static_cast<In>(InWord));
    if (name == "mv_inpd") return reinterpret_cast<os::ProcAddress>(static_cast<In>(InDword));
    return nullptr;
}

}  // namespace

void RegisterPciModels(ModelRegistry& models) {
    models.AddLibrary("qvx.dll", Entry);
}

}  // namespace sim
