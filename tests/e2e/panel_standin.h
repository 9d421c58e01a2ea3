// A stand-in for the tablet driver's control panel, for end-to-end tests under Wine.
//
// It shows a "Pen Tablet Properties" window whose control path 0, 62, 71, 813, 814
// runs through real child dialogs to a real push button 1581; clicking the button
// opens the modal "Pen Mode Details" dialog, whose path 0, 11, 23 runs to a real
// drop-down list of monitors, with a default OK button that accepts the choice.
//
// It is driven by the environment, so that it behaves the same when the shell opens
// it as an applet:
//   ORVANEL_PANEL      options, separated by spaces:
//     start=properties|details|both|none   windows open at start (default properties)
//     hidden=1          the properties window is created hidden
//     missing=ID        that link of the properties path is left out
//     details_missing=ID  that link of the details path is left out
//     click_delay=MS    time between the button's click and the details dialog
//     auto_details=MS   the details dialog opens by itself this long after start
//     timing=1          also log `time shown MS` and `time key MSG VK MS` on a
//                       clock shared by all processes
//   ORVANEL_PANEL_LOG  file to which events are appended, one line each:
//     ready                          the windows of the start are up
//     mapped TEXT                    the monitor the pen is mapped to at start
//     applet opened show=N           the shell opened the applet with show command N
//     key MSG VK LPARAM id=ID top=TITLE   a key message taken off the queue
//     shown|activated TITLE          a top-level window was shown or activated
//     clicked                        the details button was clicked
//     details opened                 the details dialog is up
//     choice TEXT                    the monitor selector changed
//     accepted TEXT                  the details dialog was accepted with TEXT
//     finish visible=0|1 active=0|1  state of the properties window at the end
// A thread message PANEL_FINISH (WM_APP + 1) posted to the panel's thread logs
// `finish` once every message posted before it has been taken, and ends the process.
#pragma once

#include <windows.h>

inline constexpr UINT PANEL_FINISH = WM_APP + 1;

// Builds the windows of the start (`as_applet`: just the properties window) and
// serves them until PANEL_FINISH. Returns the process exit status.
int RunPanel(HINSTANCE instance, bool as_applet);
