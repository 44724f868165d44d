#include "os/sim/machine.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "os/sim/core.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

class SimMachine : public Machine {
  public:
    SimMachine(Json description, std::string machineDir, std::string rootDir)
        : core_(std::move(description), std::move(machineDir), std::move(rootDir)) {}

    os::Os& Os() override { return core_.Os(); }
    const std::vector<JournalEntry>& Journal() const override { return core_.journal; }

    std::string JournalText() const override {
        std::string out;
        for (const JournalEntry& e : core_.journal) {
            out += "[t=" + std::to_string(e.timeMs) + "] " + e.kind + " " + e.detail;
            if (!e.by.empty()) out += "  (by " + e.by + ")";
            out += "\n";
        }
        return out;
    }

    std::uint64_t Now() const override { return core_.Now(); }

    std::string HostPath(const std::string& windowsPath) const override {
        const auto host = core_.Resolve(windowsPath);
        return host ? host->string() : std::string();
    }

    std::vector<JournalEntry> JournalOf(const std::string& kind) const override {
        std::vector<JournalEntry> out;
        for (const JournalEntry& e : core_.journal)
            if (e.kind == kind) out.push_back(e);
        return out;
    }

    std::optional<RegistryData> RegistryValue(const std::string& keyPath,
                                              const std::string& name) const override {
        const RegValue* v = core_.FindValue(keyPath, name);
        if (!v) return std::nullopt;
        return RegistryData{v->type, v->bytes};
    }

    bool RegistryKeyExists(const std::string& keyPath) const override {
        return core_.registry.count(UpperText(keyPath)) != 0;
    }

    std::optional<std::string> ReadFile(const std::string& windowsPath) const override {
        std::string content;
        if (!core_.ReadFile(windowsPath, &content)) return std::nullopt;
        return content;
    }

    void AdvanceTime(std::uint64_t milliseconds) override { core_.Advance(milliseconds); }

    Core& GetCore() override { return core_; }

  private:
    Core core_;
};

Json Parse(const std::string& text, const std::string& where) {
    try {
        return Json::parse(text, nullptr, true, /*ignore_comments=*/true);
    } catch (const Json::parse_error& e) {
        throw std::runtime_error("machine description " + where + ": " + e.what());
    }
}

}  // namespace

std::string RegistryData::Text() const {
    std::string s = bytes;
    while (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
}

std::uint32_t RegistryData::Dword() const {
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i)
        n |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return n;
}

std::unique_ptr<Machine> Machine::Load(const std::string& machineDir, const std::string& rootDir) {
    const fs::path file = fs::path(machineDir) / "machine.json";
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::ostringstream s;
    s << in.rdbuf();
    return std::make_unique<SimMachine>(Parse(s.str(), file.string()), machineDir, rootDir);
}

std::unique_ptr<Machine> Machine::FromJsonText(const std::string& json,
                                               const std::string& machineDir,
                                               const std::string& rootDir) {
    return std::make_unique<SimMachine>(Parse(json, "text"), machineDir, rootDir);
}

std::string MakeTemporaryRoot() {
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("volkit-sim-" + std::to_string(random()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) return candidate.string();
    }
    throw std::runtime_error("cannot create a temporary root folder");
}

void RemoveTree(const std::string& hostPath) {
    std::error_code ec;
    if (!hostPath.empty()) fs::remove_all(hostPath, ec);
}

}  // namespace sim
