#include "switch/run.h"

#include <iterator>

#include "panel/landmarks.h"
#include "platform/codes.h"

int RunSwitch() {
  ws::MSG scratch = {};
  // With the details dialog already up there is nothing to open or press.
  if (!ws::FindWindowA(nullptr, DETAILS_TITLE) && !OpenDetailsDialog(&scratch)) {
    ShowError(PROPERTIES_ERROR_TEXT);
    return -1;
  }
  if (!ChangeMonitorChoice(&scratch)) {
    ShowError(DETAILS_ERROR_TEXT);
    return -1;
  }
  return 0;
}

bool OpenDetailsDialog(ws::MSG* scratch) {
  if (!ws::FindWindowA(nullptr, PROPERTIES_TITLE)) {
    ws::ShellExecuteW(nullptr, nullptr, APPLET_FILE, nullptr, nullptr, ws::SW_SHOWNORMAL);
  }

  ws::HWND window = nullptr;
  for (int attempt = 0; attempt < MAX_ATTEMPTS; ++attempt) {
    window = PollDetailsDialog(scratch, attempt);
    if (window) {
      return true;  // The dialog came up by itself: no press needed.
    }
    window = ws::FindWindowA(nullptr, PROPERTIES_TITLE);
    if (!window) {
      continue;
    }
    window = WalkControlPath(window, PROPERTIES_PATH, std::size(PROPERTIES_PATH), nullptr);
    if (window) {
      break;
    }
  }
  if (!window) {
    return false;
  }

  // The dialog may have opened while the path was walked; pressing the button then
  // would be a second press.
  if (!ws::FindWindowA(nullptr, DETAILS_TITLE)) {
    PostKeyPress(window, ws::VK_SPACE, SPACE_KEY_LPARAM);
  }
  return true;
}

bool ChangeMonitorChoice(ws::MSG* scratch) {
  ws::HWND window = nullptr;
  ws::HWND page = nullptr;
  for (int attempt = 0; attempt < MAX_ATTEMPTS; ++attempt) {
    window = PollDetailsDialog(scratch, attempt);
    if (!window) {
      continue;
    }
    window = WalkControlPath(window, DETAILS_PATH, std::size(DETAILS_PATH), &page);
    if (window) {
      break;
    }
  }
  if (!window) {
    return false;
  }

  PostKeyPress(window, ws::VK_UP, ARROW_KEY_LPARAM);
  PostKeyPress(page, ws::VK_RETURN, ARROW_KEY_LPARAM);
  return true;
}

ws::HWND PollDetailsDialog(ws::MSG* scratch, int attempt) {
  if (attempt != 0) {
    ws::Sleep(ATTEMPT_WAIT_MS);
  }
  // Serve whatever reached this thread's queue while it slept. A quit message is
  // dispatched like any other: the run has no loop of its own to end.
  while (ws::PeekMessageA(scratch, nullptr, 0, 0, ws::PM_NOREMOVE)) {
    ws::GetMessageA(scratch, nullptr, 0, 0);
    ws::TranslateMessage(scratch);
    ws::DispatchMessageA(scratch);
  }
  return ws::FindWindowA(nullptr, DETAILS_TITLE);
}

ws::HWND WalkControlPath(ws::HWND window, const int* path, std::size_t length,
                         ws::HWND* first_link) {
  for (std::size_t link = 0; link < length && window; ++link) {
    window = ws::GetDlgItem(window, path[link]);
    if (link == 0 && first_link) {
      *first_link = window;
    }
  }
  return window;
}

void PostKeyPress(ws::HWND target, ws::WPARAM key, ws::LPARAM lparam) {
  ws::PostMessageA(target, ws::WM_KEYDOWN, key, lparam);
  ws::PostMessageA(target, ws::WM_KEYUP, key, lparam);
}

void ShowError(const char* text) {
  ws::MessageBoxA(nullptr, text, ERROR_CAPTION, ws::MB_OK);
}
