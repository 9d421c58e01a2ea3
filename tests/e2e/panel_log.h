// Reading the panel stand-in's log from the tests and benchmarks.
#pragma once

#include <string>
#include <vector>

// The lines of the log, without line ends; none when there is no log yet.
std::vector<std::string> ReadPanelLog(const std::string& path);

// Whether a line of the log starts with `prefix`.
bool PanelLogged(const std::string& path, const char* prefix);

// Waits up to `timeout_ms` for a line starting with `prefix`, looking every 5 ms.
bool WaitForPanelLog(const std::string& path, const char* prefix, double timeout_ms);
