// The operating system of the unit tests in the Windows build: the real Win32 seam, run under
// Wine in a fresh prefix for each test program.
#ifdef _WIN32

#include "os/win32/win32_os.h"
#include "support/test_os.h"

TestOs::~TestOs() = default;

namespace {

class Win32TestOs : public TestOs {
  public:
    os::Os& Os() override { return win32_.Get(); }

  private:
    os::win32::Win32Os win32_;
};

}  // namespace

std::unique_ptr<TestOs> MakeTestOs() {
    return std::make_unique<Win32TestOs>();
}

#endif  // _WIN32
