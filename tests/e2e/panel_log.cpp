#include "tests/e2e/panel_log.h"

#include <cstdio>
#include <cstring>

#include "tests/e2e/launcher.h"

std::vector<std::string> ReadPanelLog(const std::string& path) {
  std::vector<std::string> lines;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    return lines;
  }
  char line[1024];
  while (std::fgets(line, sizeof line, file)) {
    line[std::strcspn(line, "\r\n")] = '\0';
    lines.push_back(line);
  }
  std::fclose(file);
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
