// Operations 1, 2 and 3 on simulated 64-bit Windows 7 and Windows 10 machines:
// the position the PCH-mode library is asked to select, the save to the
// firmware, and every storage-driver registry change in order.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "support/scenario.h"

namespace {

const std::string kServices = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\";

// A machine: Windows 7 or 10 (64-bit), the two board libraries beside the
// program (zorm.dll with the given missing entry points, or absent), the mode
// list, and the driver keys present.
std::string Machine(bool windows10, const std::string& modes, const std::string& zorm,
                    const std::vector<std::string>& driverKeys) {
    std::string json = "{";
    if (windows10) {
        json += R"("windows": {"major": 6, "minor": 2, "build": 9200},)";
        json += R"("registry": {"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion": )"
                R"({"CurrentVersion": "6.3", "ProductName": "Windows 10 Pro"})";
    } else {
        json += R"("windows": {"major": 6, "minor": 1, "build": 7601},)";
        json += R"("registry": {"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion": )"
                R"({"CurrentVersion": "6.1", "ProductName": "Windows 7 Professional"})";
    }
    for (const std::string& key : driverKeys) {
        std::string escaped;
        for (char c : kServices + key)
            escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
        json += ", \"" + escaped + "\": {\"Start\": 1}";
    }
    json += "},";
    json += R"("libraries": {"qvx.dll": {})";
    if (zorm != "absent") json += R"(, "zorm.dll": {"missing": [)" + zorm + "]}";
    json += "},";
    json += R"("pch": {"initial": 0, "modes": ")" + modes + R"(", "current": "IDE"},)";
    json += R"("pci": [{"bus": 0, "device": 31, "function": 0, "id": "0x8C508086", )"
            R"("class": "0x060100"}])";
    json += "}";
    return json;
}

// What the run did to the firmware setting and the drivers, in order.
std::vector<std::string> Effects(Scenario& s) {
    std::vector<std::string> out;
    for (const sim::JournalEntry& e : s.Machine().Journal()) {
        if (e.kind == "pch.call" || e.kind == "pch.saved" || e.kind == "registry.set" ||
            e.kind == "registry.delete-key" || e.kind == "registry.create-key") {
            out.push_back(e.kind + " " + e.detail);
        }
    }
    return out;
}

const std::vector<std::string> kWindows7Keys = {"iaStorV", "iaStor", "msahci"};
const std::vector<std::string> kWindows10Keys = {
    "storahci",
    "iAStorDataMgrSvc",
    "atapi",
    "iaStorAV\\StartOverride",
    "iaStorV\\StartOverride",
    "storahci\\StartOverride",
    "iaStorSV\\StartOverride",
    "pciide\\StartOverride",
    "atapi\\StartOverride",
};

struct Case {
    const char* what;
    bool windows10;
    const char* switchText;
    const char* modes;
    const char* zorm;  // missing entry points as JSON strings, or "absent"
    std::vector<std::string> keys;
    std::vector<std::string> effects;
};

std::string CaseName(const ::testing::TestParamInfo<Case>& param) {
    std::string name = param.param.what;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return name;
}

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.what;
}

class ControllerMode : public ::testing::TestWithParam<Case> {};

TEST_P(ControllerMode, SelectsTheModeThenWritesTheDriverStartValues) {
    const Case& c = GetParam();
    Scenario s(Machine(c.windows10, c.modes, c.zorm, c.keys));
    EXPECT_EQ(s.Run(c.switchText), 0);
    EXPECT_EQ(Effects(s), c.effects) << s.JournalText();
}

// The services key is the same in both registry views, so the journal names no view for it.
std::string Set(const std::string& driver, int value) {
    return "registry.set " + kServices + driver + " Start = REG_DWORD " + std::to_string(value);
}
std::string Deleted(const std::string& driver) {
    return "registry.delete-key " + kServices + driver + "\\StartOverride";
}
std::vector<std::string> Overrides() {
    std::vector<std::string> out;
    for (const char* d : {"iaStorAV", "iaStorV", "storahci", "iaStorSV", "pciide", "atapi"})
        out.push_back(Deleted(d));
    return out;
}
std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<std::string> kSwitchReads = {"pch.call Initial", "pch.call GetAllMode 64",
                                               "pch.call GetPchMode 32"};
