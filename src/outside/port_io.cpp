#include "outside/port_io.h"

namespace outside {

bool PortIoEntryPoints::Complete() const {
    return mv_outp && mv_outpw && mv_outpd && mv_inp && mv_inpw && mv_inpd;
}

os::LibraryHandle LoadPortIo(os::Libraries& libraries, PortIoEntryPoints* entryPoints) {
    *entryPoints = PortIoEntryPoints{};
    const os::LibraryHandle library = libraries.Load(kPortIoLibrary);
    if (library == 0) return 0;
    auto out = [&](const char* name) {
        return reinterpret_cast<PortIoEntryPoints::OutFn>(libraries.EntryPoint(library, name));
    };
    auto in = [&](const char* name) {
        return reinterpret_cast<PortIoEntryPoints::InFn>(libraries.EntryPoint(library, name));
    };
    entryPoints->mv_outp = out("mv_outp");
    entryPoints->mv_outpw = out("mv_outpw");
    entryPoints->mv_outpd = out("mv_outpd");
    entryPoints->mv_inp = in("mv_inp");
    entryPoints->mv_inpw = in("mv_inpw");
    entryPoints->mv_inpd = in("mv_inpd");
    return library;
}

}  // namespace outside
