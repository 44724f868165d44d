// The real operating system behind the seam: every interface of os/os.h implemented on Win32.
// Each method is one Win32 call (single-byte "A" entry points) with no decisions of its own.
// This header does not include <windows.h>; only the implementation files do.
#pragma once

#include <memory>

#include "os/os.h"

namespace os::win32 {

class Win32Os {
  public:
    Win32Os();
    ~Win32Os();
    Win32Os(const Win32Os&) = delete;
    Win32Os& operator=(const Win32Os&) = delete;

    os::Os& Get() { return os_; }

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    os::Os os_;
};

}  // namespace os::win32
