#include "os/win32/win32_os.h"

#include "os/win32/parts.h"

namespace os::win32 {

struct Win32Os::Parts {
    Win32Registry registry;
    Win32Files files;
    Win32Processes processes;
    Win32Services services;
    Win32Devices devices;
    Win32Libraries libraries;
    Win32Processor processor;
    Win32System system;
    Win32Windowing windowing;
    Win32Clock clock;
};

Win32Os::Win32Os()
    : parts_(std::make_unique<Parts>()), os_{parts_->registry,  parts_->files,   parts_->processes,
                                             parts_->services,  parts_->devices, parts_->libraries,
                                             parts_->processor, parts_->system,  parts_->windowing,
                                             parts_->clock} {}

Win32Os::~Win32Os() = default;

}  // namespace os::win32
