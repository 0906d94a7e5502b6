// The system's screen-saver password services, reached through the Win32 services
// `system` (registry value, "PASSWORD.CPL" and "MPR.DLL"). Every message box here has
// the caption "ERROR" and an OK button.
#pragma once

#include "saver/win32_services.h"

namespace glowpond {

// Whether the full-screen saver may close: nonzero to close, 0 to go on.
// Every failure to reach the system's password check lets it close; only an
// explicit refusal by the check keeps the saver running.
int verifyPassword(Win32Services& system, WindowHandle window);

// Hands the change of the screen-saver password to the system, with `owner`
// (may be null) as the owner of its dialog and of the failure messages.
// Returns the mode's exit code, 0.
int changePassword(Win32Services& system, WindowHandle owner);

}  // namespace glowpond
