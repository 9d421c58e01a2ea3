// The panel stand-in as the control-panel applet PenTablet.cpl, for the shell to open.
#include "tests/e2e/panel_standin.h"

#include <cpl.h>

namespace {
HINSTANCE module_instance = nullptr;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module_instance = instance;
  }
  return TRUE;
}

extern "C" __declspec(dllexport) LONG CALLBACK CPlApplet(HWND, UINT message, LPARAM, LPARAM info) {
  switch (message) {
    case CPL_INIT:
      return TRUE;
    case CPL_GETCOUNT:
      return 1;
    case CPL_INQUIRE: {
      CPLINFO* cpl = reinterpret_cast<CPLINFO*>(info);
      cpl->idIcon = 0;
      cpl->idName = 0;
      cpl->idInfo = 0;
      cpl->lData = 0;
      return 0;
    }
    case CPL_DBLCLK:
      RunPanel(module_instance, true);
      return 0;
    default:
      return 0;
  }
}
