// Services: a stop request leaves a service in STOP_PENDING for its stop time, then STOPPED; a
// service described with "stopMs": "never" accepts the request and keeps running.
#include "os/sim/core.h"
#include "os/sim/parts.h"

namespace sim {

namespace {

constexpr std::uint32_t kStopPending = 3;

class SimServices : public os::Services {
  public:
    explicit SimServices(Core& core) : core_(core) {}

    bool StopService(const std::string& name) override {
        auto it = core_.services.find(UpperText(name));
        if (it == core_.services.end() || !it->second.canStop) return false;
        Core::Service& s = it->second;
        if (s.state != os::kServiceRunning) return false;
        core_.Record("service.stop", s.name);
        if (s.neverStops) return true;
        s.state = kStopPending;
        const std::string key = it->first;
        core_.At(core_.Now() + s.stopMs, [this, key] {
            Core::Service& svc = core_.services.at(key);
            if (svc.state != kStopPending) return;
            svc.state = os::kServiceStopped;
            core_.Record("service.stopped", svc.name);
        });
        return true;
    }

    std::uint32_t ServiceState(const std::string& name) override {
        auto it = core_.services.find(UpperText(name));
        return it == core_.services.end() ? 0 : it->second.state;
    }

  private:
    Core& core_;
};

}  // namespace

std::unique_ptr<os::Services> MakeServices(Core& core) {
    return std::make_unique<SimServices>(core);
}

}  // namespace sim
