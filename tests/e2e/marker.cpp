// Stands in for code that another user plants: wherever it is loaded or
// run, it leaves an empty file "<its own path>.ran" beside itself. Built as
// a library (which the tests name PASSWORD.CPL, say) and as a program
// (icacls.exe).
#include <windows.h>

#include <string>

namespace {

void leaveMark(HMODULE self) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(self, path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    HANDLE mark = CreateFileA((std::string(path) + ".ran").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                              nullptr);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
}

}  // namespace

#ifdef MARKER_LIBRARY
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) leaveMark(self);
    return TRUE;
}

// What a password check exports: it lets the saver close.
extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) { return TRUE; }
#else
int main() {
    leaveMark(nullptr);
    return 0;
}
#endif
