// launcher.exe PROGRAM [--quit-after MS] [--keep-boxes]
// Runs PROGRAM to its end and prints what happened, one `name=value` line each.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/launcher.h"

int main(int argc, char** argv) {
  LaunchOptions options;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--quit-after") && i + 1 < argc) {
      options.quit_after_ms = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--keep-boxes")) {
      options.dismiss_boxes = false;
    } else {
      options.program = argv[i];
    }
  }
  if (!options.program) {
    std::fprintf(stderr, "usage: launcher PROGRAM [--quit-after MS] [--keep-boxes]\n");
    return 2;
  }
  LaunchResult result = Launch(options);
  if (!result.started) {
    std::fprintf(stderr, "cannot start %s\n", options.program);
    return 2;
  }
  std::printf("status=0x%08lX\nwall_ms=%.1f\ncpu_ms=%.1f\nquit_posted=%d\nboxes=%d\n",
              result.status, result.wall_ms, result.cpu_ms, result.quit_posted ? 1 : 0,
              result.boxes);
  for (int i = 0; i < result.boxes && i < 4; ++i) {
    std::printf("box_caption=%s\nbox_text=%s\n", Escaped(result.box[i].caption).c_str(),
                Escaped(result.box[i].text).c_str());
    std::printf("box_buttons=%d\nbox_button=%s\nbox_owned=%d\nbox_icon=%d\n", result.box[i].buttons,
                result.box[i].button, result.box[i].owned ? 1 : 0, result.box[i].icon ? 1 : 0);
  }
  return 0;
}
