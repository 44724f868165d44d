#include "os/win32/handles.h"
#include "os/win32/parts.h"
#include "os/win32/win32_api.h"

namespace os::win32 {

namespace {

// The dialog procedure of every dialog the program runs: it hands the four messages the
// program handles to its DialogHandler and leaves everything else to the default dialog
// processing. A system command also gets the default processing after the handler, so that
// moving, closing and the other standard commands behave as in any dialog.
INT_PTR CALLBACK ForwardingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    }
    auto* handler = reinterpret_cast<DialogHandler*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (handler == nullptr) return FALSE;
    switch (message) {
        case WM_INITDIALOG:
            handler->OnInitDialog(FromNative(dialog));
            return TRUE;
        case WM_COMMAND:
            handler->OnCommand(LOWORD(wParam));
            return TRUE;
        case WM_SYSCOMMAND:
            handler->OnSysCommand(static_cast<unsigned>(wParam));
            return FALSE;
        case WM_TIMER:
            handler->OnTimer(static_cast<unsigned>(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

int Win32Windowing::RunModalDialog(unsigned templateId, DialogHandler* handler) {
    return static_cast<int>(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                                            nullptr, ForwardingDialogProc,
                                            reinterpret_cast<LPARAM>(handler)));
}

void Win32Windowing::EndDialog(WindowHandle dialog, int result) {
    ::EndDialog(ToNative<HWND>(dialog), result);
}

WindowHandle Win32Windowing::FindTopLevelWindow(const std::string& caption) {
    return FromNative(FindWindowA(nullptr, caption.c_str()));
}

void Win32Windowing::SendClose(WindowHandle window) {
    SendMessageA(ToNative<HWND>(window), WM_CLOSE, 0, 0);
}

int Win32Windowing::MessageBox(const std::string& text, const std::string& caption,
                               std::uint32_t style) {
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

bool Win32Windowing::SetTimer(WindowHandle window, unsigned id, std::uint32_t milliseconds) {
    return ::SetTimer(ToNative<HWND>(window), id, milliseconds, nullptr) != 0;
}

void Win32Windowing::KillTimer(WindowHandle window, unsigned id) {
    ::KillTimer(ToNative<HWND>(window), id);
}

void Win32Windowing::SetDialogIcon(WindowHandle dialog, unsigned iconId) {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId));
    SendMessageA(ToNative<HWND>(dialog), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(ToNative<HWND>(dialog), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

std::string Win32Windowing::LoadString(unsigned id) {
    char buffer[1024] = {};
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

bool Win32Windowing::AppendSystemMenuItem(WindowHandle dialog, unsigned command,
                                          const std::string& text) {
    HMENU menu = GetSystemMenu(ToNative<HWND>(dialog), FALSE);
    if (menu == nullptr) return false;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    return AppendMenuA(menu, MF_STRING, command, text.c_str()) != 0;
}

void Win32Windowing::InitCommonControls() {
    ::InitCommonControls();
}

}  // namespace os::win32
