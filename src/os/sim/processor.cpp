// The processor: CPUID leaves from the description ("cpuid": {"0": [eax, ebx, ecx, edx], ...};
// absent leaves read as zeros) and the thread's affinity over "processors" cores.
#include "os/sim/core.h"
#include "os/sim/parts.h"

namespace sim {

namespace {

class SimProcessor : public os::Processor {
  public:
    explicit SimProcessor(Core& core) : core_(core) {
        const unsigned count = static_cast<unsigned>(JsonNumber(core.Section("processors"), 4));
        available_ = count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1;
        mask_ = available_;
    }

    os::CpuidRegisters Cpuid(std::uint32_t leaf) override {
        os::CpuidRegisters r;
        const Json& cpuid = core_.Section("cpuid");
        if (!cpuid.is_object()) return r;
        auto it = cpuid.find(std::to_string(leaf));
        if (it == cpuid.end() || !it->is_array() || it->size() != 4) return r;
        r.eax = static_cast<std::uint32_t>(JsonNumber((*it)[0], 0));
        r.ebx = static_cast<std::uint32_t>(JsonNumber((*it)[1], 0));
        r.ecx = static_cast<std::uint32_t>(JsonNumber((*it)[2], 0));
        r.edx = static_cast<std::uint32_t>(JsonNumber((*it)[3], 0));
        return r;
    }

    std::uintptr_t SetThreadAffinity(std::uintptr_t mask) override {
        if (mask == 0 || (mask & ~static_cast<std::uintptr_t>(available_)) != 0) {
            core_.lastError = static_cast<std::uint32_t>(os::kErrorInvalidParameter);
            return 0;
        }
        const std::uintptr_t previous = mask_;
        mask_ = mask;
        core_.Record("thread.affinity", std::to_string(mask));
        return previous;
    }

  private:
    Core& core_;
    std::uintptr_t available_ = 0xF;
    std::uintptr_t mask_ = 0xF;
};

}  // namespace

std::unique_ptr<os::Processor> MakeProcessor(Core& core) {
    return std::make_unique<SimProcessor>(core);
}

}  // namespace sim
