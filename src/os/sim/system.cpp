// The Windows version record, WOW64, token privileges, restart and the program's resources.
#include "os/sim/core.h"
#include "os/sim/parts.h"

namespace sim {

namespace {

constexpr std::uint32_t kErrorNoSuchPrivilege = 1313;

// Locally unique identifiers of the privileges a machine knows.
std::uint64_t PrivilegeLuid(const std::string& name) {
    const std::string upper = UpperText(name);
    if (upper == "SESHUTDOWNPRIVILEGE") return 19;
    if (upper == "SEDEBUGPRIVILEGE") return 20;
    if (upper == "SEBACKUPPRIVILEGE") return 17;
    if (upper == "SERESTOREPRIVILEGE") return 18;
    return 0;
}

std::string PrivilegeName(std::uint64_t luid) {
    switch (luid) {
        case 19:
            return "SeShutdownPrivilege";
        case 20:
            return "SeDebugPrivilege";
        case 17:
            return "SeBackupPrivilege";
        default:
            return "SeRestorePrivilege";
    }
}

class SimSystem : public os::System {
  public:
    explicit SimSystem(Core& core) : core_(core) {}

    bool GetVersion(std::uint32_t structureSize, os::VersionRecord* record) override {
        if (structureSize != os::kOsVersionInfoExSize && structureSize != os::kOsVersionInfoSize) {
            core_.lastError = static_cast<std::uint32_t>(os::kErrorInvalidParameter);
            return false;
        }
        const Json& w = core_.Section("windows");
        const Json none = Json::object();
        const Json& v = w.is_object() ? w : none;
        os::VersionRecord r;
        r.majorVersion = static_cast<std::uint32_t>(JsonNumber(v.value("major", Json(6)), 6));
        r.minorVersion = static_cast<std::uint32_t>(JsonNumber(v.value("minor", Json(1)), 1));
        r.buildNumber = static_cast<std::uint32_t>(JsonNumber(v.value("build", Json(7601)), 0));
        r.platformId = static_cast<std::uint32_t>(
            JsonNumber(v.value("platform", Json(os::kVerPlatformWin32Nt)), 2));
        r.csdVersion = v.value("csdVersion", std::string("Service Pack 1"));
        if (r.csdVersion.size() > 127) r.csdVersion.resize(127);
        if (structureSize == os::kOsVersionInfoExSize) {
            r.servicePackMajor =
                static_cast<std::uint16_t>(JsonNumber(v.value("servicePackMajor", Json(1)), 0));
            r.servicePackMinor =
                static_cast<std::uint16_t>(JsonNumber(v.value("servicePackMinor", Json(0)), 0));
            r.suiteMask =
                static_cast<std::uint16_t>(JsonNumber(v.value("suiteMask", Json(256)), 0));
            r.productType = static_cast<std::uint8_t>(
                JsonNumber(v.value("productType", Json(os::kVerNtWorkstation)), 1));
        }
        *record = r;
        return true;
    }

    bool IsWow64Process(bool* wow64) override {
        const Json& w = core_.Section("windows");
        if (w.is_object() && !w.value("hasIsWow64Process", true)) return false;
        *wow64 = core_.is64Bit;
        return true;
    }

    bool OpenProcessToken(std::uint32_t, TokenHandle* token) override {
        *token = ++tokens_ + 0x4000;
        return true;
    }

    bool LookupPrivilege(const std::string& name, std::uint64_t* luid) override {
        const std::uint64_t id = PrivilegeLuid(name);
        if (id == 0) {
            core_.lastError = kErrorNoSuchPrivilege;
            return false;
        }
        *luid = id;
        return true;
    }

    bool AdjustPrivilege(TokenHandle token, std::uint64_t luid, std::uint32_t attributes) override {
        if (token == 0) {
            core_.lastError = static_cast<std::uint32_t>(os::kErrorInvalidHandle);
            return false;
        }
        const std::string name = PrivilegeName(luid);
        // "privileges": {"SeShutdownPrivilege": false} makes the token lack it: the call succeeds
        // and reports ERROR_NOT_ALL_ASSIGNED, as Windows does.
        const Json& privileges = core_.Section("privileges");
        const bool held = !privileges.is_object() || privileges.value(name, true);
        const bool enable = (attributes & os::kSePrivilegeEnabled) != 0;
        core_.Record("privilege.adjust",
                     name + (enable ? " enabled" : " disabled") + (held ? "" : " (not held)"));
        core_.lastError = held ? 0u : static_cast<std::uint32_t>(os::kErrorNotAllAssigned);
        return true;
    }

    void CloseToken(TokenHandle) override {}
    std::uint32_t LastError() override { return core_.lastError; }
    void SetLastError(std::uint32_t error) override { core_.lastError = error; }

    bool ExitWindows(std::uint32_t flags) override {
        core_.Record("system.restart", "ExitWindowsEx flags " + std::to_string(flags));
        return true;
    }

    bool LoadResourceBytes(const std::string& type, unsigned id, std::string* bytes) override {
        const Json& resources = core_.Section("resources");
        if (!resources.is_object()) return false;
        for (auto& [typeName, table] : resources.items()) {
            if (UpperText(typeName) != UpperText(type) || !table.is_object()) continue;
            auto it = table.find(std::to_string(id));
            if (it == table.end()) return false;
            if (it->is_string()) {
                *bytes = core_.MachineFile(it->get<std::string>());
                return true;
            }
            if (it->is_object() && it->contains("text")) {
                *bytes = it->at("text").get<std::string>();
                return true;
            }
            return false;
        }
        return false;
    }

  private:
    Core& core_;
    TokenHandle tokens_ = 0;
};

}  // namespace

std::unique_ptr<os::System> MakeSystem(Core& core) {
    return std::make_unique<SimSystem>(core);
}

}  // namespace sim
