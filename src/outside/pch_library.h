// The board maker's PCH-mode library "zorm.dll": reads the firmware's SATA mode setting, lists
// the modes the board offers, selects one and writes it back to the firmware. Five cdecl entry
// points; a missing one stays null and is never called.
#pragma once

#include "os/os.h"

namespace outside {

inline constexpr const char* kPchModeLibrary = "zorm.dll";

// Buffer sizes the program hands the library.
inline constexpr int kModeListBufferSize = 64;
inline constexpr int kCurrentModeBufferSize = 32;

struct PchLibraryEntryPoints {
    // 0 when the library is ready.
    using InitialFn = int (*)();
    // Fills the buffer (of the given size) with a NUL-terminated text; the result is not used.
    using TextFn = int (*)(char* buffer, int size);
    // Selects the mode at a zero-based position of the mode list; the result is not used.
    using SetPchModeFn = int (*)(int position);
    // Writes the selection to the firmware; the result is not used.
    using SaveToBiosFn = int (*)();

    InitialFn Initial = nullptr;
    TextFn GetPchMode = nullptr;
    SetPchModeFn SetPchMode = nullptr;
    TextFn GetAllMode = nullptr;
    SaveToBiosFn SaveToBios = nullptr;

    // True when all five were found.
    bool Complete() const;
    // The name of the first missing entry point in resolution order (empty when none is missing).
    const char* FirstMissing() const;
};

// Loads "zorm.dll" and resolves the five entry points by name, in the order Initial, GetPchMode,
// SetPchMode, GetAllMode, SaveToBios. Returns the library handle (0 when it cannot be loaded, in
// which case the entry points stay null). The library stays loaded for the rest of the run.
os::LibraryHandle LoadPchLibrary(os::Libraries& libraries, PchLibraryEntryPoints* entryPoints);

}  // namespace outside
