// Entry point of orvanel.exe, a GUI-subsystem program without a window of its own.
#include <windows.h>

#include "switch/run.h"

// The command line and show command are ignored: every run does the same thing. The
// result becomes the process exit status, 0 or -1.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return RunSwitch();
}
