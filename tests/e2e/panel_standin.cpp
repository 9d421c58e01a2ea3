#include "tests/e2e/panel_standin.h"

#include "tests/e2e/clock.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

constexpr UINT_PTR OPEN_TIMER = 1;   // the click's delayed opening of the details dialog
constexpr UINT_PTR CLOSE_TIMER = 2;  // the details dialog's closing once accepted

struct Options {
  char start[16] = "properties";  // windows open at start
  bool hidden = false;            // properties window created hidden
  int missing = -1;               // control ID left out of the properties path
  int details_missing = -1;       // control ID left out of the details path
  int click_delay = 0;            // ms between the click and the details dialog
  int auto_details = -1;          // ms after start at which the dialog opens by itself
  bool timing = false;            // log when the dialog opened and when keys arrived
};

// A window the panel made, so that key messages can be told apart even once their
// target has been destroyed.
struct Known {
  HWND window;      // the handle
  int id;           // its control ID
  const char* top;  // title of its top-level window
};

Options options;
char log_path[MAX_PATH];
char mapped[32] = "Monitor 2";  // monitor the pen is mapped to
HWND mapping_label;             // shows `mapped` on the Pen tab
HINSTANCE instance;
HWND properties;
HWND details;
bool ready_when_details_open;
Known known[64];
int known_count;

void Log(const char* format, ...) {
  if (!log_path[0]) {
    return;
  }
  char line[1024];
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(line, sizeof line - 1, format, arguments);
  va_end(arguments);
  if (length < 0 || length > static_cast<int>(sizeof line) - 2) {
    length = static_cast<int>(sizeof line) - 2;
  }
  line[length++] = '\n';
  HANDLE file = CreateFileA(log_path, FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
  }
}

// Applies one word `name=value` of ORVANEL_PANEL.
void SetOption(char* word) {
  char* value = std::strchr(word, '=');
  if (!value) {
    return;
  }
  *value++ = '\0';
  if (!std::strcmp(word, "start")) {
    std::snprintf(options.start, sizeof options.start, "%s", value);
  } else if (!std::strcmp(word, "hidden")) {
    options.hidden = std::atoi(value) != 0;
  } else if (!std::strcmp(word, "missing")) {
    options.missing = std::atoi(value);
  } else if (!std::strcmp(word, "details_missing")) {
    options.details_missing = std::atoi(value);
  } else if (!std::strcmp(word, "click_delay")) {
    options.click_delay = std::atoi(value);
  } else if (!std::strcmp(word, "auto_details")) {
    options.auto_details = std::atoi(value);
  } else if (!std::strcmp(word, "timing")) {
    options.timing = std::atoi(value) != 0;
  }
}

void ReadOptions() {
  if (!GetEnvironmentVariableA("ORVANEL_PANEL_LOG", log_path, sizeof log_path)) {
    log_path[0] = '\0';
  }
  char text[512];
  if (!GetEnvironmentVariableA("ORVANEL_PANEL", text, sizeof text)) {
    return;
  }
  // Words separated by spaces.
  for (char* word = text; *word;) {
    char* end = word + std::strcspn(word, " ");
    bool last = *end == '\0';
    *end = '\0';
    SetOption(word);
    word = last ? end : end + 1;
  }
}

void Remember(HWND window, int id, const char* top) {
  if (window && known_count < static_cast<int>(sizeof known / sizeof known[0])) {
    known[known_count++] = {window, id, top};
  }
}

const Known* Describe(HWND window) {
  for (int i = 0; i < known_count; ++i) {
    if (known[i].window == window) {
      return &known[i];
    }
  }
  return nullptr;
}

// An in-memory dialog template without controls; it must stay DWORD-aligned. Its size
// is a multiple of 4 already, so the alignment adds no padding.
struct alignas(4) Template {
  DLGTEMPLATE header;
  WORD menu;          // none
  WORD window_class;  // the dialog class
  WCHAR title[33];
};
static_assert(sizeof(Template) % 4 == 0 && sizeof(DLGTEMPLATE) == 18, "no padding");

Template MakeTemplate(DWORD style, const char* title, short x, short y, short cx, short cy) {
  Template t = {};
  t.header.style = style;
  t.header.x = x;
  t.header.y = y;
  t.header.cx = cx;
  t.header.cy = cy;
  for (int i = 0; title[i] && i < 32; ++i) {
    t.title[i] = static_cast<WCHAR>(title[i]);
  }
  return t;
}

