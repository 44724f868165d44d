// The Win32 headers for the implementation files of os/win32. The seam's method names
// DeleteFile, CopyFile, ReplaceFile, SetCurrentDirectory, MessageBox, LoadString and ExitWindows
// are also macros of <windows.h>; they are removed here so that the names mean the seam's
// methods in every file, and the implementations call the "A" entry points by their full names.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After <windows.h>:
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#undef DeleteFile
#undef CopyFile
#undef SetCurrentDirectory
#undef MessageBox
#undef LoadString
#undef ReplaceFile
#undef ExitWindows
