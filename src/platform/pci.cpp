#include "platform/pci.h"

#include <cstdio>

#include "app/launcher.h"
#include "app/run_context.h"
#include "common/text.h"

namespace platform {

const std::array<PciClassName, 97> PciClassNames = {{
    {0x010000U, "SCSI Controller"},
    {0x010100U, "IDE Controller"},
    {0x010200U, "Floppy Disk Controller"},
    {0x010300U, "IPI Controller"},
    {0x010400U, "RAID Controller"},
    {0x010600U, "AHCI Controller"},
    {0x018000U, "Other Mass Storage Controller"},
    {0x020000U, "Ethernet Controller"},
    {0x020100U, "Token Ring Controller"},
    {0x020200U, "FDDI Controller"},
    {0x020300U, "ATM Controller"},
    {0x028000U, "Other Network Controller"},
    {0x030000U, "VGA-compatible Controller"},
    {0x030001U, "VGA-compatible Controller"},
    {0x030100U, "XGA Controller"},
    {0x030200U, "3D Controller"},
    {0x038000U, "Other Display Controller"},
    {0x040000U, "Video Device"},
    {0x040100U, "Audio Device"},
    {0x040300U, "HD Audio Device"},
    {0x048000U, "Other Multimedia Device"},
    {0x050000U, "RAM"},
    {0x050100U, "Flash"},
    {0x058000U, "Other Memory Controller"},
    {0x060000U, "Host Bridge"},
    {0x060100U, "ISA Bridge"},
    {0x060200U, "EISA Bridge"},
    {0x060300U, "MCA Bridge"},
    {0x060400U, "PCI-to-PCI Bridge"},
    {0x060401U, "Subtractive Decode P2P Bridge"},
    {0x060500U, "PCMCIA Bridge"},
    {0x060600U, "NuBus Bridge"},
    {0x060700U, "CardBus Bridge"},
    {0x060800U, "RACEway Bridge"},
    {0x060900U, "Semi-trans PCI-to-PCI Bridge"},
    {0x060A00U, "InfiniBand-to-PCI host Bridge"},
    {0x068000U, "Other Bridge"},
    {0x070000U, "Serial Device"},
    {0x070001U, "Serial Device"},
    {0x070002U, "Serial Device"},
    {0x070003U, "Serial Device"},
    {0x070004U, "Serial Device"},
    {0x070100U, "Parallel Device"},
    {0x070101U, "Parallel Device"},
    {0x070102U, "Parallel Device"},
    {0x070200U, "Multiport Serial Device"},
    {0x070300U, "Modem Device"},
    {0x070301U, "Modem Device"},
    {0x070302U, "Modem Device"},
    {0x070303U, "Modem Device"},
    {0x070304U, "Modem Device"},
    {0x070400U, "GPIB Controller"},
    {0x078000U, "Other Communications Device"},
    {0x080000U, "8259 PIC"},
    {0x080001U, "ISA PIC"},
    {0x080002U, "EISA PIC"},
    {0x080010U, "I/O APIC"},
    {0x080100U, "8237 DMA"},
    {0x080101U, "ISA DMA"},
    {0x080102U, "EISA DMA"},
    {0x080200U, "8254 System Timer"},
    {0x080201U, "ISA System Timer"},
    {0x080202U, "EISA System Timer"},
    {0x080300U, "RTC Controller"},
    {0x080301U, "ISA RTC Controller"},
    {0x080400U, "Hot-Plug Device"},
    {0x088000U, "Other System Peripheral"},
    {0x090000U, "Keyboard Controller"},
    {0x090100U, "Digitizer"},
    {0x090200U, "Mouse Controller"},
    {0x090300U, "Scanner Controller"},
    {0x090400U, "Game Port Controller"},
    {0x090410U, "Game Port Controller"},
    {0x098000U, "Other Input Controller"},
    {0x0A0000U, "Docking Station"},
    {0x0C0000U, "IEEE 1394"},
    {0x0C0010U, "IEEE 1394"},
    {0x0C0100U, "ACCESS Bus"},
    {0x0C0200U, "SSA"},
    {0x0C0300U, "UHCI USB Controller"},
    {0x0C0310U, "OHCI USB Controller"},
    {0x0C0320U, "USB 2.0 Host Controller"},
    {0x0C0330U, "USB 3.0 Host Controller"},
    {0x0C0380U, "USB Controller"},
    {0x0C0400U, "Fibre Channel"},
    {0x0C0500U, "SMBus"},
    {0x0D0000U, "iRDA Controller"},
    {0x0D0100U, "Consumer IR Controller"},
    {0x0D1000U, "RF Controller"},
    {0x0D8000U, "Other Wireless Device"},
    {0x0F0100U, "TV"},
    {0x0F0200U, "Audio"},
    {0x0F0300U, "Voice"},
    {0x0F0400U, "Data"},
    {0x100000U, "Network & Computing"},
    {0x101000U, "Entertainment"},
    {0x110000U, "DPIO modules"},
}};

std::uint32_t PciConfigAddress(std::uint8_t bus, std::uint8_t device, std::uint8_t function,
                               std::uint8_t reg) {
    return 0x80000000u | (std::uint32_t{bus} << 16) | (std::uint32_t{device & 0x1Fu} << 11) |
           (std::uint32_t{function & 0x07u} << 8) | std::uint32_t{reg};
}

std::uint32_t PciConfigRead(const outside::PortIoEntryPoints& portIo, std::uint8_t bus,
                            std::uint8_t device, std::uint8_t function, std::uint8_t reg) {
    if (!portIo.CanReadConfigSpace()) return kPciNoFunction;
    portIo.mv_outpd(kPciConfigAddressPort, PciConfigAddress(bus, device, function, reg));
    return portIo.mv_inpd(kPciConfigDataPort + (reg & 3u));
}

std::uint32_t PciConfigRead(RunContext& ctx, std::uint8_t bus, std::uint8_t device,
                            std::uint8_t function, std::uint8_t reg) {
    return PciConfigRead(ctx.portIo, bus, device, function, reg);
}

std::uint32_t ReadChipsetId(RunContext& ctx) {
    return PciConfigRead(ctx, 0, 31, 0, 0);
}

std::uint32_t ReadSataFunctionId(RunContext& ctx) {
    return PciConfigRead(ctx, 0, 31, 2, 0);
}

os::CpuidRegisters ReadCpuid(RunContext& ctx, std::uint32_t leaf) {
    return ctx.os.processor.Cpuid(leaf);
}

std::string_view LookUpPciClassName(std::uint32_t classCode) {
    for (const PciClassName& row : PciClassNames) {
        if ((row.classCode >> 1) == (classCode >> 1)) return row.name;
    }
    return kUnknownClassName;
}

namespace {

std::string Hex(std::uint32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, static_cast<unsigned>(value));
    return buffer;
}

bool IsModeControllerName(std::string_view name) {
    return text::EqualsNoCase(name, kIdeControllerName) ||
           text::EqualsNoCase(name, kAhciControllerName) ||
           text::EqualsNoCase(name, kRaidControllerName);
}

}  // namespace

