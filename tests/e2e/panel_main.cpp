// The panel stand-in as a program of its own.
#include "tests/e2e/panel_standin.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return RunPanel(instance, false);
}
