// What Orvanel relies on in the tablet driver's control panel (its English edition):
// window titles, the applet file, control paths and key-message parameters.
#pragma once

#include "platform/window_system.h"

// Applet the shell opens when the properties window is absent.
inline constexpr char16_t APPLET_FILE[] = u"PenTablet.cpl";

// Title of the panel's main window.
inline constexpr char PROPERTIES_TITLE[] = "Pen Tablet Properties";

// Title of the dialog that holds the monitor selector.
inline constexpr char DETAILS_TITLE[] = "Pen Mode Details";

// Control IDs from the properties window down to the details button of the Pen tab.
inline constexpr int PROPERTIES_PATH[] = {0, 62, 71, 813, 814, 1581};

// Control IDs from the details dialog: its page (0), a group inside it (11) and the
// monitor selector (23).
inline constexpr int DETAILS_PATH[] = {0, 11, 23};

// lParam of the Space key-down and key-up: repeat count 1, scan code 0x39. The panel
// takes the key-up without the previous-state and transition bits.
inline constexpr ws::LPARAM SPACE_KEY_LPARAM = 0x00390001;

// lParam of the Up and of the Enter key-downs and key-ups: repeat count 1, scan code
// 0x48, extended key. Enter deliberately reuses the Up key's value.
inline constexpr ws::LPARAM ARROW_KEY_LPARAM = 0x01480001;
