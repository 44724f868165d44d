// Parts of an operating system with nothing there: no service can be opened, no device opens.
// The in-memory test machines use them for what their tests never touch.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "os/os.h"

namespace null_os {

class Services : public os::Services {
  public:
    bool StopService(const std::string&) override { return false; }
    std::uint32_t ServiceState(const std::string&) override { return 0; }
};

class Devices : public os::Devices {
  public:
    os::DeviceHandle OpenDevice(const std::string&, std::uint32_t, std::uint32_t) override {
        return 0;
    }
    bool IoControl(os::DeviceHandle, std::uint32_t, const std::vector<std::uint8_t>&,
                   std::vector<std::uint8_t>*, std::uint32_t*) override {
        return false;
    }
    void CloseDevice(os::DeviceHandle) override {}
    std::uint32_t LogicalDrives() override { return 0; }
};

}  // namespace null_os
