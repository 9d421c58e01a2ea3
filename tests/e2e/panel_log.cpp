#include "tests/e2e/panel_log.h"

#include <fstream>

#include "tests/e2e/launcher.h"

std::vector<std::string> ReadPanelLog(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path, std::ios::binary);
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    lines.push_back(line);
  }
  return lines;
}

bool PanelLogged(const std::string& path, const char* prefix) {
  for (const std::string& line : ReadPanelLog(path)) {
    if (line.rfind(prefix, 0) == 0) {
      return true;
    }
  }
  return false;
}

bool WaitForPanelLog(const std::string& path, const char* prefix, double timeout_ms) {
  double start = NowMs();
  while (!PanelLogged(path, prefix)) {
    if (NowMs() - start > timeout_ms) {
      return false;
    }
    Sleep(5);
  }
  return true;
}
