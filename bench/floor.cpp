// The floors for the benchmarks: GUI programs that look up one window by title and end,
// one of them after showing a message box like Orvanel's error box. No program that
// talks to the window system can do the same work faster.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#ifdef FLOOR_WITH_BOX
  MessageBoxA(nullptr, "Cannot resolve 'Pen Tablet Properties' dialog.", "Orvanel Error", MB_OK);
#endif
  return FindWindowA(nullptr, "Pen Mode Details") ? 0 : 1;
}
