// Loadable libraries. A library loads when a model exists for its name and its file is in the
// program's directory or the system directory (never the current directory or PATH). Entry
// points come from the model; "libraries": {"name": {"missing": [...]}} removes some of them.
// Loading makes this machine the active one, so that the models' plain-function entry points
// find it.
#include <map>

#include "common/text.h"
#include "os/sim/core.h"
#include "os/sim/models.h"
#include "os/sim/parts.h"

namespace sim {

namespace {

class SimLibraries : public os::Libraries {
  public:
    explicit SimLibraries(Core& core) : core_(core) {}

    os::LibraryHandle Load(const std::string& fileName) override {
        std::string name = fileName;
        if (name.find('.') == std::string::npos) name += ".dll";
        const LibraryModel* model = ModelRegistry::All().FindLibrary(name);
        std::string found;
        if (name.find_first_of("\\/:") != std::string::npos) {
            if (core_.FileExists(name)) found = *core_.FullPath(name);
        } else {
            for (const std::string& dir : {core_.ProgramDirectory(), core_.systemDirectory}) {
                const std::string candidate = text::JoinPath(dir, name);
                if (core_.FileExists(candidate)) {
                    found = *core_.FullPath(candidate);
                    break;
                }
            }
        }
        if (found.empty() || model == nullptr) {
            core_.lastError = static_cast<std::uint32_t>(found.empty() ? 126 : 193);
            core_.Record("library.load-failed", fileName);
            return 0;
        }
        SetActiveCore(&core_);
        next_ += 4;
        loaded_[next_] = ModelRegistry::Key(name);
        core_.Record("library.load", found);
        return next_;
    }

    os::ProcAddress EntryPoint(os::LibraryHandle library, const std::string& name) override {
        auto it = loaded_.find(library);
        if (it == loaded_.end()) return nullptr;
        const Json& libs = core_.Section("libraries");
        if (libs.is_object()) {
            for (auto& [libName, lib] : libs.items()) {
                if (ModelRegistry::Key(libName) != it->second || !lib.is_object()) continue;
                for (const Json& missing : lib.value("missing", Json::array()))
                    if (missing.is_string() && missing.get<std::string>() == name) return nullptr;
            }
        }
        const LibraryModel* model = ModelRegistry::All().FindLibrary(it->second);
        return model ? (*model)(name) : nullptr;
    }

    void Free(os::LibraryHandle library) override {
        auto it = loaded_.find(library);
        if (it == loaded_.end()) return;
        core_.Record("library.free", it->second + ".dll");
        loaded_.erase(it);
    }

  private:
    Core& core_;
    std::map<os::LibraryHandle, std::string> loaded_;
    os::LibraryHandle next_ = 0x10000000;
};

}  // namespace

std::unique_ptr<os::Libraries> MakeLibraries(Core& core) {
    return std::make_unique<SimLibraries>(core);
}

}  // namespace sim
