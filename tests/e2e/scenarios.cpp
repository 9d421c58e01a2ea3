// e2e_scenarios.exe NAME ORVANEL PANEL APPLET WORKDIR
// Runs one end-to-end scenario, on Windows or under Wine: sets up the panel stand-in
// (PANEL started beforehand, or the applet APPLET copied into the scenario's own folder
// WORKDIR), runs ORVANEL (or the program that ORVANEL_EXE names) through the launcher
// with WORKDIR as its working folder, where the shell finds the applet, ends the panel
// once every key message has reached it, and compares what the panel received, the exit
// status, the error box, the applet launches and the accepted monitor with what the
// scenario expects. Exit status 0 when all of it matches, 1 when not.
//
// It writes only inside WORKDIR. When a real tablet panel could be reached instead of
// the stand-in (a PenTablet.cpl that is not ours where the shell finds applets, or one
// of the panel's windows already open) it runs nothing and exits with SKIPPED, which
// ctest reports as a skipped test.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
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

// Exit status of a scenario that was not run; ctest's SKIP_RETURN_CODE.
constexpr int SKIPPED = 77;

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

// Asks the panel whose main thread is `thread` to end once it has taken every message
// posted to it so far, and waits for that.
bool FinishPanel(DWORD thread, HANDLE process) {
  PostThreadMessageA(thread, PANEL_FINISH, 0, 0);
  return process && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
}

// Ends the panel that the shell started, found by its windows, so that no stand-in
// outlives its scenario. Returns whether one was there and ended on request.
bool FinishOpenedPanel() {
  HWND window = FindWindowA(nullptr, "Pen Mode Details");
  if (!window) {
    window = FindWindowA(nullptr, "Pen Tablet Properties");
  }
  if (!window) {
    return false;
  }
  DWORD id = 0;
  DWORD thread = GetWindowThreadProcessId(window, &id);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
  bool ended = FinishPanel(thread, process);
  if (process) {
    if (!ended) {
      TerminateProcess(process, 1);
    }
    CloseHandle(process);
  }
  return ended;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool IsFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The value of environment variable `name`, of any length; empty when it is not set.
std::string Environment(const char* name) {
  DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
  std::vector<char> value(size + 1, '\0');
  if (size == 0 || GetEnvironmentVariableA(name, value.data(), size) >= size) {
    return "";
  }
  return value.data();
}

// Where the shell finds an applet given by its bare name, besides the working folder:
// the system folder, the Windows folder and the folders of PATH.
std::vector<std::string> AppletFolders() {
  std::vector<std::string> folders;
  char folder[MAX_PATH];
  UINT length = GetSystemDirectoryA(folder, sizeof folder);
  if (length > 0 && length < sizeof folder) {
    folders.push_back(folder);
  }
  length = GetWindowsDirectoryA(folder, sizeof folder);
  if (length > 0 && length < sizeof folder) {
    folders.push_back(folder);
  }
  std::string entries = Environment("PATH");
  for (std::size_t start = 0; start < entries.size();) {
    std::size_t end = entries.find(';', start);
    if (end == std::string::npos) {
      end = entries.size();
    }
    if (end > start) {
      folders.push_back(entries.substr(start, end - start));
    }
    start = end + 1;
  }
  return folders;
}

// Why the scenario must not run here, or an empty text when it may.
std::string ReasonToSkip(const char* applet) {
  for (const char* title : {"Pen Tablet Properties", "Pen Mode Details"}) {
    if (FindWindowA(nullptr, title)) {
      return std::string("a window titled \"") + title +
             "\" is open. Close the tablet panel before running the end-to-end tests.";
    }
  }
  std::string ours = ReadWhole(applet);
  if (ours.empty()) {
    return std::string("the stand-in applet ") + applet + " cannot be read.";
  }
  for (const std::string& folder : AppletFolders()) {
    std::string found = folder + "\\PenTablet.cpl";
    if (IsFile(found) && ReadWhole(found) != ours) {
      return found +
             " is not the tests' stand-in: the shell could open that real panel instead. The "
             "end-to-end tests run only where no tablet driver's applet is installed.";
    }
  }
  return "";
}

// Makes folder `path` and those of its parents that are missing.
bool MakeFolders(const std::string& path) {
  for (std::size_t end = 1; end <= path.size(); ++end) {
    if (end == path.size() || path[end] == '\\' || path[end] == '/') {
      CreateDirectoryA(path.substr(0, end).c_str(), nullptr);
    }
  }
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int Run(const Scenario& s, const char* orvanel, const char* panel, const char* applet,
        const std::string& workdir) {
  std::string log = workdir + "\\" + s.name + ".log";
  DeleteFileA(log.c_str());
  SetEnvironmentVariableA("ORVANEL_PANEL_LOG", log.c_str());
  SetEnvironmentVariableA("ORVANEL_PANEL", s.panel ? s.panel : "");

  // The shell finds the applet in the program's working folder.
  std::string copied = workdir + "\\PenTablet.cpl";
  if (s.applet) {
    Check(CopyFileA(applet, copied.c_str(), FALSE) != FALSE, "copy the applet to", copied);
  } else {
    DeleteFileA(copied.c_str());
  }

  PROCESS_INFORMATION started = {};
  if (s.panel) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::vector<char> command = CommandLine(panel);
    if (!CreateProcessA(panel, command.data(), nullptr, nullptr, FALSE, 0, nullptr, workdir.c_str(),
                        &startup, &started)) {
      Check(false, "start the panel stand-in", panel);
      return 1;
    }
    Check(WaitForPanelLog(log, "ready", 20000), "panel ready");
  }

  LaunchOptions options;
  options.program = orvanel;
  options.directory = workdir.c_str();
  options.quit_after_ms = s.quit_after_ms;
  LaunchResult result = Launch(options);
  Check(result.started, "start the program", orvanel);
  std::printf("status=0x%08lX wall_ms=%.0f first_box_ms=%.0f boxes=%d\n", result.status,
              result.wall_ms, result.first_box_ms, result.boxes);

  bool panel_expected = s.panel || s.launches > 0;
  bool finished =
      started.hProcess ? FinishPanel(started.dwThreadId, started.hProcess) : FinishOpenedPanel();
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
    DeleteFileA(copied.c_str());
  }
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: e2e_scenarios NAME ORVANEL PANEL APPLET WORKDIR\n");
    return 2;
  }
  const Scenario* scenario = nullptr;
  for (const Scenario& s : SCENARIOS) {
    if (!std::strcmp(s.name, argv[1])) {
      scenario = &s;
    }
  }
  if (!scenario) {
    std::fprintf(stderr, "no scenario %s\n", argv[1]);
    return 2;
  }
  std::string reason = ReasonToSkip(argv[4]);
  if (!reason.empty()) {
    std::printf("%s: SKIPPED, because %s\n", scenario->name, reason.c_str());
    return SKIPPED;
  }
  std::string workdir = argv[5];
  if (!MakeFolders(workdir)) {
    std::printf("%s: FAILED, cannot make the folder %s\n", scenario->name, workdir.c_str());
    return 1;
  }
  std::string orvanel = Environment("ORVANEL_EXE");
  if (orvanel.empty()) {
    orvanel = argv[2];
  }
  std::printf("orvanel.exe under test: %s\n", orvanel.c_str());
  int status = Run(*scenario, orvanel.c_str(), argv[3], argv[4], workdir);
  std::printf("%s: %s\n", scenario->name, status ? "FAILED" : "passed");
  return status;
}
