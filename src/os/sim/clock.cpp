// The virtual clock: Sleep advances time at once (running whatever falls due meanwhile).
#include "os/sim/core.h"
#include "os/sim/parts.h"

namespace sim {

namespace {

class SimClock : public os::Clock {
  public:
    explicit SimClock(Core& core) : core_(core) {}

    void Sleep(std::uint32_t milliseconds) override {
        core_.Record("sleep", std::to_string(milliseconds) + " ms");
        core_.Advance(milliseconds);
    }

    std::uint64_t NowMilliseconds() override { return core_.Now(); }
    std::string LocalTimeText() override { return core_.LocalTimeText(); }

  private:
    Core& core_;
};

}  // namespace

std::unique_ptr<os::Clock> MakeClock(Core& core) {
    return std::make_unique<SimClock>(core);
}

}  // namespace sim
