// Drives glowpond.scr end to end under Wine: writes the INI file and the
// registry state a scenario needs, starts the program, finds its windows and
// message boxes, presses keys and buttons, and checks the exit code.
//
//   saver_driver SCENARIO PROGRAM SAMPLE_MODELS SHARED_MODELS   (Unix paths)
//
// Exit status 0 when the scenario passes; the reason on stderr otherwise.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr char kIniPath[] = "C:\\glowpond\\glowpond.ini";
constexpr char kSaverClass[] = "My Window";
constexpr DWORD kTimeoutMs = 30000;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void check(bool condition, const std::string& what) {
    if (!condition) throw Failure(what);
}

std::string windowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

struct Paths {
    std::string program, samples, shared;
};
Paths paths;

// Keeps the driver's own windows answering while it waits: a preview child
// in another process sends its parent messages.
void pumpOwnMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// Polls `found` every 20 ms until it yields a value or the time is up.
template <typename T>
std::optional<T> waitFor(const std::function<std::optional<T>()>& found, DWORD timeoutMs = kTimeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (auto value = found()) return value;
        if (GetTickCount() - start > timeoutMs) return std::nullopt;
        pumpOwnMessages();
        Sleep(20);
    }
}

class Saver {
public:
    explicit Saver(const std::string& arguments) {
        std::string commandLine = "\"" + paths.program + "\"" + (arguments.empty() ? "" : " " + arguments);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        check(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process_) != 0,
              "cannot start " + commandLine);
    }
    ~Saver() {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

    std::optional<DWORD> exitCode(DWORD timeoutMs = kTimeoutMs) const {
        return waitFor<DWORD>(
            [&]() -> std::optional<DWORD> {
                DWORD code = 0;
                if (running() || !GetExitCodeProcess(process_.hProcess, &code)) return std::nullopt;
                return code;
            },
            timeoutMs);
    }

    void expectExit(DWORD expected = 0) const {
        const std::optional<DWORD> code = exitCode();
        check(code.has_value(), "the program did not end");
        check(*code == expected, "exit code " + std::to_string(*code));
    }

    // A visible top-level window of this process with the class and, when
    // given, the caption.
    HWND findWindow(const char* className, const char* caption, DWORD timeoutMs = kTimeoutMs) const {
        struct Search {
            DWORD pid;
            const char* className;
            const char* caption;
            HWND found;
        } search{process_.dwProcessId, className, caption, nullptr};
        auto result = waitFor<HWND>(
            [&]() -> std::optional<HWND> {
                search.found = nullptr;
                EnumWindows(
                    [](HWND window, LPARAM data) -> BOOL {
                        auto& s = *reinterpret_cast<Search*>(data);
                        DWORD pid = 0;
                        GetWindowThreadProcessId(window, &pid);
                        char name[256] = "", text[256] = "";
                        GetClassNameA(window, name, sizeof name);
                        GetWindowTextA(window, text, sizeof text);
                        if (pid == s.pid && IsWindowVisible(window) && lstrcmpA(name, s.className) == 0 &&
                            (!s.caption || lstrcmpA(text, s.caption) == 0)) {
                            s.found = window;
                            return FALSE;
                        }
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&search));
                if (search.found) return search.found;
                return std::nullopt;
            },
            timeoutMs);
        return result.value_or(nullptr);
    }

    // Waits for a message box with this caption, checks its text and closes it.
    void answerMessage(const char* caption, const std::string& text) const {
        HWND box = findWindow("#32770", caption);
        check(box != nullptr, std::string("no message box \"") + caption + "\"");
        char shown[512] = "";
        GetDlgItemTextA(box, 0xFFFF, shown, sizeof shown);
        check(text == shown, std::string("message box \"") + caption + "\" says \"" + shown + "\"");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }

    // Presses a key now and then until the program ends: input reaches a
    // busy frame loop only when it gets round to it.
    void pressKeysUntilExit() const {
        waitFor<bool>([&]() -> std::optional<bool> {
            if (!running()) return true;
            keybd_event('A', 0, 0, 0);
            keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
            Sleep(230);
            return std::nullopt;
        });
    }

private:
    PROCESS_INFORMATION process_{};
};

