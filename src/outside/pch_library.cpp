#include "outside/pch_library.h"

namespace outside {

bool PchLibraryEntryPoints::Complete() const {
    return Initial && GetPchMode && SetPchMode && GetAllMode && SaveToBios;
}

const char* PchLibraryEntryPoints::FirstMissing() const {
    if (!Initial) return "Initial";
    if (!GetPchMode) return "GetPchMode";
    if (!SetPchMode) return "SetPchMode";
    if (!GetAllMode) return "GetAllMode";
    if (!SaveToBios) return "SaveToBios";
    return "";
}

os::LibraryHandle LoadPchLibrary(os::Libraries& libraries, PchLibraryEntryPoints* entryPoints) {
    *entryPoints = PchLibraryEntryPoints{};
    const os::LibraryHandle library = libraries.Load(kPchModeLibrary);
    if (library == 0) return 0;
    auto resolve = [&](const char* name) { return libraries.EntryPoint(library, name); };
    entryPoints->Initial = reinterpret_cast<PchLibraryEntryPoints::InitialFn>(resolve("Initial"));
    entryPoints->GetPchMode =
        reinterpret_cast<PchLibraryEntryPoints::TextFn>(resolve("GetPchMode"));
    entryPoints->SetPchMode =
        reinterpret_cast<PchLibraryEntryPoints::SetPchModeFn>(resolve("SetPchMode"));
    entryPoints->GetAllMode =
        reinterpret_cast<PchLibraryEntryPoints::TextFn>(resolve("GetAllMode"));
    entryPoints->SaveToBios =
        reinterpret_cast<PchLibraryEntryPoints::SaveToBiosFn>(resolve("SaveToBios"));
    return library;
}

}  // namespace outside
