// The window-system boundary: every contact the run has with the operating system.
//
// The functions keep the names of the Windows calls they stand for and take the same
// arguments. One implementation file per world provides them: the real Win32 one for
// orvanel.exe and a simulated one for the unit tests. This header must stay free of
// <windows.h> so that the run builds anywhere.
#pragma once

#include <cstdint>

namespace ws {

// Handle of a window, usually one of another process; null means none. Opaque.
struct Window;
using HWND = Window*;

using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using BOOL = int;

// Room for one platform message record. Only the platform layer reads or writes it.
struct MSG {
  alignas(8) unsigned char storage[64];
};

// A top-level window whose title (and class, when given) match, or null.
HWND FindWindowA(const char* class_name, const char* title);
// The direct child of `dialog` with control ID `id`, or null.
HWND GetDlgItem(HWND dialog, int id);
// Queues a message to the thread that owns `window` and returns at once.
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Non-zero while the calling thread's queue holds a message matching the filter.
BOOL PeekMessageA(MSG* message, HWND window, UINT filter_min, UINT filter_max, UINT remove);
// Takes the next message off the calling thread's queue, waiting for one if need be.
BOOL GetMessageA(MSG* message, HWND window, UINT filter_min, UINT filter_max);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageA(const MSG* message);
// Suspends the calling thread for about `milliseconds`.
void Sleep(unsigned long milliseconds);
// Opens `file` through the shell. Strings are UTF-16; a null verb means the default one.
std::intptr_t ShellExecuteW(HWND owner, const char16_t* verb, const char16_t* file,
                            const char16_t* parameters, const char16_t* directory, int show);
// Shows a modal message box and returns the button the user chose.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

}  // namespace ws