void writeIni(const std::vector<std::string>& files, const std::string& options) {
    std::string text = "[files]\r\n";
    for (size_t i = 0; i < files.size(); ++i) text += "file" + std::to_string(i + 1) + "=" + files[i] + "\r\n";
    // The scenario's options first: the first of two equal keys counts.
    text += "[options]\r\n" + options + "lavaRed=255\r\nlavaGreen=40\r\nlavaBlue=0\r\nallowAcceleration=1\r\nshowStatus=0\r\n";
    HANDLE file = CreateFileA(kIniPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    check(file != INVALID_HANDLE_VALUE, "cannot write the INI file");
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

void setUsePassword(std::optional<DWORD> value) {
    HKEY key = nullptr;
    check(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                          nullptr) == ERROR_SUCCESS,
          "cannot open Control Panel\\Desktop");
    if (value) {
        RegSetValueExA(key, "ScreenSaveUsePassword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*value),
                       sizeof *value);
    } else {
        RegDeleteValueA(key, "ScreenSaveUsePassword");
    }
    RegCloseKey(key);
}

// The App Paths key through which the program finds its INI file.
void setInstallDirectory(const char* directory) {
    HKEY key = nullptr;
    check(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\3-D Glowpond.scr",
                          0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS,
          "cannot open the App Paths key");
    RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(directory),
                   static_cast<DWORD>(lstrlenA(directory) + 1));
    RegCloseKey(key);
}

std::string sample(const char* name) { return paths.samples + "\\" + name; }
std::vector<std::string> threeSamples() {
    return {sample("lava_lamp.wrl"), sample("rocket.3ds"), sample("crystal.wrl")};
}

