// One run of Orvanel: get the panel's details dialog open, then move its monitor
// selector up by one and accept. Everything goes through the window-system boundary.
#pragma once

#include <cstddef>

#include "platform/window_system.h"

// Attempts per phase; attempt numbers run from 0 to MAX_ATTEMPTS - 1.
inline constexpr int MAX_ATTEMPTS = 200;

// Milliseconds slept before every attempt except attempt 0.
inline constexpr unsigned long ATTEMPT_WAIT_MS = 10;

// Caption of both error boxes.
inline constexpr char ERROR_CAPTION[] = "Orvanel Error";

// Shown when neither the details dialog nor the properties window's details button
// could be found.
inline constexpr char PROPERTIES_ERROR_TEXT[] =
    "Cannot resolve 'Pen Tablet Properties' dialog.\r\n\r\n"
    "Please ensure that Pen Tablet Properties are running, and\r\n"
    "'Pen' tab is currently selected.\r\n\r\n"
    "Note, that this software is not guaranteed to work, and perhaps will be:\r\n"
    " - Dependent on a particular version of drivers\r\n"
    " - Dependent on the Tablet Driver language being English";

// Shown when the details dialog or its monitor selector could not be found.
inline constexpr char DETAILS_ERROR_TEXT[] =
    "Cannot resolve 'Pen Mode Details' dialog.\r\n\r\n"
    "Please ensure that on a tablet properties\r\n"
    "window, Pen Mode is selected. And on the\r\n"
    "'Details...' pane, 'Monitor' tickbox is selected.\r\n";

// Runs the whole switch once; returns the exit status, 0 on success or -1 on failure.
int RunSwitch();

// Properties phase: opens the applet if its window is absent and presses the details
// button unless the details dialog is already up. True when the run may go on.
bool OpenDetailsDialog(ws::MSG* scratch);

// Details phase: presses Up on the monitor selector and Enter on the details page.
// True once the four key messages have been posted.
bool ChangeMonitorChoice(ws::MSG* scratch);

// Opening of every attempt: waits (except before attempt 0), drains this thread's
// queue, and returns the details dialog or null.
ws::HWND PollDetailsDialog(ws::MSG* scratch, int attempt);

// Follows `path` child by child from `window`. Returns the control reached by the last
// link, or null at the first missing one. When `first_link` is given it receives the
// control reached by the first link (null if that link is missing).
ws::HWND WalkControlPath(ws::HWND window, const int* path, std::size_t length,
                         ws::HWND* first_link);

// Posts a key-down and then a key-up of `key` to `target`, both with `lparam`.
void PostKeyPress(ws::HWND target, ws::WPARAM key, ws::LPARAM lparam);

// Shows a modal error box with no owner and waits until the user dismisses it.
void ShowError(const char* text);
