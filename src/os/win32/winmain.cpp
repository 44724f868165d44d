// The program's entry: builds the real operating system behind the seam and runs VOLKIT once
// with the command line that follows the program name.
#include "app/volkit_app.h"
#include "os/win32/win32_api.h"
#include "os/win32/win32_os.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    // The process runs elevated: take the current directory out of the search for the
    // libraries that loaded libraries depend on.
    SetDllDirectoryA("");
    os::win32::Win32Os system;
    VolkitMain(system.Get(), commandLine != nullptr ? commandLine : "");
    return 0;
}