// Pixels of the screen that look like lava (red well above green and blue).
int lavaPixels() {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    int count = 0;
    const auto* pixel = static_cast<const unsigned char*>(bits);
    for (int i = 0; i < width * height; ++i, pixel += 4) {
        const int blue = pixel[0], green = pixel[1], red = pixel[2];
        if (red > 120 && red > green + 40 && red > blue + 60) ++count;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return count;
}

void fullScreen() {
    setUsePassword(std::nullopt);
    writeIni(threeSamples(), "");
    Saver saver("/s");
    HWND window = saver.findWindow(kSaverClass, "");
    check(window != nullptr, "no saver window");
    check(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, "the saver window is not topmost");
    RECT rect;
    GetWindowRect(window, &rect);
    check(rect.left == 0 && rect.top == 0 && rect.right == GetSystemMetrics(SM_CXSCREEN) &&
              rect.bottom == GetSystemMetrics(SM_CYSCREEN),
          "the saver window does not cover the screen");
    const auto lava = waitFor<int>([]() -> std::optional<int> {
        const int count = lavaPixels();
        if (count > 100) return count;
        return std::nullopt;
    }, 15000);
    check(lava.has_value(), "no lava on the screen");
    saver.pressKeysUntilExit();
    saver.expectExit(0);
}

void secondFileFails() {
    setUsePassword(std::nullopt);
    const std::string missing = paths.samples + "\\no such model.wrl";
    writeIni({sample("lava_lamp.wrl"), missing, sample("crystal.wrl")}, "");
    Saver saver("/s");
    saver.answerMessage("Error: Can't open this file.", missing);
    check(saver.findWindow(kSaverClass, "") != nullptr, "no saver window after the failed file");
    check(saver.findWindow("#32770", "ERROR", 1500) == nullptr, "the saver gave up on two good files");
    saver.pressKeysUntilExit();
    saver.expectExit(0);
}

void noLoadableFile() {
    setUsePassword(std::nullopt);
    const std::string notModel = paths.samples + "\\glowpond.ini";
    writeIni({notModel}, "");
    Saver saver("/s");
    saver.answerMessage("Error: Not a supported file type.", notModel);
    saver.answerMessage("ERROR", "Error: No files read. Reconfigure.");
    saver.expectExit(0);
}

void cancelInStatusWindow() {
    setUsePassword(std::nullopt);
    const std::string terrain = paths.shared + "\\vrml1\\jj_mpf_terrain_42k.wrl";
    writeIni(std::vector<std::string>(15, terrain), "showStatus=1\r\n");
    Saver saver("/s");
    HWND status = saver.findWindow("#32770", "3-D Glowpond File Load Status.");
    check(status != nullptr, "no load-status window");
    char shown[512] = "";
    waitFor<bool>([&]() -> std::optional<bool> {
        GetDlgItemTextA(status, 1005, shown, sizeof shown);
        if (shown[0]) return true;
        return std::nullopt;
    });
    check(terrain == shown, std::string("the status window shows \"") + shown + "\"");
    check(FindWindowExA(status, nullptr, "msctls_progress32", nullptr) != nullptr, "no progress bar");
    PostMessageA(GetDlgItem(status, 1007), BM_CLICK, 0, 0);
    // A cancel during a file is confirmed by the loader; one between files is not.
    waitFor<bool>([&]() -> std::optional<bool> {
        if (!saver.running()) return true;
        if (HWND box = saver.findWindow("#32770", "User Abort", 0)) PostMessageA(box, WM_COMMAND, IDOK, 0);
        return std::nullopt;
    });
    saver.expectExit(0);
}

void passwordCheckWithoutPasswordCpl() {
    setUsePassword(1);
    writeIni(threeSamples(), "");
    Saver saver("/s");
    check(saver.findWindow(kSaverClass, "") != nullptr, "no saver window");
    waitFor<bool>([&]() -> std::optional<bool> {
        if (saver.findWindow("#32770", "ERROR", 0)) return true;
        keybd_event('A', 0, 0, 0);
        keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
        Sleep(230);
        return std::nullopt;
    });
    saver.answerMessage("ERROR", "Verify Password can't find PASSWORD.CPL.");
    setUsePassword(std::nullopt);
    saver.expectExit(0);
}

void noAcceleration() {
    setUsePassword(std::nullopt);
    writeIni(threeSamples(), "allowAcceleration=0\r\n");
    Saver saver("/s");
    saver.answerMessage("Error", "Unable to create pixelformatdescriptor.");
    saver.expectExit(0);
}

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void preview() {
    setUsePassword(std::nullopt);
    writeIni(threeSamples(), "");
    WNDCLASSA parentClass{};
    parentClass.lpfnWndProc = parentProc;
    parentClass.hInstance = GetModuleHandleA(nullptr);
    parentClass.lpszClassName = "Preview parent";
    RegisterClassA(&parentClass);
    HWND parent = CreateWindowExA(0, "Preview parent", "Display settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                  300, 220, nullptr, nullptr, parentClass.hInstance, nullptr);
    check(parent != nullptr, "cannot make the parent window");
    Saver saver("/p " + std::to_string(reinterpret_cast<uintptr_t>(parent)));
    const auto child = waitFor<HWND>([&]() -> std::optional<HWND> {
        HWND found = FindWindowExA(parent, nullptr, kSaverClass, nullptr);
        if (found) return found;
        return std::nullopt;
    });
    check(child.has_value(), "no preview window inside the parent");
    RECT outer, inner;
    GetWindowRect(parent, &outer);
    GetWindowRect(*child, &inner);
    check(inner.right - inner.left == outer.right - outer.left && inner.bottom - inner.top == outer.bottom - outer.top,
          "the preview is not the size of the parent's window rectangle");
    waitFor<bool>([]() -> std::optional<bool> { return std::nullopt; }, 1500);
    check(saver.running(), "the preview ended by itself");
    DestroyWindow(parent);
    saver.expectExit(0);
}

void previewWithoutWindow(const std::string& arguments) {
    Saver saver(arguments);
    saver.answerMessage("Error", "Can't form a preview window");
    saver.expectExit(0);
}

void passwordChange(const std::string& arguments) {
    Saver saver(arguments);
    saver.expectExit(0);
    check(saver.findWindow("#32770", nullptr, 0) == nullptr, "a window was left open");
}

void settingsDialog(const std::string& arguments) {
    Saver saver(arguments);
    HWND dialog = saver.findWindow("#32770", "3-D Glowpond Settings.");
    check(dialog != nullptr, "no settings dialog for \"" + arguments + "\"");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    saver.expectExit(0);
}

void fullScreenSwitch(const std::string& arguments) {
    setUsePassword(std::nullopt);
    writeIni({sample("lava_lamp.wrl")}, "");
    Saver saver(arguments);
    check(saver.findWindow(kSaverClass, "") != nullptr, "no saver window for \"" + arguments + "\"");
    saver.pressKeysUntilExit();
    saver.expectExit(0);
}

void modeTable() {
    for (const char* arguments : {"", "/c", "/c:1234", "-C"}) settingsDialog(arguments);
    for (const char* arguments : {"/S", "-s", "/x /s"}) fullScreenSwitch(arguments);
    passwordChange("/s /a");
    previewWithoutWindow("/s /p");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: saver_driver SCENARIO PROGRAM SAMPLE_MODELS SHARED_MODELS\n");
        return 2;
    }
    paths = {windowsPath(argv[2]), windowsPath(argv[3]), windowsPath(argv[4])};
    CreateDirectoryA("C:\\glowpond", nullptr);
    setInstallDirectory("C:\\glowpond");
    const std::map<std::string, std::function<void()>> scenarios = {
        {"full_screen", fullScreen},
        {"second_file_fails", secondFileFails},
        {"no_loadable_file", noLoadableFile},
        {"cancel_in_status_window", cancelInStatusWindow},
        {"password_check", passwordCheckWithoutPasswordCpl},
        {"no_acceleration", noAcceleration},
        {"preview", preview},
        {"preview_without_window", [] {
             previewWithoutWindow("/p 12345");
             previewWithoutWindow("/p");
         }},
        {"password_change", [] { passwordChange("/a"); }},
        {"mode_table", modeTable},
    };
    auto scenario = scenarios.find(argv[1]);
    if (scenario == scenarios.end()) {
        std::fprintf(stderr, "unknown scenario %s\n", argv[1]);
        return 2;
    }
    try {
        scenario->second();
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s: %s\n", argv[1], failure.what());
        return 1;
    }
    std::printf("%s passed\n", argv[1]);
    return 0;
}
