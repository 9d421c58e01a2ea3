// e2e_scenarios.exe NAME ORVANEL PANEL APPLET WORKDIR
// Runs one end-to-end scenario under Wine: sets up the panel stand-in (PANEL, or the
// applet APPLET installed into system32), runs ORVANEL through the launcher, ends the
// panel once every key message has reached it, and compares what the panel received,
// the exit status, the error box, the applet launches and the accepted monitor with
// what the scenario expects. Exit status 0 when all of it matches.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/launcher.h"
#include "tests/e2e/panel_log.h"
#include "tests/e2e/panel_standin.h"

namespace {

using Lines = std::vector<std::string>;

const char PROPERTIES_TEXT[] =
    "Cannot resolve 'Pen Tablet Properties' dialog.\r\n\r\n"
    "Please ensure that Pen Tablet Properties are running, and\r\n"
    "'Pen' tab is currently selected.\r\n\r\n"
    "Note, that this software is not guaranteed to work, and perhaps will be:\r\n"
    " - Dependent on a particular version of drivers\r\n"
    " - Dependent on the Tablet Driver language being English";

const char DETAILS_TEXT[] =
    "Cannot resolve 'Pen Mode Details' dialog.\r\n\r\n"
    "Please ensure that on a tablet properties\r\n"
    "window, Pen Mode is selected. And on the\r\n"
    "'Details...' pane, 'Monitor' tickbox is selected.\r\n";

const Lines SPACE = {
    "key 0x0100 0x20 0x00390001 id=1581 top=Pen Tablet Properties",
    "key 0x0101 0x20 0x00390001 id=1581 top=Pen Tablet Properties",
};
const Lines UP_ENTER = {
    "key 0x0100 0x26 0x01480001 id=23 top=Pen Mode Details",
    "key 0x0101 0x26 0x01480001 id=23 top=Pen Mode Details",
    "key 0x0100 0x0d 0x01480001 id=0 top=Pen Mode Details",
    "key 0x0101 0x0d 0x01480001 id=0 top=Pen Mode Details",
};
const Lines NONE = {};

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

constexpr DWORD FAILED = 0xFFFFFFFF;

struct Scenario {
  const char* name;
  const char* panel;  // options of a panel started beforehand; null: none is started
  bool applet;        // PenTablet.cpl is installed for the shell to open
  int quit_after_ms;  // WM_QUIT posted to the program's thread then; -1: never
  // Expected:
  Lines keys;            // key messages the panel takes off its queue, in order
  DWORD status;          // exit status
  const char* box;       // text of the one error box, or null for none
  int launches;          // applet launches through the shell
  const char* accepted;  // monitor accepted in the details dialog, or null
  bool stays_hidden;     // the properties window is never shown or activated
  double min_wall_ms;    // the program runs at least this long; a negative value -N:
                         // its box comes only after N sleeps of 10 ms (as long as
                         // Sleep(10) lasts here)
};

const Scenario SCENARIOS[] = {
    {"details_open", "start=details", true, -1, UP_ENTER, 0, nullptr, 0, "Monitor 1", false, 0},
    {"properties_open", "start=properties", true, -1, SPACE + UP_ENTER, 0, nullptr, 0, "Monitor 1",
     false, 0},
    {"slow_dialog", "start=properties click_delay=900", true, -1, SPACE + UP_ENTER, 0, nullptr, 0,
     "Monitor 1", false, 900},
    {"nothing_open", nullptr, true, -1, SPACE + UP_ENTER, 0, nullptr, 1, "Monitor 1", false, 0},
    {"properties_hidden", "start=properties hidden=1", true, -1, SPACE + UP_ENTER, 0, nullptr, 0,
     "Monitor 1", true, 0},
    {"pen_tab_incomplete", "start=properties missing=813", true, -1, NONE, FAILED, PROPERTIES_TEXT,
     0, nullptr, false, -199},
    {"details_path_incomplete", "start=properties details_missing=11", true, -1, SPACE, FAILED,
     DETAILS_TEXT, 0, nullptr, false, -199},
    // The dialog opens a second after the panel, well after the program has started
    // polling even on a slow machine; the program then runs for at least half of that.
    {"dialog_opens_by_itself", "start=properties missing=813 auto_details=1000", true, -1, UP_ENTER,
     0, nullptr, 0, "Monitor 1", false, 500},
    {"quit_message", "start=properties click_delay=600", true, 200, SPACE + UP_ENTER, 0, nullptr, 0,
     "Monitor 1", false, 600},
    {"applet_not_installed", nullptr, false, -1, NONE, FAILED, PROPERTIES_TEXT, 0, nullptr, false,
     -199},
};

int failures = 0;

// How long Sleep(10) lasts here, from the mean of a few: under Wine it is often
// longer than 10 ms, and a failing run's time is made of 199 of them.
double SleepTenMs() {
  double start = NowMs();
  for (int i = 0; i < 10; ++i) {
    Sleep(10);
  }
  return (NowMs() - start) / 10;
}

void Check(bool ok, const char* what, const std::string& detail = "") {
  if (!ok) {
    ++failures;
    std::printf("FAILED: %s %s\n", what, detail.c_str());
  }
}

// Asks the panel to end once it has taken every message posted to it so far, and waits
// for that. `thread` is its thread when known; otherwise it is found by its windows.
bool FinishPanel(DWORD thread, HANDLE process) {
  if (!thread) {
    HWND window = FindWindowA(nullptr, "Pen Mode Details");
    if (!window) {
      window = FindWindowA(nullptr, "Pen Tablet Properties");
    }
    if (!window) {
      return false;
    }
    DWORD id = 0;
    thread = GetWindowThreadProcessId(window, &id);
    process = OpenProcess(SYNCHRONIZE, FALSE, id);
  }
  PostThreadMessageA(thread, PANEL_FINISH, 0, 0);
  bool ended = process && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
  return ended;
}

int Run(const Scenario& s, const char* orvanel, const char* panel, const char* applet,
        const std::string& workdir) {
  std::string log = workdir + "\\" + s.name + ".log";
  DeleteFileA(log.c_str());
  SetEnvironmentVariableA("ORVANEL_PANEL_LOG", log.c_str());
  SetEnvironmentVariableA("ORVANEL_PANEL", s.panel ? s.panel : "");

  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  std::string installed = std::string(system) + "\\PenTablet.cpl";
  if (s.applet) {
    Check(CopyFileA(applet, installed.c_str(), FALSE) != FALSE, "install the applet");
  } else {
    DeleteFileA(installed.c_str());
  }

  PROCESS_INFORMATION started = {};
  if (s.panel) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    char command[MAX_PATH];
    lstrcpynA(command, panel, sizeof command);
    if (!CreateProcessA(panel, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
      Check(false, "start the panel stand-in", panel);
      return 1;
    }
    Check(WaitForPanelLog(log, "ready", 20000), "panel ready");
  }

  LaunchOptions options;
  options.program = orvanel;
  options.quit_after_ms = s.quit_after_ms;
  LaunchResult result = Launch(options);
  Check(result.started, "start the program", orvanel);
  std::printf("status=0x%08lX wall_ms=%.0f first_box_ms=%.0f boxes=%d\n", result.status,
              result.wall_ms, result.first_box_ms, result.boxes);

  bool panel_expected = s.panel || s.launches > 0;
  bool finished = FinishPanel(started.dwThreadId, started.hProcess);
  Check(finished == panel_expected, "the panel ran and ended on request");
  if (started.hProcess) {
    TerminateProcess(started.hProcess, 1);  // in case it did not end
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
  }

  Lines keys;
  int launches = 0;
  std::string accepted;
  bool shown = false;
  for (const std::string& line : ReadPanelLog(log)) {
    if (line.rfind("key ", 0) == 0) {
      keys.push_back(line);
    } else if (line.rfind("applet opened", 0) == 0) {
      ++launches;
      Check(line == "applet opened show=1", "applet opened with SW_SHOWNORMAL:", line);
    } else if (line.rfind("accepted ", 0) == 0) {
      accepted = line.substr(9);
    } else if ((accepted.empty() &&
                (line.rfind("shown ", 0) == 0 || line.rfind("activated ", 0) == 0)) ||
               line.rfind("finish visible=1", 0) == 0) {
      // Once the dialog is accepted, the panel's own closing of it may activate its
      // owner; that is not the program's doing.
      shown = true;
    }
  }

  std::string got;
  for (const std::string& key : keys) {
    got += "\n  " + key;
  }
  Check(keys == s.keys, "key messages received:", got);
  char status[32];
  std::snprintf(status, sizeof status, "0x%08lX", result.status);
  Check(result.status == s.status, "exit status", status);
  Check(result.boxes == (s.box ? 1 : 0), "number of message boxes", std::to_string(result.boxes));
  if (s.box && result.boxes > 0) {
    const BoxSeen& box = result.box[0];
    Check(!std::strcmp(box.caption, "Orvanel Error"), "box caption", box.caption);
    Check(!std::strcmp(box.text, s.box), "box text", Escaped(box.text));
    Check(box.buttons == 1 && !std::strcmp(box.button, "OK"), "one OK button", box.button);
    Check(!box.owned, "box without owner");
    Check(!box.icon, "box without icon");
  }
  Check(launches == s.launches, "applet launches", std::to_string(launches));
  Check(accepted == (s.accepted ? s.accepted : ""), "monitor accepted", accepted);
  if (s.stays_hidden) {
    Check(!shown, "properties window stays hidden and inactive");
  }
  // Lower bounds only: a run cannot take less, but a loaded machine can make it longer.
  if (s.min_wall_ms >= 0) {
    Check(result.wall_ms >= s.min_wall_ms, "ran at least", std::to_string(result.wall_ms));
  } else {
    double polling = -s.min_wall_ms * SleepTenMs() * 0.8;
    Check(result.first_box_ms >= polling, "polled before its box for at least",
          std::to_string(polling) + " ms, not " + std::to_string(result.first_box_ms));
  }
  if (s.quit_after_ms >= 0) {
    Check(result.quit_posted, "WM_QUIT posted while it polled");
  }
  if (s.applet) {
    DeleteFileA(installed.c_str());
  }
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: e2e_scenarios NAME ORVANEL PANEL APPLET WORKDIR\n");
    return 2;
  }
  // The shell looks for the applet in the current folder too: use one without it.
  SetCurrentDirectoryA(argv[5]);
  for (const Scenario& scenario : SCENARIOS) {
    if (!std::strcmp(scenario.name, argv[1])) {
      int status = Run(scenario, argv[2], argv[3], argv[4], argv[5]);
      std::printf("%s: %s\n", scenario.name, status ? "FAILED" : "passed");
      return status;
    }
  }
  std::fprintf(stderr, "no scenario %s\n", argv[1]);
  return 2;
}
