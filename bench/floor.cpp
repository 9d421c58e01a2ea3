// The floors for the benchmarks: GUI programs that look up one window by title and end.
// floor_peek also looks at its message queue first, as every attempt of a run does;
// floor_box first shows a message box like Orvanel's error box. No program that does
// the same work can start and end faster.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#ifdef FLOOR_WITH_PEEK
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
#endif
#ifdef FLOOR_WITH_BOX
  MessageBoxA(nullptr, "Cannot resolve 'Pen Tablet Properties' dialog.", "Orvanel Error", MB_OK);
#endif
  return FindWindowA(nullptr, "Pen Mode Details") ? 0 : 1;
}