std::string ScanForSataController(RunContext& ctx, const outside::PortIoEntryPoints& portIo) {
    if (!portIo.CanReadConfigSpace()) {
        ctx.log.Write("PCI scan: mv_outpd or mv_inpd missing in qvx.dll, no controller read");
        return std::string(kNoControllerName);
    }
    for (unsigned bus = 0; bus < 256; ++bus) {
        for (unsigned device = 0; device < 32; ++device) {
            for (unsigned function = 0; function < 8; ++function) {
                const auto b = static_cast<std::uint8_t>(bus);
                const auto d = static_cast<std::uint8_t>(device);
                const auto f = static_cast<std::uint8_t>(function);
                const std::uint32_t id = PciConfigRead(portIo, b, d, f, 0);
                if (id == kPciNoFunction || id == 0) continue;
                const std::uint32_t classCode = PciConfigRead(portIo, b, d, f, 8) >> 8;
                const std::string_view name = LookUpPciClassName(classCode);
                if (IsModeControllerName(name)) {
                    ctx.log.Write("PCI scan: " + std::string(name) + " at bus " +
                                  text::Decimal(bus) + " device " + text::Decimal(device) +
                                  " function " + text::Decimal(function) + " (id " + Hex(id, 8) +
                                  "h, class " + Hex(classCode, 6) + "h)");
                    return std::string(name);
                }
            }
        }
    }
    ctx.log.Write("PCI scan: no IDE, AHCI or RAID class controller found");
    return std::string(kNoControllerName);
}

namespace {

// Holds what the scan changes and gives it back when the scan ends, however it ends.
class ScanSetup {
  public:
    explicit ScanSetup(RunContext& ctx) : ctx_(ctx) {
        EnableShutdownPrivilege(ctx_, true);
        previousAffinity_ = ctx_.os.processor.SetThreadAffinity(1);
        library_ = outside::LoadPortIo(ctx_.os.libraries, &portIo_);
    }
    ~ScanSetup() {
        if (library_ != 0) ctx_.os.libraries.Free(library_);
        // A mask of 0 means pinning failed, so the thread still has its own mask.
        if (previousAffinity_ != 0) ctx_.os.processor.SetThreadAffinity(previousAffinity_);
        EnableShutdownPrivilege(ctx_, false);
    }
    ScanSetup(const ScanSetup&) = delete;
    ScanSetup& operator=(const ScanSetup&) = delete;

    bool Loaded() const { return library_ != 0; }
    const outside::PortIoEntryPoints& PortIo() const { return portIo_; }

  private:
    RunContext& ctx_;
    std::uintptr_t previousAffinity_ = 0;
    os::LibraryHandle library_ = 0;
    outside::PortIoEntryPoints portIo_;
};

}  // namespace

std::string DetectSataController(RunContext& ctx) {
    const std::string program = ctx.os.files.ModuleFileName();
    const std::size_t slash = program.rfind('\\');
    if (slash != std::string::npos) ctx.os.files.SetCurrentDirectory(program.substr(0, slash + 1));

    ScanSetup setup(ctx);
    if (!setup.Loaded()) {
        ctx.log.Write(std::string("PCI scan: ") + outside::kPortIoLibrary +
                      " cannot be loaded, no controller read");
        return std::string(kNoControllerName);
    }
    return ScanForSataController(ctx, setup.PortIo());
}

ControllerKind KindOfController(std::string_view scanResult) {
    if (text::EqualsNoCase(scanResult, kIdeControllerName)) return ControllerKind::Ide;
    if (text::EqualsNoCase(scanResult, kAhciControllerName)) return ControllerKind::Ahci;
    if (text::EqualsNoCase(scanResult, kRaidControllerName)) return ControllerKind::Raid;
    return ControllerKind::None;
}

}  // namespace platform
