// The Windows message, key and flag codes the run passes through the boundary.
//
// Kept apart from window_system.h because <windows.h> defines these same names as
// macros; the Win32 implementation never needs them.
#pragma once

#include "platform/window_system.h"

namespace ws {

inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;

inline constexpr WPARAM VK_RETURN = 0x0D;
inline constexpr WPARAM VK_SPACE = 0x20;
inline constexpr WPARAM VK_UP = 0x26;

inline constexpr UINT PM_NOREMOVE = 0;  // PeekMessageA leaves the message queued
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr UINT MB_OK = 0;

}  // namespace ws
