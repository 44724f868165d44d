// Scenario tests: a simulated PC built from inline JSON or an examples/ folder, VOLKIT run on it
// once, and what it did read back from the journal, the registry and the files.
//
//     Scenario s(R"({"registry": {...}})");
//     EXPECT_EQ(s.Run("-func7"), 0);
//     EXPECT_EQ(s.RegistryText("HKLM\\SOFTWARE\\WOW6432Node\\...\\RunOnce", "TIDAL"), "...");
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/sim/machine.h"

class Scenario {
  public:
    // A machine from inline JSON; named text files are looked up in machineDir (default:
    // examples/default).
    explicit Scenario(const std::string& json, const std::string& machineDir = DefaultDir())
        : root_(sim::MakeTemporaryRoot()),
          machine_(sim::Machine::FromJsonText(json, machineDir, root_)) {}

    // A machine from a folder under examples/.
    static Scenario FromExample(const std::string& name) {
        return Scenario(ExampleTag{}, std::string(VOLKIT_SOURCE_DIR) + "/examples/" + name);
    }

    Scenario(Scenario&&) = default;
    ~Scenario() {
        machine_.reset();
        sim::RemoveTree(root_);
    }

    static std::string DefaultDir() { return std::string(VOLKIT_SOURCE_DIR) + "/examples/default"; }

    int Run(const std::string& commandLine) { return sim::RunVolkit(*machine_, commandLine); }

    sim::Machine& Machine() { return *machine_; }
    os::Os& Os() { return machine_->Os(); }

    // The details of the journal entries of one kind, in order.
    std::vector<std::string> Journal(const std::string& kind) const {
        std::vector<std::string> out;
        for (const sim::JournalEntry& e : machine_->JournalOf(kind)) out.push_back(e.detail);
        return out;
    }
    std::string JournalText() const { return machine_->JournalText(); }

    std::optional<std::string> RegistryText(const std::string& key, const std::string& name) const {
        auto v = machine_->RegistryValue(key, name);
        if (!v) return std::nullopt;
        return v->Text();
    }
    std::optional<std::uint32_t> RegistryDword(const std::string& key,
                                               const std::string& name) const {
        auto v = machine_->RegistryValue(key, name);
        if (!v) return std::nullopt;
        return v->Dword();
    }
    std::optional<std::string> File(const std::string& windowsPath) const {
        return machine_->ReadFile(windowsPath);
    }

  private:
    struct ExampleTag {};
    Scenario(ExampleTag, const std::string& dir)
        : root_(sim::MakeTemporaryRoot()), machine_(sim::Machine::Load(dir, root_)) {}

    std::string root_;
    std::unique_ptr<sim::Machine> machine_;
};
