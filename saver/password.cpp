#include "saver/password.h"

#include <cstdint>

namespace glowpond {
namespace {

#if defined(_WIN32)
#define GLOWPOND_SYSTEM_CALL __stdcall
#else
#define GLOWPOND_SYSTEM_CALL
#endif

using VerifyFunction = int32_t(GLOWPOND_SYSTEM_CALL*)(WindowHandle window);
using ChangeFunction = uint32_t(GLOWPOND_SYSTEM_CALL*)(const char* provider, WindowHandle owner,
                                                        uint32_t reserved1, void* reserved2);

constexpr char kCaption[] = "ERROR";

int allowAfter(Win32Services& system, const char* message) {
    system.messageBox(nullptr, message, kCaption);
    return 1;
}

}  // namespace

int verifyPassword(Win32Services& system, WindowHandle window) {
    const UserDwordLookup usePassword = system.readUserDword("Control Panel\\Desktop", "ScreenSaveUsePassword");
    if (usePassword.status == UserDwordLookup::Status::NoKey) {
        return allowAfter(system, "Verify Password can't find Control Panel Registry key.");
    }
    if (usePassword.status == UserDwordLookup::Status::NoValue) {
        // The NT family keeps its saver password elsewhere and has no such value.
        if (system.isNtFamily()) return 1;
        return allowAfter(system, "Verify Password can't find use-password value.");
    }
    if (usePassword.value == 0) return 1;

    void* library = system.loadSystemLibrary("PASSWORD.CPL");
    if (!library) return allowAfter(system, "Verify Password can't find PASSWORD.CPL.");
    auto verify = reinterpret_cast<VerifyFunction>(system.libraryFunction(library, "VerifyScreenSavePwd"));
    if (!verify) return allowAfter(system, "Verify Password can't find VerifyScreenSavePwd.");

    system.showCursor(true);
    const int allowed = verify(window);
    system.showCursor(false);
    return allowed;
}

int changePassword(Win32Services& system, WindowHandle owner) {
    void* library = system.loadSystemLibrary("MPR.DLL");
    if (!library) {
        system.messageBox(owner, "Password change failure: MPR.DLL not found", kCaption);
        return 0;
    }
    auto change = reinterpret_cast<ChangeFunction>(system.libraryFunction(library, "PwdChangePasswordA"));
    if (!change) {
        system.messageBox(owner, "Password change failure: PwdChangePassword() not found", kCaption);
        return 0;
    }
    change("SCRSAVE", owner, 0, nullptr);
    return 0;
}

}  // namespace glowpond
