// The decisions of the program's entry point and of its input handling that
// need no window: which mode a command line asks for, the window handle it
// names, and when a mouse movement counts as the user's return.
#pragma once

#include <cstdint>
#include <optional>

#include "saver/win32_services.h"

namespace glowpond {

enum class SaverMode {
    Preview,         // inside the display-settings dialog's little screen
    ChangePassword,  // the system's password dialog
    FullScreen,      // the saver itself
    Settings,        // the settings dialog
};

// The command sent (as the low word of a WM_COMMAND wParam) to the saver or
// preview window to start the frame loop.
constexpr int32_t CMD_START_ANIMATION = 1035;

// A jump of the cursor by more than this many pixels (|dx| + |dy|) between
// two mouse messages ends the saver; smaller moves only follow the cursor.
constexpr int32_t MOUSE_MOVE_THRESHOLD = 10;

// The mode for the text after the program name. Switches are searched as
// case-sensitive substrings anywhere in it; preview beats password change,
// which beats full screen; anything else (including "/c") is the settings.
SaverMode pickMode(const char* commandLine);

// The window handle written after the first blank of the command line, read
// like scanf's "%i" (decimal, 0x hexadecimal, 0 octal, optional sign).
// Absent when there is no blank or nothing parses there.
std::optional<WindowHandle> windowHandleArgument(const char* commandLine);

// True when the cursor moved from `last` to `now` by more than the threshold.
bool movedPastThreshold(ScreenPoint last, ScreenPoint now);

}  // namespace glowpond
