#include "tests/e2e/launcher.h"

#include <cstring>
#include <vector>

namespace {

struct Search {
  DWORD process;  // process whose boxes are wanted
  HWND found;     // a visible dialog-class top-level window of it
  HWND skip[4];   // boxes already handled
  int skipped;
};

BOOL CALLBACK FindBox(HWND window, LPARAM data) {
  Search* search = reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char window_class[32];
  if (process != search->process || !IsWindowVisible(window) ||
      !GetClassNameA(window, window_class, sizeof window_class) ||
      std::strcmp(window_class, "#32770") != 0) {
    return TRUE;
  }
  for (int i = 0; i < search->skipped; ++i) {
    if (search->skip[i] == window) {
      return TRUE;
    }
  }
  search->found = window;
  return FALSE;
}

// What a box's visible controls show besides its text.
struct Controls {
  int buttons;          // push buttons
  char first_text[32];  // text of the first of them
  bool icon;            // an icon
};

BOOL CALLBACK NoteControl(HWND child, LPARAM data) {
  Controls* controls = reinterpret_cast<Controls*>(data);
  char window_class[32];
  if (!IsWindowVisible(child) || !GetClassNameA(child, window_class, sizeof window_class)) {
    return TRUE;
  }
  if (!lstrcmpiA(window_class, "Button") && controls->buttons++ == 0) {
    GetWindowTextA(child, controls->first_text, sizeof controls->first_text);
  } else if (!lstrcmpiA(window_class, "Static") &&
             (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
             SendMessageA(child, STM_GETICON, 0, 0)) {
    controls->icon = true;
  }
  return TRUE;
}

void Describe(HWND window, BoxSeen* box) {
  GetWindowTextA(window, box->caption, sizeof box->caption);
  // A message box shows its text in a static control with ID 0xFFFF.
  box->text[0] = '\0';
  if (HWND text = GetDlgItem(window, 0xFFFF)) {
    GetWindowTextA(text, box->text, sizeof box->text);
  }
  Controls controls = {};
  EnumChildWindows(window, NoteControl, reinterpret_cast<LPARAM>(&controls));
  box->buttons = controls.buttons;
  lstrcpynA(box->button, controls.first_text, sizeof box->button);
  box->owned = GetWindow(window, GW_OWNER) != nullptr;
  box->icon = controls.icon;
}

double FileTimeMs(const FILETIME& time) {
  ULARGE_INTEGER value = {};
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return static_cast<double>(value.QuadPart) / 10000.0;
}

}  // namespace

std::string Escaped(const char* text) {
  std::string out;
  for (; *text; ++text) {
    out += *text == '\r' ? "\\r" : *text == '\n' ? "\\n" : std::string(1, *text);
  }
  return out;
}

std::vector<char> CommandLine(const char* program) {
  std::string quoted = std::string("\"") + program + "\"";
  std::vector<char> command(quoted.begin(), quoted.end());
  command.push_back('\0');
  return command;
}

LaunchResult Launch(const LaunchOptions& options) {
  LaunchResult result = {};
  std::vector<char> command = CommandLine(options.program);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  double start = NowMs();
  if (!CreateProcessA(options.program, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      options.directory, &startup, &process)) {
    return result;
  }
  result.started = true;

  Search search = {};
  search.process = process.dwProcessId;
  while (WaitForSingleObject(process.hProcess, 5) == WAIT_TIMEOUT) {
    double now = NowMs();
    if (options.quit_after_ms >= 0 && !result.quit_posted && now - start >= options.quit_after_ms) {
      // Fails until the thread has made its message queue; try again next round.
      result.quit_posted = PostThreadMessageA(process.dwThreadId, WM_QUIT, 0, 0) != FALSE;
    }
    search.found = nullptr;
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (!search.found || search.skipped == 4) {
      continue;
    }
    if (result.boxes == 0) {
      result.first_box_ms = now - start;
    }
    if (result.boxes < 4) {
      Describe(search.found, &result.box[result.boxes]);
    }
    ++result.boxes;
    search.skip[search.skipped++] = search.found;
    if (options.dismiss_boxes) {
      PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
  }
  result.wall_ms = NowMs() - start;
  GetExitCodeProcess(process.hProcess, &result.status);
  FILETIME created = {}, exited = {}, kernel = {}, user = {};
  if (GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user)) {
    result.cpu_ms = FileTimeMs(kernel) + FileTimeMs(user);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}
