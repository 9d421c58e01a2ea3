// The window-system boundary on Windows: each function calls the Win32 function of
// the same name with the same arguments.
// <windows.h> first: the other Windows headers build on it.
#include <windows.h>

#include <shellapi.h>

#include "platform/window_system.h"

static_assert(sizeof(MSG) <= sizeof(ws::MSG), "ws::MSG must hold a MSG");
static_assert(alignof(MSG) <= alignof(ws::MSG), "ws::MSG must be aligned for a MSG");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide strings are UTF-16");

namespace {

HWND Native(ws::HWND window) {
  return reinterpret_cast<HWND>(window);
}
ws::HWND Portable(HWND window) {
  return reinterpret_cast<ws::HWND>(window);
}
MSG* Native(ws::MSG* message) {
  return reinterpret_cast<MSG*>(message->storage);
}
const MSG* Native(const ws::MSG* message) {
  return reinterpret_cast<const MSG*>(message->storage);
}
const wchar_t* Native(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}

}  // namespace

ws::HWND ws::FindWindowA(const char* class_name, const char* title) {
  return Portable(::FindWindowA(class_name, title));
}

ws::HWND ws::GetDlgItem(ws::HWND dialog, int id) {
  return Portable(::GetDlgItem(Native(dialog), id));
}

ws::BOOL ws::PostMessageA(ws::HWND window, ws::UINT message, ws::WPARAM wparam, ws::LPARAM lparam) {
  return ::PostMessageA(Native(window), message, wparam, lparam);
}

ws::BOOL ws::PeekMessageA(ws::MSG* message, ws::HWND window, ws::UINT filter_min,
                          ws::UINT filter_max, ws::UINT remove) {
  return ::PeekMessageA(Native(message), Native(window), filter_min, filter_max, remove);
}

ws::BOOL ws::GetMessageA(ws::MSG* message, ws::HWND window, ws::UINT filter_min,
                         ws::UINT filter_max) {
  return ::GetMessageA(Native(message), Native(window), filter_min, filter_max);
}

ws::BOOL ws::TranslateMessage(const ws::MSG* message) {
  return ::TranslateMessage(Native(message));
}

ws::LRESULT ws::DispatchMessageA(const ws::MSG* message) {
  return ::DispatchMessageA(Native(message));
}

void ws::Sleep(unsigned long milliseconds) {
  ::Sleep(milliseconds);
}

// The shell's DLL is loaded only when the applet has to be opened: most runs find the
// panel open, and loading shell32 at start-up would cost more than the rest of the run.
// It is loaded from the system folder by full path, never from the search path.
std::intptr_t ws::ShellExecuteW(ws::HWND owner, const char16_t* verb, const char16_t* file,
                                const char16_t* parameters, const char16_t* directory, int show) {
  wchar_t path[MAX_PATH];
  const wchar_t name[] = L"\\shell32.dll";
  UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + sizeof name / sizeof name[0] > MAX_PATH) {
    return 0;
  }
  lstrcpyW(path + length, name);
  HMODULE shell = LoadLibraryW(path);
  FARPROC function = shell ? GetProcAddress(shell, "ShellExecuteW") : nullptr;
  if (!function) {
    return 0;
  }
  // Through void (*)(), the generic function pointer type, to the real signature.
  auto shell_execute =
      reinterpret_cast<decltype(&::ShellExecuteW)>(reinterpret_cast<void (*)()>(function));
  return reinterpret_cast<std::intptr_t>(shell_execute(
      Native(owner), Native(verb), Native(file), Native(parameters), Native(directory), show));
}

int ws::MessageBoxA(ws::HWND owner, const char* text, const char* caption, ws::UINT type) {
  return ::MessageBoxA(Native(owner), text, caption, type);
}
