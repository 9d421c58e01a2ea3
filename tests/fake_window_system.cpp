#include "tests/fake_window_system.h"

#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

namespace fake {
namespace {

WindowSystem* installed = nullptr;

std::string Quoted(const char* text) {
  return text ? "\"" + std::string(text) + "\"" : "null";
}

// Writes a UTF-16 string of ASCII text as u"...".
std::string Quoted(const char16_t* text) {
  if (!text) {
    return "null";
  }
  std::string out = "u\"";
  for (; *text; ++text) {
    out += *text < 0x80 ? static_cast<char>(*text) : '?';
  }
  return out + "\"";
}

std::string Hex(unsigned long long value, int digits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%0*llx", digits, value);
  return buffer;
}

unsigned StoredMessage(const ws::MSG* message) {
  unsigned id;
  std::memcpy(&id, message->storage, sizeof id);
  return id;
}

}  // namespace

WindowSystem::WindowSystem() {
  installed = this;
}
WindowSystem::~WindowSystem() {
  installed = nullptr;
}

std::string WindowSystem::AddWindow(const std::string& name, const std::string& title,
                                    const std::vector<int>& path, long from, long until,
                                    int missing_link) {
  nodes_.push_back({name, title, NO_PARENT, 0, from, until, false});
  std::string child = name;
  for (std::size_t link = 0; link < path.size(); ++link) {
    std::size_t parent = nodes_.size() - 1;
    child += "/" + std::to_string(path[link]);
    bool never = missing_link >= 0 && link >= static_cast<std::size_t>(missing_link);
    nodes_.push_back({child, "", parent, path[link], from, until, never});
  }
  return child;
}

void WindowSystem::OpenOnShell(const std::string& file, const std::string& name, long delay) {
  reactions_.push_back({true, file, name, delay});
}

void WindowSystem::OpenOnSpace(const std::string& button, const std::string& name, long delay) {
  reactions_.push_back({false, button, name, delay});
}

void WindowSystem::QueueMessage(long at, unsigned id) {
  queue_.emplace(at, id);
}

std::vector<std::string> WindowSystem::Lines(Op op) const {
  std::vector<std::string> lines;
  for (const Call& call : calls_) {
    if (call.op == op) {
      lines.push_back(call.line);
    }
  }
  return lines;
}

int WindowSystem::Count(Op op) const {
  return static_cast<int>(Lines(op).size());
}

void WindowSystem::Show(const std::string& name, long at) {
  for (std::size_t node = Find(name); node < nodes_.size(); ++node) {
    if (InTree(node, name) && nodes_[node].from == NEVER) {
      nodes_[node].from = at;
    }
  }
}

void WindowSystem::Close(const std::string& name, long at) {
  for (std::size_t node = Find(name); node < nodes_.size(); ++node) {
    if (InTree(node, name) && nodes_[node].until > at) {
      nodes_[node].until = at;
    }
  }
}

bool WindowSystem::InTree(std::size_t node, const std::string& root) const {
  return nodes_[node].name == root || nodes_[node].name.rfind(root + "/", 0) == 0;
}

bool WindowSystem::Present(const std::string& name) const {
  return Present(Find(name));
}

bool WindowSystem::Present(std::size_t node) const {
  const Node& n = nodes_[node];
  bool alive = !n.never && n.from <= now_ && now_ < n.until;
  return alive && (n.parent == NO_PARENT || Present(n.parent));
}

std::size_t WindowSystem::Find(const std::string& name) const {
  for (std::size_t node = 0; node < nodes_.size(); ++node) {
    if (nodes_[node].name == name) {
      return node;
    }
  }
  ADD_FAILURE() << "no window named " << name;
  return 0;
}

// Handles are 16, 32, 48, ...: never null, and distinct for every window ever added, so
// a window that closes and another that opens with the same title differ.
ws::HWND WindowSystem::Handle(std::size_t node) {
  return reinterpret_cast<ws::HWND>((node + 1) * 16);
}

bool WindowSystem::FromHandle(ws::HWND window, std::size_t* node) const {
  auto value = reinterpret_cast<std::uintptr_t>(window);
  if (value == 0 || value % 16 != 0 || value / 16 > nodes_.size()) {
    return false;
  }
  *node = value / 16 - 1;
  return true;
}

std::string WindowSystem::Name(ws::HWND window) const {
  if (!window) {
    return "null";
  }
  std::size_t node = 0;
  return FromHandle(window, &node) ? nodes_[node].name : "invalid";
}

std::string WindowSystem::Scratch(const ws::MSG* message) {
  if (!message) {
    return "null";
  }
  if (!scratch_) {
    scratch_ = message;
  }
  return message == scratch_ ? "scratch" : "other";
}

void WindowSystem::Record(Op op, std::string line) {
  calls_.push_back({op, now_, std::move(line)});
  if (after_call) {
    after_call(calls_.back());
  }
}

void WindowSystem::Trigger(bool on_shell, const std::string& trigger) {
  for (const Reaction& reaction : reactions_) {
    if (reaction.on_shell == on_shell && reaction.trigger == trigger) {
      Show(reaction.opens, now_ + reaction.delay);
    }
  }
}

ws::HWND WindowSystem::FindWindowA(const char* class_name, const char* title) {
  ws::HWND found = nullptr;
  for (std::size_t node = 0; node < nodes_.size() && !found && title; ++node) {
    if (nodes_[node].parent == NO_PARENT && nodes_[node].title == title && Present(node)) {
      found = Handle(node);
    }
  }
  Record(Op::FindWindowA,
         "FindWindowA(" + Quoted(class_name) + ", " + Quoted(title) + ") = " + Name(found));
  return class_name ? nullptr : found;
}

ws::HWND WindowSystem::GetDlgItem(ws::HWND dialog, int id) {
  ws::HWND found = nullptr;
  std::size_t parent = 0;
  if (FromHandle(dialog, &parent) && Present(parent)) {
    for (std::size_t node = 0; node < nodes_.size() && !found; ++node) {
      if (nodes_[node].parent == parent && nodes_[node].id == id && Present(node)) {
        found = Handle(node);
      }
    }
  }
  Record(Op::GetDlgItem,
         "GetDlgItem(" + Name(dialog) + ", " + std::to_string(id) + ") = " + Name(found));
  return found;
}

ws::BOOL WindowSystem::PostMessageA(ws::HWND window, ws::UINT message, ws::WPARAM wparam,
                                    ws::LPARAM lparam) {
  std::size_t node = 0;
  bool delivered = FromHandle(window, &node) && Present(node);
  std::string target = Name(window);
  Record(Op::PostMessageA, "PostMessageA(" + target + ", " + Hex(message, 4) + ", " +
                               Hex(wparam, 2) + ", " +
                               Hex(static_cast<unsigned long long>(lparam), 8) + ")");
  if (delivered && wparam == 0x20 && message == 0x0100) {
    space_down_ = target;
  } else if (delivered && wparam == 0x20 && message == 0x0101 && space_down_ == target) {
    space_down_.clear();
    Trigger(false, target);
  }
  return delivered;
}

ws::BOOL WindowSystem::PeekMessageA(ws::MSG* message, ws::HWND window, ws::UINT min, ws::UINT max,
                                    ws::UINT remove) {
  bool waiting = !queue_.empty() && queue_.begin()->first <= now_;
  Record(Op::PeekMessageA, "PeekMessageA(" + Scratch(message) + ", " + Name(window) + ", " +
                               std::to_string(min) + ", " + std::to_string(max) + ", " +
                               std::to_string(remove) + ") = " + (waiting ? "1" : "0"));
  return waiting;
}

ws::BOOL WindowSystem::GetMessageA(ws::MSG* message, ws::HWND window, ws::UINT min, ws::UINT max) {
  unsigned id = 0;
  if (!queue_.empty() && queue_.begin()->first <= now_) {
    id = queue_.begin()->second;
    queue_.erase(queue_.begin());
  } else {
    ADD_FAILURE() << "GetMessageA would block on an empty queue";
  }
  std::memcpy(message->storage, &id, sizeof id);
  Record(Op::GetMessageA, "GetMessageA(" + Scratch(message) + ", " + Name(window) + ", " +
                              std::to_string(min) + ", " + std::to_string(max) + ")");
  return id != WM_QUIT;
}

ws::BOOL WindowSystem::TranslateMessage(const ws::MSG* message) {
  Record(Op::TranslateMessage,
         "TranslateMessage(" + Scratch(message) + " = " + Hex(StoredMessage(message), 4) + ")");
  return 0;
}

ws::LRESULT WindowSystem::DispatchMessageA(const ws::MSG* message) {
  Record(Op::DispatchMessageA,
         "DispatchMessageA(" + Scratch(message) + " = " + Hex(StoredMessage(message), 4) + ")");
  return 0;
}

void WindowSystem::Sleep(unsigned long milliseconds) {
  Record(Op::Sleep, "Sleep(" + std::to_string(milliseconds) + ")");
  now_ += static_cast<long>(milliseconds);
}

std::intptr_t WindowSystem::ShellExecuteW(ws::HWND owner, const char16_t* verb,
                                          const char16_t* file, const char16_t* parameters,
                                          const char16_t* directory, int show) {
  Record(Op::ShellExecuteW, "ShellExecuteW(" + Name(owner) + ", " + Quoted(verb) + ", " +
                                Quoted(file) + ", " + Quoted(parameters) + ", " +
                                Quoted(directory) + ", " + std::to_string(show) + ")");
  if (file) {
    std::string name = Quoted(file);
    Trigger(true, name.substr(2, name.size() - 3));
  }
  return 42;
}

int WindowSystem::MessageBoxA(ws::HWND owner, const char* text, const char* caption,
                              ws::UINT type) {
  Record(Op::MessageBoxA, "MessageBoxA(" + Name(owner) + ", " + Quoted(text) + ", " +
                              Quoted(caption) + ", " + Hex(type, 2) + ")");
  return 1;
}

}  // namespace fake

