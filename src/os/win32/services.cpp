#include "os/win32/parts.h"
#include "os/win32/win32_api.h"

namespace os::win32 {

bool Win32Services::StopService(const std::string& name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return false;
    bool stopped = false;
    SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (service != nullptr) {
        SERVICE_STATUS status{};
        stopped = ControlService(service, SERVICE_CONTROL_STOP, &status) != 0;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return stopped;
}

std::uint32_t Win32Services::ServiceState(const std::string& name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return 0;
    std::uint32_t state = 0;
    SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS);
    if (service != nullptr) {
        SERVICE_STATUS status{};
        if (QueryServiceStatus(service, &status)) state = status.dwCurrentState;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return state;
}

}  // namespace os::win32