INT_PTR CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM);

// A child dialog with control ID `id`, inset in `parent`.
HWND Page(HWND parent, int id, const char* top, short inset, short cx, short cy) {
  Template t = MakeTemplate(WS_CHILD | WS_VISIBLE | DS_CONTROL, "", inset, inset, cx, cy);
  HWND page = CreateDialogIndirectParamA(instance, &t.header, parent, PageProc, 0);
  SetWindowLongPtrA(page, GWLP_ID, id);
  Remember(page, id, top);
  return page;
}

HWND Control(HWND parent, const char* window_class, const char* text, DWORD style, int id, int x,
             int y, int cx, int cy, const char* top) {
  HWND control =
      CreateWindowExA(0, window_class, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               TRUE);
  Remember(control, id, top);
  return control;
}

HWND MonitorSelector() {
  HWND page = details ? GetDlgItem(details, 0) : nullptr;
  HWND group = page ? GetDlgItem(page, 11) : nullptr;
  return group ? GetDlgItem(group, 23) : nullptr;
}

void SelectedMonitor(char* text, int size) {
  text[0] = '\0';
  HWND selector = MonitorSelector();
  LRESULT index = selector ? SendMessageA(selector, CB_GETCURSEL, 0, 0) : CB_ERR;
  if (index == CB_ERR) {
    return;
  }
  WPARAM item = static_cast<WPARAM>(index);
  if (SendMessageA(selector, CB_GETLBTEXTLEN, item, 0) < size) {
    SendMessageA(selector, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
  }
}

void BuildDetails(HWND dialog) {
  const char* top = "Pen Mode Details";
  Remember(dialog, 0, top);
  Control(dialog, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 120, 150, 80, 26, top);
  Control(dialog, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 210, 150, 80, 26, top);
  SendMessageA(dialog, DM_SETDEFID, IDOK, 0);
  if (options.details_missing == 0) {
    return;
  }
  HWND page = Page(dialog, 0, top, 4, 196, 80);
  if (options.details_missing == 11) {
    return;
  }
  HWND group = Page(page, 11, top, 4, 188, 70);
  Control(group, "STATIC", "Map the pen to:", 0, -1, 8, 12, 120, 20, top);
  if (options.details_missing == 23) {
    return;
  }
  HWND selector = Control(group, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 23, 8,
                          36, 200, 120, top);
  for (const char* monitor : {"Monitor 1", "Monitor 2", "Monitor 3"}) {
    SendMessageA(selector, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(monitor));
  }
  SendMessageA(selector, CB_SELECTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(mapped));
}

void ShowMapping() {
  char text[64];
  std::snprintf(text, sizeof text, "Pen Mode: %s", mapped);
  SetWindowTextA(mapping_label, text);
}

INT_PTR CALLBACK DetailsProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  char text[64];
  switch (message) {
    case WM_INITDIALOG:
      details = dialog;
      BuildDetails(dialog);

      Log("details opened");
      if (ready_when_details_open) {
        ready_when_details_open = false;
        Log("ready");
        Log("mapped %s", mapped);
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        SelectedMonitor(text, sizeof text);
        Log("accepted %s", text);
        lstrcpynA(mapped, text, sizeof mapped);
        ShowMapping();
        // Not ended at once: a destroyed dialog would lose the key messages still
        // queued for it, and the tests want to see every one of them. A timer fires
        // only once no posted message is waiting, so by then they have all been taken.
        SetTimer(dialog, CLOSE_TIMER, 50, nullptr);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        Log("cancelled");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_TIMER:
      if (wparam == CLOSE_TIMER) {
        KillTimer(dialog, CLOSE_TIMER);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      return FALSE;
    case WM_SHOWWINDOW:
      if (options.timing && wparam) {
        Log("time shown %.3f", NowMs());
      }
      return FALSE;
    case WM_DESTROY:
      details = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

void OpenDetails() {
  if (details) {
    return;
  }
  Template t = MakeTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE,
                            "Pen Mode Details", 60, 40, 200, 110);
  DialogBoxIndirectParamA(instance, &t.header, properties, DetailsProc, 0);
}

void CALLBACK OpenDetailsByItself(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  OpenDetails();
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wparam, LPARAM) {
  char text[64];
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == 1581 && HIWORD(wparam) == BN_CLICKED) {
        Log("clicked");
        if (options.click_delay > 0) {
          SetTimer(page, OPEN_TIMER, static_cast<UINT>(options.click_delay), nullptr);
        } else {
          OpenDetails();
        }
        return TRUE;
      }
      if (LOWORD(wparam) == 23 && HIWORD(wparam) == CBN_SELCHANGE) {
        SelectedMonitor(text, sizeof text);
        Log("choice %s", text);
        return TRUE;
      }
      return FALSE;
    case WM_TIMER:
      if (wparam == OPEN_TIMER) {
        KillTimer(page, OPEN_TIMER);
        OpenDetails();
        return TRUE;
      }
      return FALSE;
    case WM_SHOWWINDOW:
      if (page == properties && wparam) {
        Log("shown Pen Tablet Properties");
      }
      return FALSE;
    case WM_ACTIVATE:
      if (page == properties && LOWORD(wparam) != WA_INACTIVE) {
        Log("activated Pen Tablet Properties");
      }
      return FALSE;
    case WM_CLOSE:
      DestroyWindow(page);
      return TRUE;
    default:
      return FALSE;
  }
}

void BuildProperties() {
  const char* top = "Pen Tablet Properties";
  Template t = MakeTemplate(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                            "Pen Tablet Properties", 20, 20, 260, 150);
  properties = CreateDialogIndirectParamA(instance, &t.header, nullptr, PageProc, 0);
  Remember(properties, 0, top);
  HWND parent = properties;
  short size = 240;
  for (int id : {0, 62, 71, 813, 814}) {
    if (id == options.missing) {
      break;
    }
    parent = Page(parent, id, top, 4, size, static_cast<short>(size / 2));
    size = static_cast<short>(size - 8);
  }
  if (parent != properties && GetDlgCtrlID(parent) == 814) {
    mapping_label = Control(parent, "STATIC", "", 0, -1, 8, 12, 200, 20, top);
    ShowMapping();
    if (options.missing != 1581) {
      Control(parent, "BUTTON", "Details...", BS_PUSHBUTTON | WS_TABSTOP, 1581, 8, 40, 100, 28,
              top);
    }
  }
  if (!options.hidden) {
    ShowWindow(properties, SW_SHOW);
  }
}

void Finish() {
  Log("finish visible=%d active=%d", properties && IsWindowVisible(properties) ? 1 : 0,
      properties && GetForegroundWindow() == properties ? 1 : 0);
  ExitProcess(0);
}

LRESULT CALLBACK OnGetMessage(int code, WPARAM removal, LPARAM data) {
  const MSG* message = reinterpret_cast<const MSG*>(data);
  if (code == HC_ACTION && removal == PM_REMOVE) {
    UINT m = message->message;
    if (m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP) {
      if (options.timing) {
        Log("time key 0x%04x 0x%02llx %.3f", m, static_cast<unsigned long long>(message->wParam),
            NowMs());
      }
      const Known* target = Describe(message->hwnd);
      Log("key 0x%04x 0x%02llx 0x%08llx id=%d top=%s", m,
          static_cast<unsigned long long>(message->wParam),
          static_cast<unsigned long long>(message->lParam), target ? target->id : -1,
          target ? target->top : "?");
    } else if (m == PANEL_FINISH && !message->hwnd) {
      Finish();
    }
  }
  return CallNextHookEx(nullptr, code, removal, data);
}

}  // namespace

int RunPanel(HINSTANCE module, bool as_applet) {
  instance = module;
  ReadOptions();
  SetWindowsHookExA(WH_GETMESSAGE, OnGetMessage, nullptr, GetCurrentThreadId());
  if (as_applet) {
    // The show command the shell was asked for reaches the applet's process.
    STARTUPINFOA startup = {};
    GetStartupInfoA(&startup);
    Log("applet opened show=%d",
        startup.dwFlags & STARTF_USESHOWWINDOW ? static_cast<int>(startup.wShowWindow) : -1);
  }
  bool with_properties =
      as_applet || !std::strcmp(options.start, "properties") || !std::strcmp(options.start, "both");
  bool with_details =
      !as_applet && (!std::strcmp(options.start, "details") || !std::strcmp(options.start, "both"));
  if (with_properties) {
    BuildProperties();
  }
  if (options.auto_details >= 0) {
    SetTimer(nullptr, 0, static_cast<UINT>(options.auto_details), OpenDetailsByItself);
  }
  if (with_details) {
    ready_when_details_open = true;
    OpenDetails();
  } else {
    Log("ready");
    Log("mapped %s", mapped);
  }

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (properties && IsDialogMessageA(properties, &message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
