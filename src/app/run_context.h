// Everything the program keeps for its one run, in one object passed by reference, so that each
// run (and each test) starts clean.
#pragma once

#include <cstdint>
#include <string>

#include "common/log.h"
#include "disks/disk_tables.h"
#include "irst/rst_tables.h"
#include "os/os.h"
#include "outside/port_io.h"

struct RunContext {
    explicit RunContext(os::Os& system) : os(system), log(system.files, system.clock) {}
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    os::Os& os;
    Log log;

    // The program's directory, ending in a backslash.
    std::string g_strAppDir;
    // The Windows release code (18/19 Vista, 20/21 7, 22/23 8.1, 32/33 10; 0 not recognised).
    std::uint8_t g_nOSCode = 0;

    // The hidden main dialog's window (0 in the simulator before the dialog runs).
    os::WindowHandle dialogWindow = 0;

    // The program last started by LaunchHidden and the poll timer's view of it.
    os::ProcessHandle g_piChild = 0;
    std::uint32_t g_dwChildExitCode = 0;
    int g_nRestartFlag = 0;

    // The port-I/O library loaded by the dispatcher for the whole run.
    outside::PortIoEntryPoints portIo;
    os::LibraryHandle portIoLibrary = 0;

    // The installed IRST release code and the last rstcli information report.
    int IrstRelease = 0;
    std::string RstcliReportText;

    disks::DiskState disks;
    irst::RstState rst;
};
