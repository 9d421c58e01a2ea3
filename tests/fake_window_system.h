// A simulated window system behind platform/window_system.h, for unit tests of the run.
//
// It holds top-level windows with titles and children with control IDs, each present
// during a span of virtual time; a clock that only the run's Sleep calls advance;
// reactions of the panel (the shell opening the applet, a Space press on a button);
// the run's own message queue; and a record of every call in order.
#pragma once

#include <climits>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace fake {

inline constexpr long NEVER = LONG_MAX;
inline constexpr unsigned WM_QUIT = 0x0012;

enum class Op {
  FindWindowA,
  GetDlgItem,
  PostMessageA,
  PeekMessageA,
  GetMessageA,
  TranslateMessage,
  DispatchMessageA,
  Sleep,
  ShellExecuteW,
  MessageBoxA,
};

// One call the run made, with its arguments and result written out, for example
// `GetDlgItem(details/0, 11) = details/0/11`. Windows appear by name, null as `null`;
// the run's message record as `scratch` when it is the one passed first, else `other`.
struct Call {
  Op op;             // which boundary function
  long at;           // virtual time of the call, ms
  std::string line;  // the call written out
};

class WindowSystem {
 public:
  // Installs this instance behind the boundary for its lifetime.
  WindowSystem();
  ~WindowSystem();
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;

  // Adds a top-level window `name` titled `title`, with children along `path`: the
  // first ID is a child of the window, each further one a child of the previous one.
  // Children are named after their IDs, as in `details/0/11`. The whole tree is present
  // from `from` until before `until`; the link at index `missing_link` (and so all
  // below it) never exists. Returns the name of the control at the end of the path.
  std::string AddWindow(const std::string& name, const std::string& title,
                        const std::vector<int>& path, long from = 0, long until = NEVER,
                        int missing_link = -1);

  // The tree of window `name`, when not yet shown, appears `delay` ms after the shell
  // is asked to open `file` (as UTF-8).
  void OpenOnShell(const std::string& file, const std::string& name, long delay);

  // The tree of window `name`, when not yet shown, appears `delay` ms after a Space
  // key-down followed by a key-up is posted to `button` while it exists.
  void OpenOnSpace(const std::string& button, const std::string& name, long delay);

  // Puts message `id` in the run's queue at virtual time `at`. Messages are taken in
  // the order of their times, and those of one time in the order they were queued.
  void QueueMessage(long at, unsigned id);

  // Called after every call has been recorded; may change the windows.
  std::function<void(const Call&)> after_call;

  long now() const { return now_; }
  const std::vector<Call>& calls() const { return calls_; }
  // The lines of the calls of one kind, in order.
  std::vector<std::string> Lines(Op op) const;
  int Count(Op op) const;

  // Makes window `name` and its tree present from `at` on.
  void Show(const std::string& name, long at);
  // Makes window `name` and its tree go away at `at`.
  void Close(const std::string& name, long at);
  // Whether window `name` is present now.
  bool Present(const std::string& name) const;

  // Boundary entry points; see platform/window_system.h.
  ws::HWND FindWindowA(const char* class_name, const char* title);
  ws::HWND GetDlgItem(ws::HWND dialog, int id);
  ws::BOOL PostMessageA(ws::HWND window, ws::UINT message, ws::WPARAM wparam, ws::LPARAM lparam);
  ws::BOOL PeekMessageA(ws::MSG* message, ws::HWND window, ws::UINT min, ws::UINT max,
                        ws::UINT remove);
  ws::BOOL GetMessageA(ws::MSG* message, ws::HWND window, ws::UINT min, ws::UINT max);
  ws::BOOL TranslateMessage(const ws::MSG* message);
  ws::LRESULT DispatchMessageA(const ws::MSG* message);
  void Sleep(unsigned long milliseconds);
  std::intptr_t ShellExecuteW(ws::HWND owner, const char16_t* verb, const char16_t* file,
                              const char16_t* parameters, const char16_t* directory, int show);
  int MessageBoxA(ws::HWND owner, const char* text, const char* caption, ws::UINT type);

 private:
  static constexpr std::size_t NO_PARENT = static_cast<std::size_t>(-1);
  struct Node {
    std::string name;    // e.g. `properties/0/62`
    std::string title;   // top-level windows only
    std::size_t parent;  // index of the parent node, NO_PARENT for a top-level window
    int id;              // control ID within the parent
    long from;           // present from this time ...
    long until;          // ... until before this one
    bool never;          // a missing link: never present
  };
  struct Reaction {
    bool on_shell;        // shell request, else Space press
    std::string trigger;  // file for the shell, button name for Space
    std::string opens;    // name of the window it shows
    long delay;           // ms after the trigger
  };
  bool Present(std::size_t node) const;
  bool InTree(std::size_t node, const std::string& root) const;
  std::size_t Find(const std::string& name) const;
  // The node behind a handle; false for null or a handle the fake never gave out.
  bool FromHandle(ws::HWND window, std::size_t* node) const;
  static ws::HWND Handle(std::size_t node);
  std::string Name(ws::HWND window) const;
  std::string Scratch(const ws::MSG* message);
  void Record(Op op, std::string line);
  void Trigger(bool on_shell, const std::string& trigger);

  long now_ = 0;
  std::vector<Node> nodes_;
  std::vector<Reaction> reactions_;
  std::multimap<long, unsigned> queue_;  // message numbers by arrival time
  std::vector<Call> calls_;
  const ws::MSG* scratch_ = nullptr;
  std::string space_down_;  // window that last got a Space key-down
};

}  // namespace fake
