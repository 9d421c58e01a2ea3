// icon_check.exe PROGRAM
// Loads the icon of PROGRAM as Windows does for Explorer and shortcuts, at 16, 32 and
// 48 pixels, and fails unless each size comes out whole at that size.
#include <windows.h>

#include <cstdio>
#include <initializer_list>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: icon_check PROGRAM\n");
    return 2;
  }
  HMODULE program = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!program) {
    std::printf("FAILED: cannot read %s\n", argv[1]);
    return 1;
  }
  int failures = 0;
  for (int size : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(
        LoadImageA(program, MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    ICONINFO info = {};
    BITMAP bitmap = {};
    bool whole = icon && GetIconInfo(icon, &info) &&
                 GetObjectA(info.hbmColor, sizeof bitmap, &bitmap) == sizeof bitmap &&
                 bitmap.bmWidth == size && bitmap.bmHeight == size;
    std::printf("%dx%d: %s\n", size, size, whole ? "loaded" : "FAILED");
    failures += whole ? 0 : 1;
    if (info.hbmColor) {
      DeleteObject(info.hbmColor);
    }
    if (info.hbmMask) {
      DeleteObject(info.hbmMask);
    }
    if (icon) {
      DestroyIcon(icon);
    }
  }
  FreeLibrary(program);
  return failures ? 1 : 0;
}
