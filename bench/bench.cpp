// bench.exe ORVANEL FLOOR FLOOR_BOX PANEL ROUNDS WORKDIR
// Measures orvanel.exe under Wine against the floor program, side by side in each
// round, and prints medians:
//   - process time of a run with the details dialog already open, and of the floor;
//   - latency from the details dialog opening to the Up key reaching the panel;
//   - CPU time of a run whose properties phase fails after its polling, and that of the
//     floor that shows the same kind of box without polling.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/launcher.h"
#include "tests/e2e/panel_standin.h"

namespace {

struct Panel {
  PROCESS_INFORMATION process;  // the running stand-in
  std::string log;              // its log file
};

std::vector<std::string> ReadLog(const std::string& path) {
  std::vector<std::string> lines;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char line[512];
    while (std::fgets(line, sizeof line, file)) {
      lines.emplace_back(line);
    }
    std::fclose(file);
  }
  return lines;
}

bool Logged(const std::string& path, const char* prefix) {
  for (const std::string& line : ReadLog(path)) {
    if (line.rfind(prefix, 0) == 0) {
      return true;
    }
  }
  return false;
}

void WaitLogged(const std::string& path, const char* prefix) {
  for (int i = 0; i < 4000 && !Logged(path, prefix); ++i) {
    Sleep(5);
  }
}

// Starts the stand-in with `options` and waits until its windows are up.
Panel StartPanel(const char* program, const char* options, const std::string& workdir) {
  Panel panel = {};
  panel.log = workdir + "\\bench-panel.log";
  DeleteFileA(panel.log.c_str());
  SetEnvironmentVariableA("ORVANEL_PANEL_LOG", panel.log.c_str());
  SetEnvironmentVariableA("ORVANEL_PANEL", options);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  char command[MAX_PATH];
  lstrcpynA(command, program, sizeof command);
  CreateProcessA(program, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                 &panel.process);
  WaitLogged(panel.log, "ready");
  return panel;
}

void StopPanel(Panel& panel) {
  PostThreadMessageA(panel.process.dwThreadId, PANEL_FINISH, 0, 0);
  if (WaitForSingleObject(panel.process.hProcess, 5000) != WAIT_OBJECT_0) {
    TerminateProcess(panel.process.hProcess, 1);
  }
  CloseHandle(panel.process.hProcess);
  CloseHandle(panel.process.hThread);
}

// The value logged as `time NAME MS` by the panel, or -1.
double LoggedTime(const std::string& path, const char* name) {
  std::string prefix = std::string("time ") + name + " ";
  for (const std::string& line : ReadLog(path)) {
    if (line.rfind(prefix, 0) == 0) {
      return std::atof(line.c_str() + prefix.size());
    }
  }
  return -1;
}

LaunchResult Run(const char* program) {
  LaunchOptions options;
  options.program = program;
  return Launch(options);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: bench ORVANEL FLOOR FLOOR_BOX PANEL ROUNDS WORKDIR\n");
    return 2;
  }
  const char* orvanel = argv[1];
  const char* floor = argv[2];
  const char* floor_box = argv[3];
  const char* panel_program = argv[4];
  int rounds = std::atoi(argv[5]);
  std::string workdir = argv[6];
  SetCurrentDirectoryA(workdir.c_str());

  std::vector<double> run_wall, floor_wall, run_cpu, floor_cpu, latency, failing_cpu, box_cpu;
  for (int round = 0; round < rounds; ++round) {
    // Side by side: the floor and the run take turns going first.
    Panel panel = StartPanel(panel_program, "start=details", workdir);
    LaunchResult floor_result, run_result;
    if (round % 2) {
      floor_result = Run(floor);
      run_result = Run(orvanel);
    } else {
      run_result = Run(orvanel);
      floor_result = Run(floor);
    }
    StopPanel(panel);
    run_wall.push_back(run_result.wall_ms);
    run_cpu.push_back(run_result.cpu_ms);
    floor_wall.push_back(floor_result.wall_ms);
    floor_cpu.push_back(floor_result.cpu_ms);

    panel = StartPanel(panel_program, "start=properties timing=1", workdir);
    Run(orvanel);
    WaitLogged(panel.log, "time key 0x0100 0x26");
    StopPanel(panel);
    double opened = LoggedTime(panel.log, "opened");
    double up = LoggedTime(panel.log, "key 0x0100 0x26");
    if (opened >= 0 && up >= 0) {
      latency.push_back(up - opened);
    }

    panel = StartPanel(panel_program, "start=properties missing=813", workdir);
    failing_cpu.push_back(Run(orvanel).cpu_ms);
    box_cpu.push_back(Run(floor_box).cpu_ms);
    StopPanel(panel);
    std::fprintf(stderr, "round %d of %d done\n", round + 1, rounds);
  }

  double ratio = Median(run_wall) / Median(floor_wall);
  std::printf("rounds: %d (medians)\n", rounds);
  std::printf(
      "details dialog open, process time: orvanel %.1f ms, floor %.1f ms, ratio %.2f "
      "(goal <= 1.10)\n",
      Median(run_wall), Median(floor_wall), ratio);
  std::printf("details dialog open, CPU time: orvanel %.1f ms, floor %.1f ms\n", Median(run_cpu),
              Median(floor_cpu));
  std::printf("dialog opened -> Up key at the panel: %.1f ms (goal <= 10), over %zu runs\n",
              Median(latency), latency.size());
  std::printf(
      "failing properties phase (~2 s of polling, then its box), CPU time: orvanel %.1f ms, "
      "floor showing a box %.1f ms, difference %.1f ms (goal: a few ms)\n",
      Median(failing_cpu), Median(box_cpu), Median(failing_cpu) - Median(box_cpu));
  return 0;
}
