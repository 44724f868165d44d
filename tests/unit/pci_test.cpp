#include "platform/pci.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "probe_fake_os.h"

namespace {

using probe_test::Entry;
using probe_test::FakeMachine;

// A PCI bus answering configuration mechanism #1 through the two port entry points.
struct Function {
    int bus, device, function;
    std::uint32_t id;
    std::uint32_t classCode;  // 24 bits
};

struct FakeBus {
    std::map<std::uint32_t, Function> functions;  // by address with register 0
    std::uint32_t address = 0;
    std::vector<std::string> accesses;  // only recorded when tracing
    bool tracing = false;
};
FakeBus* g_bus = nullptr;

void FakeOutpd(std::uint32_t port, std::uint32_t value) {
    if (g_bus->tracing)
        g_bus->accesses.push_back("out " + std::to_string(port) + " " + std::to_string(value));
    if (port == 0xCF8) g_bus->address = value;
}

std::uint32_t FakeInpd(std::uint32_t port) {
    if (g_bus->tracing) g_bus->accesses.push_back("in " + std::to_string(port));
    if (port != 0xCFC || (g_bus->address & 0x80000000u) == 0) return 0xFFFFFFFFu;
    auto it = g_bus->functions.find(g_bus->address & 0xFFFFFF00u);
    if (it == g_bus->functions.end()) return 0xFFFFFFFFu;
    switch (g_bus->address & 0xFFu) {
        case 0:
            return it->second.id;
        case 8:
            return it->second.classCode << 8 | 0x05;  // revision 5
        default:
            return 0;
    }
}

std::uint32_t Unused(std::uint32_t) {
    return 0xDEADBEEFu;
}
void UnusedOut(std::uint32_t, std::uint32_t) {}

class PciTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_bus = &bus;
        machine.libraries.libraries["qvx.dll"] = {
            {"mv_outp", Entry(UnusedOut)},  {"mv_outpw", Entry(UnusedOut)},
            {"mv_outpd", Entry(FakeOutpd)}, {"mv_inp", Entry(Unused)},
            {"mv_inpw", Entry(Unused)},     {"mv_inpd", Entry(FakeInpd)}};
    }
    void TearDown() override { g_bus = nullptr; }

    void Add(const Function& f) {
        bus.functions[platform::PciConfigAddress(static_cast<std::uint8_t>(f.bus),
                                                 static_cast<std::uint8_t>(f.device),
                                                 static_cast<std::uint8_t>(f.function), 0)] = f;
    }

    FakeBus bus;
    FakeMachine machine;
};

TEST(PciClassNames, LookUpIgnoresOnlyTheLowestInterfaceBit) {
    struct Case {
        std::uint32_t classCode;
        const char* name;
    };
    const Case cases[] = {
        {0x010601, "AHCI Controller"},  // SATA, AHCI interface
        {0x010600, "AHCI Controller"},
        {0x010100, "IDE Controller"},
        {0x010101, "IDE Controller"},
        {0x01018F, "Unknow"},  // IDE in native bus-master form
        {0x01018A, "Unknow"},
        {0x010400, "RAID Controller"},
        {0x010401, "RAID Controller"},
        {0x010802, "Unknow"},  // NVMe
        {0x030001, "VGA-compatible Controller"},
        {0x060401, "PCI-to-PCI Bridge"},  // the earlier row of the pair decides
        {0x0C0330, "USB 3.0 Host Controller"},
        {0x0C0331, "USB 3.0 Host Controller"},
        {0x0C0332, "Unknow"},
        {0x090410, "Game Port Controller"},
        {0x110000, "DPIO modules"},
        {0x000000, "Unknow"},
        {0xFFFFFF, "Unknow"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::LookUpPciClassName(c.classCode), c.name) << std::hex << c.classCode;
    }
}

