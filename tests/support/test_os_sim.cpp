#ifndef _WIN32

#include <memory>
#include <string>

#include "os/sim/machine.h"
#include "support/test_os.h"

TestOs::~TestOs() = default;

namespace {

class SimTestOs : public TestOs {
  public:
    SimTestOs() : root_(sim::MakeTemporaryRoot()) {
        machine_ = sim::Machine::FromJsonText("{}", root_, root_);
    }
    ~SimTestOs() override {
        machine_.reset();
        sim::RemoveTree(root_);
    }
    os::Os& Os() override { return machine_->Os(); }

  private:
    std::string root_;
    std::unique_ptr<sim::Machine> machine_;
};

}  // namespace

std::unique_ptr<TestOs> MakeTestOs() {
    return std::make_unique<SimTestOs>();
}

#endif