// The boundary, forwarded to the installed instance.
ws::HWND ws::FindWindowA(const char* class_name, const char* title) {
  return fake::installed->FindWindowA(class_name, title);
}
ws::HWND ws::GetDlgItem(HWND dialog, int id) {
  return fake::installed->GetDlgItem(dialog, id);
}
ws::BOOL ws::PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return fake::installed->PostMessageA(window, message, wparam, lparam);
}
ws::BOOL ws::PeekMessageA(MSG* message, HWND window, UINT min, UINT max, UINT remove) {
  return fake::installed->PeekMessageA(message, window, min, max, remove);
}
ws::BOOL ws::GetMessageA(MSG* message, HWND window, UINT min, UINT max) {
  return fake::installed->GetMessageA(message, window, min, max);
}
ws::BOOL ws::TranslateMessage(const MSG* message) {
  return fake::installed->TranslateMessage(message);
}
ws::LRESULT ws::DispatchMessageA(const MSG* message) {
  return fake::installed->DispatchMessageA(message);
}
void ws::Sleep(unsigned long milliseconds) {
  fake::installed->Sleep(milliseconds);
}
std::intptr_t ws::ShellExecuteW(HWND owner, const char16_t* verb, const char16_t* file,
                                const char16_t* parameters, const char16_t* directory, int show) {
  return fake::installed->ShellExecuteW(owner, verb, file, parameters, directory, show);
}
int ws::MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  return fake::installed->MessageBoxA(owner, text, caption, type);
}