TEST(PciClassNames, RowsAscendFromScsiToDpio) {
    const auto& rows = platform::PciClassNames;
    EXPECT_EQ(rows.front().classCode, 0x010000u);
    EXPECT_STREQ(rows.front().name, "SCSI Controller");
    EXPECT_EQ(rows.back().classCode, 0x110000u);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_LT(rows[i - 1].classCode, rows[i].classCode) << "row " << i;
    }
}

TEST_F(PciTest, ConfigReadWritesTheAddressThenReadsTheDataPortOfTheRegister) {
    struct Case {
        std::uint8_t bus, device, function, reg;
        std::uint32_t address;
        std::uint32_t dataPort;
    };
    const Case cases[] = {
        {0, 31, 0, 0, 0x8000F800u, 0xCFC},  // the chipset's LPC bridge
        {0, 31, 2, 8, 0x8000FA08u, 0xCFC},   {255, 31, 7, 0, 0x80FFFF00u, 0xCFC},
        {1, 2, 3, 0x0A, 0x8001130Au, 0xCFE}, {0, 0, 0, 0x03, 0x80000003u, 0xCFF},
    };
    outside::PortIoEntryPoints portIo;
    portIo.mv_outpd = FakeOutpd;
    portIo.mv_inpd = FakeInpd;
    bus.tracing = true;
    for (const Case& c : cases) {
        bus.accesses.clear();
        platform::PciConfigRead(portIo, c.bus, c.device, c.function, c.reg);
        const std::vector<std::string> expected = {"out 3320 " + std::to_string(c.address),
                                                   "in " + std::to_string(c.dataPort)};
        EXPECT_EQ(bus.accesses, expected) << int(c.bus) << ":" << int(c.device) << "."
                                          << int(c.function) << " reg " << int(c.reg);
    }
}