std::vector<std::string> Selects(int position, const char* entry, std::vector<std::string> then) {
    std::vector<std::string> out = kSwitchReads;
    out.push_back("pch.call SetPchMode " + std::to_string(position));
    out.push_back("pch.call SaveToBios");
    out.push_back(std::string("pch.saved ") + entry);
    out.insert(out.end(), then.begin(), then.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Windows7, ControllerMode,
    ::testing::Values(Case{"IDE", false, "-func1", "IDE:RAID:AHCI", "", kWindows7Keys,
                           Selects(0, "IDE", {Set("iaStorV", 3)})},
                      Case{"AHCI", false, "-func2", "IDE:RAID:AHCI", "", kWindows7Keys,
                           Selects(2, "AHCI", {Set("iaStorV", 3), Set("msahci", 0)})},
                      Case{"RAID", false, "-func3", "IDE:RAID:AHCI", "", kWindows7Keys,
                           Selects(1, "RAID", {Set("iaStorV", 0), Set("msahci", 3)})},
                      Case{"RAID without msahci",
                           false,
                           "-func3",
                           "AHCI:RAID",
                           "",
                           {"iaStor"},
                           Selects(1, "RAID", {Set("iaStor", 0)})},
                      Case{"no zorm",
                           false,
                           "-func2",
                           "IDE:RAID:AHCI",
                           "absent",
                           kWindows7Keys,
                           {Set("iaStorV", 3), Set("msahci", 0)}},
                      Case{"zorm without Initial",
                           false,
                           "-func3",
                           "IDE:RAID:AHCI",
                           R"("Initial")",
                           kWindows7Keys,
                           {Set("iaStorV", 0), Set("msahci", 3)}},
                      Case{"IDE not listed",
                           false,
                           "-func1",
                           "AHCI:RAID",
                           "",
                           kWindows7Keys,
                           {kSwitchReads[0], kSwitchReads[1], kSwitchReads[2], Set("iaStorV", 3)}}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Windows10, ControllerMode,
    ::testing::Values(
        Case{"IDE", true, "-func1", "IDE:AHCI:RAID", "", kWindows10Keys,
             Selects(0, "IDE",
                     Join({Set("storahci", 3), Set("iAStorDataMgrSvc", 3), Set("atapi", 3)},
                          Overrides()))},
        Case{"AHCI", true, "-func2", "IDE:AHCI:RAID", "", kWindows10Keys,
             Selects(1, "AHCI",
                     Join({Set("storahci", 0), Set("iAStorDataMgrSvc", 3), Set("atapi", 0)},
                          Overrides()))},
        Case{"RAID", true, "-func3", "IDE:AHCI:RAID", "", kWindows10Keys,
             Selects(2, "RAID",
                     Join({Set("storahci", 3), Set("iAStorDataMgrSvc", 3), Set("atapi", 3)},
                          Overrides()))},
        Case{"RAID without the data manager",
             true,
             "-func3",
             "RAID:AHCI",
             "",
             {"storahci", "atapi", "iaStorV\\StartOverride"},
             Selects(0, "RAID", {Set("storahci", 3)})},
        Case{"AHCI on a lower-case list", true, "-func2", "ide:ahci:raid", "", kWindows10Keys,
             Join(kSwitchReads,
                  Join({Set("storahci", 0), Set("iAStorDataMgrSvc", 3), Set("atapi", 0)},
                       Overrides()))},
        Case{"RAID on a lower-case list", true, "-func3", "ide:ahci:raid", "", kWindows10Keys,
             Join(kSwitchReads,
                  Join({Set("storahci", 3), Set("iAStorDataMgrSvc", 3), Set("atapi", 3)},
                       Overrides()))}),
    CaseName);

}  // namespace
