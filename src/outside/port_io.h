// The board maker's port-I/O library "qvx.dll": six cdecl entry points that read and write I/O
// ports on behalf of a user-mode process. Only mv_outpd and mv_inpd are ever called.
#pragma once

#include <cstdint>

#include "os/os.h"

namespace outside {

inline constexpr const char* kPortIoLibrary = "qvx.dll";

struct PortIoEntryPoints {
    using OutFn = void (*)(std::uint32_t port, std::uint32_t value);
    using InFn = std::uint32_t (*)(std::uint32_t port);
    OutFn mv_outp = nullptr;
    OutFn mv_outpw = nullptr;
    OutFn mv_outpd = nullptr;
    InFn mv_inp = nullptr;
    InFn mv_inpw = nullptr;
    InFn mv_inpd = nullptr;

    // True when all six were found. A missing one stays null and is never called.
    bool Complete() const;
    // True when the two that configuration-space reads need are present.
    bool CanReadConfigSpace() const { return mv_outpd != nullptr && mv_inpd != nullptr; }
};

// Loads "qvx.dll" and resolves the six entry points by name, in the order mv_outp, mv_outpw,
// mv_outpd, mv_inp, mv_inpw, mv_inpd. Returns the library handle (0 when it cannot be loaded,
// in which case the entry points stay null).
os::LibraryHandle LoadPortIo(os::Libraries& libraries, PortIoEntryPoints* entryPoints);

}  // namespace outside