TEST_F(PciTest, ConfigReadWithoutBothPortEntryPointsCallsNothingAndFindsNoFunction) {
    Add({0, 31, 0, 0x8C508086u, 0x060100});
    bus.tracing = true;
    outside::PortIoEntryPoints onlyOut;
    onlyOut.mv_outpd = FakeOutpd;
    outside::PortIoEntryPoints onlyIn;
    onlyIn.mv_inpd = FakeInpd;
    EXPECT_EQ(platform::PciConfigRead(onlyOut, 0, 31, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(platform::PciConfigRead(onlyIn, 0, 31, 0, 0), 0xFFFFFFFFu);
    EXPECT_TRUE(bus.accesses.empty());
}

TEST_F(PciTest, ChipsetAndSataIdentifiersComeFromDevice31) {
    Add({0, 31, 0, 0x8C508086u, 0x060100});
    Add({0, 31, 2, 0x8C028086u, 0x010601});
    outside::LoadPortIo(machine.libraries, &machine.ctx.portIo);
    EXPECT_EQ(platform::ReadChipsetId(machine.ctx), 0x8C508086u);
    EXPECT_EQ(platform::ReadSataFunctionId(machine.ctx), 0x8C028086u);
}

TEST_F(PciTest, ScanFindsTheFirstModeControllerInBusDeviceFunctionOrder) {
    struct Case {
        const char* what;
        std::vector<Function> functions;
        const char* expected;
    };
    const Case cases[] = {
        {"SATA AHCI",
         {{0, 0, 0, 0x0C008086u, 0x060000}, {0, 31, 2, 0x8C028086u, 0x010601}},
         "AHCI Controller"},
        {"unknown class before it",
         {{0, 1, 1, 0x12348086u, 0x01018F}, {0, 31, 2, 1, 0x010400}},
         "RAID Controller"},
        {"VGA only", {{0, 2, 0, 0x04128086u, 0x030001}}, "0"},
        {"NVMe only", {{0, 1, 0, 0xA8041B4Bu, 0x010802}, {3, 0, 0, 0x0953144Du, 0x010802}}, "0"},
        {"native IDE does not count", {{0, 31, 5, 0x8C098086u, 0x01018A}}, "0"},
        {"lower bus wins",
         {{1, 0, 0, 0x1, 0x010400}, {0, 31, 2, 0x2, 0x010601}},
         "AHCI Controller"},
        {"lower device wins",
         {{0, 5, 0, 0x1, 0x010400}, {0, 3, 7, 0x2, 0x010101}},
         "IDE Controller"},
        {"lower function wins",
         {{0, 31, 5, 0x1, 0x010100}, {0, 31, 2, 0x2, 0x010601}},
         "AHCI Controller"},
        {"identifier 0 is no function", {{0, 31, 2, 0x0, 0x010601}}, "0"},
        {"last number of all", {{255, 31, 7, 0x2, 0x010401}}, "RAID Controller"},
    };
    for (const Case& c : cases) {
        bus.functions.clear();
        for (const Function& f : c.functions) Add(f);
        EXPECT_EQ(platform::DetectSataController(machine.ctx), c.expected) << c.what;
    }
}

TEST_F(PciTest, ScanRestoresAffinityAndReleasesItsLibraryInEveryCase) {
    struct Case {
        const char* what;
        bool withLibrary;
        bool withController;
        const char* expected;
    };
    const Case cases[] = {
        {"controller found", true, true, "AHCI Controller"},
        {"nothing found", true, false, "0"},
        {"no library", false, false, "0"},
    };
    for (const Case& c : cases) {
        FakeMachine m;
        if (c.withLibrary)
            m.libraries.libraries["qvx.dll"] = machine.libraries.libraries["qvx.dll"];
        bus.functions.clear();
        if (c.withController) Add({0, 31, 2, 0x8C028086u, 0x010601});
        m.processor.affinity = 0xF0;

        EXPECT_EQ(platform::DetectSataController(m.ctx), c.expected) << c.what;

        EXPECT_EQ(m.processor.affinity, 0xF0u) << c.what;
        ASSERT_FALSE(m.processor.affinityHistory.empty()) << c.what;
        EXPECT_EQ(m.processor.affinityHistory.front(), 1u) << c.what;
        EXPECT_EQ(m.libraries.outstanding, 0) << c.what;
        EXPECT_EQ(m.files.currentDirectory, "C:\\VOLKIT\\") << c.what;
    }
}

TEST_F(PciTest, ScanLeavesTheDispatchersReferenceLoaded) {
    Add({0, 31, 2, 0x8C028086u, 0x010601});
    const os::LibraryHandle own = outside::LoadPortIo(machine.libraries, &machine.ctx.portIo);
    ASSERT_NE(own, 0u);
    EXPECT_EQ(platform::DetectSataController(machine.ctx), "AHCI Controller");
    EXPECT_EQ(machine.libraries.loaded.size(), 2u);
    EXPECT_EQ(machine.libraries.outstanding, 1);
    EXPECT_EQ(platform::ReadSataFunctionId(machine.ctx), 0x8C028086u);
}

TEST(KindOfController, ReadsTheThreeModeNamesInAnyCase) {
    struct Case {
        const char* text;
        platform::ControllerKind kind;
    };
    using K = platform::ControllerKind;
    const Case cases[] = {
        {"IDE Controller", K::Ide},
        {"AHCI Controller", K::Ahci},
        {"RAID Controller", K::Raid},
        {"raid controller", K::Raid},
        {"aHcI cOnTrOlLeR", K::Ahci},
        {"0", K::None},
        {"", K::None},
        {"RAID Controller ", K::None},
        {"Unknow", K::None},
        {"SCSI Controller", K::None},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::KindOfController(c.text), c.kind) << c.text;
    EXPECT_EQ(static_cast<int>(K::Ide), 1);
    EXPECT_EQ(static_cast<int>(K::Raid), 4);
    EXPECT_EQ(static_cast<int>(K::Ahci), 6);
}

}  // namespace
