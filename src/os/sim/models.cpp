#include "os/sim/models.h"

#include "common/text.h"

namespace sim {

#define VOLKIT_SIM_MODELS(routine) void routine(ModelRegistry& models);
#include "os/sim/models.def"
#undef VOLKIT_SIM_MODELS

std::string ModelRegistry::Key(const std::string& name) {
    std::string key = text::Lower(name);
    const std::size_t slash = key.find_last_of("\\/");
    if (slash != std::string::npos) key.erase(0, slash + 1);
    for (const char* suffix : {".exe", ".dll"}) {
        if (key.size() > 4 && key.compare(key.size() - 4, 4, suffix) == 0) {
            key.resize(key.size() - 4);
            break;
        }
    }
    return key;
}

void ModelRegistry::AddProgram(const std::string& name, ProgramModel model, bool systemProgram) {
    programs_[Key(name)] = Program{std::move(model), systemProgram};
}

void ModelRegistry::AddLibrary(const std::string& fileName, LibraryModel model) {
    libraries_[Key(fileName)] = std::move(model);
}

const ModelRegistry::Program* ModelRegistry::FindProgram(const std::string& name) const {
    auto it = programs_.find(Key(name));
    return it == programs_.end() ? nullptr : &it->second;
}

const LibraryModel* ModelRegistry::FindLibrary(const std::string& fileName) const {
    auto it = libraries_.find(Key(fileName));
    return it == libraries_.end() ? nullptr : &it->second;
}

const ModelRegistry& ModelRegistry::All() {
    static const ModelRegistry all = [] {
        ModelRegistry models;
#define VOLKIT_SIM_MODELS(routine) routine(models);
#include "os/sim/models.def"
#undef VOLKIT_SIM_MODELS
        return models;
    }();
    return all;
}

}  // namespace sim
