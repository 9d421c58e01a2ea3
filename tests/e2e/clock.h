// The clock the end-to-end tools share.
#pragma once

#include <windows.h>

// Milliseconds on the monotonic clock that every process of the machine shares, so
// that times logged by the panel and by the tests can be compared.
inline double NowMs() {
  LARGE_INTEGER count = {}, frequency = {};
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}
