// Starts orvanel.exe and watches it as a user would see it: its error boxes, its exit
// status and what it cost. Windows-side test tool, also used by the benchmarks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/clock.h"

struct LaunchOptions {
  const char* program = nullptr;    // path of the executable to start
  const char* directory = nullptr;  // its working folder; null: the launcher's own
  int quit_after_ms = -1;           // post WM_QUIT to its thread this long after start
  bool dismiss_boxes = true;        // press OK on every message box it shows
};

// A message box the program showed, as found on screen.
struct BoxSeen {
  char caption[128];  // window title
  char text[1024];    // the message
  int buttons;        // visible push buttons
  char button[32];    // text of the first of them
  bool owned;         // it has an owner window
  bool icon;          // it shows an icon
};

struct LaunchResult {
  bool started;         // the process could be created
  DWORD status;         // exit status, as the full 32-bit value
  bool quit_posted;     // WM_QUIT reached its thread's queue
  double wall_ms;       // from creation to exit
  double cpu_ms;        // user and kernel time of the process, as Windows reports it
                        // (Wine's figure is rough; bench/run takes CPU from Linux)
  int boxes;            // message boxes seen (at most 4 are described)
  BoxSeen box[4];       // the first ones, in order
  double first_box_ms;  // when the first box was found, from creation
};

// Runs the program to its end. Message boxes are found by polling every 5 ms.
LaunchResult Launch(const LaunchOptions& options);

// The command line that starts `program` with no arguments: its path, quoted, as a
// writable buffer of the length it needs, as CreateProcessA wants.
std::vector<char> CommandLine(const char* program);

// `text` with carriage returns and line feeds written as \r and \n.
std::string Escaped(const char* text);
