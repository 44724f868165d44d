// An operating system for unit tests: on Linux a simulated 64-bit Windows 7 PC with nothing on
// it and a fresh temporary root; under Wine the real Win32 seam.
#pragma once

#include <memory>

#include "os/os.h"

struct TestOs {
    virtual ~TestOs();
    virtual os::Os& Os() = 0;
};

std::unique_ptr<TestOs> MakeTestOs();
