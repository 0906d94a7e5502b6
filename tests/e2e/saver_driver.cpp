// Drives glowpond.scr end to end under Wine: writes the INI file and the
// registry state a scenario needs, starts the program, finds its windows and
// message boxes, presses keys and buttons, and checks the exit code.
//
//   saver_driver SCENARIO PROGRAM SAMPLE_MODELS SHARED_MODELS   (Unix paths)
//
// Exit status 0 when the scenario passes; the reason on stderr otherwise.
#include <windows.h>

#include <commctrl.h>

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
        // The next step may look for a dialog by its owner: this box must be gone by then.
        waitFor<bool>([&]() -> std::optional<bool> {
            if (!IsWindow(box) || !IsWindowVisible(box)) return true;
            return std::nullopt;
        });
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

// ---- The settings and model settings dialogs ----

constexpr char kSettingsCaption[] = "3-D Glowpond Settings.";
constexpr char kModelCaption[] = "Model Settings.";
// The up-down control of a dialog's edit or anchor has that control's id plus this.
constexpr int kSpinIdOffset = 100;
constexpr UINT kCountPreviewPixels = WM_APP + 1;

std::string readFileBytes(const char* path) {
    std::string bytes;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::string iniText(const char* section, const std::string& key, const char* path = kIniPath) {
    char value[512] = "";
    GetPrivateProfileStringA(section, key.c_str(), "<missing>", value, sizeof value, path);
    return value;
}

void expectIni(const char* section, const std::string& key, const std::string& expected) {
    const std::string value = iniText(section, key);
    check(value == expected, key + " is \"" + value + "\", not \"" + expected + "\"");
}

void click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::string itemText(HWND dialog, int id) {
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

int listCount(HWND dialog) { return static_cast<int>(SendDlgItemMessageA(dialog, 1001, LB_GETCOUNT, 0, 0)); }
LRESULT buttonState(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0); }

void waitUntil(const std::function<bool()>& condition, const std::string& what, DWORD timeoutMs = kTimeoutMs) {
    check(waitFor<bool>([&]() -> std::optional<bool> {
              if (condition()) return true;
              return std::nullopt;
          }, timeoutMs).has_value(),
          what);
}

// A visible dialog of the program owned by `owner` (a file chooser, say).
HWND ownedDialog(HWND owner, DWORD timeoutMs = kTimeoutMs) {
    auto found = waitFor<HWND>([&]() -> std::optional<HWND> {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            char name[64] = "";
            GetClassNameA(w, name, sizeof name);
            if (GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w) && lstrcmpA(name, "#32770") == 0) return w;
        }
        return std::nullopt;
    }, timeoutMs);
    return found.value_or(nullptr);
}

// Clicks `button` of `owner` and answers the file chooser it opens with
// `path`, or cancels the chooser when `path` is empty.
void chooseFile(HWND owner, int button, const std::string& path) {
    click(owner, button);
    HWND chooser = ownedDialog(owner);
    check(chooser != nullptr, "no file chooser for button " + std::to_string(button));
    if (path.empty()) {
        PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
    } else {
        SendMessageA(GetDlgItem(chooser, 1148), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PostMessageA(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
    }
    waitUntil([&] { return !IsWindowVisible(chooser); }, "the file chooser stays open");
}

// A mouse click on the up arrow of an up-down control, as a user makes it.
void clickUpArrow(HWND spin) {
    RECT client;
    GetClientRect(spin, &client);
    const LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 4);
    PostMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(spin, WM_LBUTTONUP, 0, at);
    Sleep(100);
}

int visibleWindows(const Saver& saver, const char* caption) {
    int count = 0;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        char text[256] = "";
        GetWindowTextA(w, text, sizeof text);
        if (IsWindowVisible(w) && lstrcmpA(text, caption) == 0) ++count;
    }
    (void)saver;
    return count;
}

LRESULT previewPixels(HWND modelDialog) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(modelDialog, kCountPreviewPixels, 0, 0, SMTO_NORMAL, 5000, &result);
    return static_cast<LRESULT>(result);
}

HWND openSettings(Saver& saver) {
    HWND dialog = saver.findWindow("#32770", kSettingsCaption);
    check(dialog != nullptr, "no settings dialog");
    return dialog;
}

HWND openModelSettings(Saver& saver, HWND settings) {
    click(settings, 1090);
    HWND dialog = saver.findWindow("#32770", kModelCaption);
    check(dialog != nullptr, "no model settings dialog");
    return dialog;
}

void closeModelSettings(HWND dialog) {
    click(dialog, 8);
    waitUntil([&] { return !IsWindowVisible(dialog); }, "the model settings dialog stays open");
}

void settingsOkAndCancel() {
    writeIni(threeSamples(), "speed=3\r\nspinSpeed=4\r\npulseSpeed=5\r\ntotalSize=6\r\nobjectDuration=2\r\n"
                             "lightHeight=9\r\n");
    const std::string before = readFileBytes(kIniPath);
    {
        Saver saver("/c");
        HWND dialog = openSettings(saver);
        const std::map<int, std::string> shown = {{1030, "3"}, {1032, "4"}, {1033, "5"},
                                                  {1031, "6"}, {1034, "2"}, {1037, "9"}};
        for (const auto& [id, text] : shown) {
            check(itemText(dialog, id) == text, "edit " + std::to_string(id) + " shows " + itemText(dialog, id));
        }
        check(listCount(dialog) == 3, "the list does not hold the three models");
        SendDlgItemMessageA(dialog, 1030 + kSpinIdOffset, UDM_SETPOS32, 0, 10);
        SendDlgItemMessageA(dialog, 1001, LB_SETCURSEL, 0, 0);
        click(dialog, 1020);
        waitUntil([&] { return listCount(dialog) == 2; }, "Delete did not remove the model");
        click(dialog, IDCANCEL);
        saver.expectExit(0);
    }
    check(readFileBytes(kIniPath) == before, "Cancel changed the INI file");

    Saver saver("/c");
    HWND dialog = openSettings(saver);
    check(itemText(dialog, 1030) == "3", "Cancel kept the changed speed");
    SendDlgItemMessageA(dialog, 1030 + kSpinIdOffset, UDM_SETPOS32, 0, 8);
    SendDlgItemMessageA(dialog, 1037 + kSpinIdOffset, UDM_SETPOS32, 0, 1);
    click(dialog, 1008);  // showStatus 0 -> 1
    waitUntil([&] { return buttonState(dialog, 1008) == BST_CHECKED; }, "Show Load Status did not toggle");
    click(dialog, IDOK);
    saver.expectExit(0);
    const std::map<std::string, std::string> written = {
        {"speed", "8"},        {"spinSpeed", "4"},         {"pulseSpeed", "5"}, {"totalSize", "6"},
        {"objectDuration", "2"}, {"lightHeight", "1"},     {"showStatus", "1"}, {"allowAcceleration", "1"},
        {"lavaRed", "255"},    {"lavaGreen", "40"},        {"lavaBlue", "0"},   {"AllowAdvanced", "1"},
        {"size1", "5"},        {"2Sided3", "1"},           {"X-rot2", "0"},
    };
    for (const auto& [key, value] : written) expectIni("options", key, value);
    const std::vector<std::string> files = threeSamples();
    for (size_t i = 0; i < files.size(); ++i) expectIni("files", "file" + std::to_string(i + 1), files[i]);
    expectIni("files", "file4", "");
}

void addAndDelete() {
    writeIni(std::vector<std::string>(14, sample("lava_lamp.wrl")), "");
    const std::string before = readFileBytes(kIniPath);
    Saver saver("/c");
    HWND dialog = openSettings(saver);
    check(buttonState(dialog, 1010) == 0 && buttonState(dialog, 1020) == 0, "Add or Delete unavailable at 14");

    click(dialog, 1020);
    saver.answerMessage("No model selected.", "Please click on a model.");

    const std::string refused = sample("glowpond.ini");
    chooseFile(dialog, 1010, refused);
    saver.answerMessage("Error: Not a supported file type.", refused);
    check(listCount(dialog) == 14, "a refused file was added");

    chooseFile(dialog, 1010, sample("crystal.wrl"));
    waitUntil([&] { return listCount(dialog) == 15; }, "Add did not add the model");
    check(buttonState(dialog, 1010) == BST_INDETERMINATE, "Add is available at 15");
    click(dialog, 1010);
    check(ownedDialog(dialog, 700) == nullptr, "an unavailable Add opened the chooser");

    for (int count = 15; count > 0; --count) {
        SendDlgItemMessageA(dialog, 1001, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
        click(dialog, 1020);
        waitUntil([&] { return listCount(dialog) == count - 1; }, "Delete did not remove a model");
        if (count == 15) check(buttonState(dialog, 1010) == 0, "Add stays unavailable at 14");
    }
    check(buttonState(dialog, 1020) == BST_INDETERMINATE, "Delete is available with no models");
    click(dialog, IDCANCEL);
    saver.expectExit(0);
    check(readFileBytes(kIniPath) == before, "Cancel changed the INI file");
}

void saveAndLoad() {
    const char* config = "C:\\glowpond\\saved.3dg";
    DeleteFileA(config);
    writeIni({sample("lava_lamp.wrl"), sample("rocket.3ds")}, "X-rot2=45\r\nBackCull1=1\r\nspeed=3\r\n");
    const std::string before = readFileBytes(kIniPath);
    Saver saver("/c");
    HWND dialog = openSettings(saver);

    chooseFile(dialog, 1013, "");
    saver.answerMessage("File open error.", "Cannot open selected file.");
    chooseFile(dialog, 1014, "");
    saver.answerMessage("File open error.", "Cannot open selected file.");

    SendDlgItemMessageA(dialog, 1031 + kSpinIdOffset, UDM_SETPOS32, 0, 2);
    chooseFile(dialog, 1014, config);
    waitUntil([&] { return iniText("options", "totalSize", config) == "2"; }, "Save As wrote no configuration");

    SendDlgItemMessageA(dialog, 1001, LB_SETCURSEL, 0, 0);
    click(dialog, 1020);
    waitUntil([&] { return listCount(dialog) == 1; }, "Delete did not remove the model");
    SendDlgItemMessageA(dialog, 1030 + kSpinIdOffset, UDM_SETPOS32, 0, 9);
    SendDlgItemMessageA(dialog, 1031 + kSpinIdOffset, UDM_SETPOS32, 0, 7);

    chooseFile(dialog, 1013, config);
    waitUntil([&] { return listCount(dialog) == 2 && itemText(dialog, 1030) == "3" && itemText(dialog, 1031) == "2"; },
              "Load Saved did not restore the list and the spins");
    check(readFileBytes(kIniPath) == before, "the INI file changed before OK");
    click(dialog, IDOK);
    saver.expectExit(0);
    expectIni("files", "file1", sample("lava_lamp.wrl"));
    expectIni("options", "X-rot2", "45");
    expectIni("options", "BackCull1", "1");
    expectIni("options", "totalSize", "2");
    expectIni("options", "lavaGreen", "40");
    DeleteFileA(config);
}

COLORREF screenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 1, 1);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, 1, 1, screen, x, y, SRCCOPY);
    const COLORREF color = GetPixel(memory, 0, 0);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return color;
}

void lavaColor() {
    writeIni(threeSamples(), "");
    Saver saver("/c");
    HWND dialog = openSettings(saver);
    click(dialog, 1200);
    HWND chooser = saver.findWindow("#32770", "Color");
    check(chooser != nullptr, "no colour chooser");
    check(itemText(chooser, 706) == "255" && itemText(chooser, 707) == "40", "the chooser is not preset");
    SetDlgItemTextA(chooser, 706, "255");
    SetDlgItemTextA(chooser, 707, "0");
    SetDlgItemTextA(chooser, 708, "0");
    PostMessageA(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
    waitUntil([&] { return !IsWindowVisible(chooser); }, "the colour chooser stays open");
    RECT swatch;
    GetWindowRect(GetDlgItem(dialog, 1004), &swatch);
    const int x = (swatch.left + swatch.right) / 2, y = (swatch.top + swatch.bottom) / 2;
    waitUntil([&] { return screenPixel(x, y) == RGB(255, 0, 0); }, "the swatch is not red", 5000);
    click(dialog, IDOK);
    saver.expectExit(0);
    expectIni("options", "lavaRed", "255");
    expectIni("options", "lavaGreen", "0");
    expectIni("options", "lavaBlue", "0");
}

void configureModels() {
    writeIni({sample("lava_lamp.wrl"), sample("crystal.wrl")}, "X-rot2=90\r\n");
    Saver saver("/c");
    HWND settings = openSettings(saver);
    HWND dialog = openModelSettings(saver, settings);
    HWND zSpin = GetDlgItem(dialog, 1005 + kSpinIdOffset);
    check(zSpin != nullptr, "no spin control beside anchor 1005");

    clickUpArrow(zSpin);
    check(saver.findWindow("#32770", "No model displayed.") != nullptr, "no hint before Display");
    clickUpArrow(zSpin);
    Sleep(300);
    check(visibleWindows(saver, "No model displayed.") == 1, "the hint is not shown exactly once");
    saver.answerMessage("No model displayed.", "Please click Display first.");

    click(dialog, 1081);
    waitUntil([&] { return previewPixels(dialog) > 100; }, "Display drew nothing into the picture");
    for (int i = 0; i < 3; ++i) clickUpArrow(zSpin);
    click(dialog, 3002);
    waitUntil([&] { return buttonState(dialog, 3002) == BST_CHECKED; }, "Single Light did not toggle");

    SendDlgItemMessageA(dialog, 1001, LB_SETCURSEL, 1, 0);
    click(dialog, 1081);
    waitUntil([&] { return itemText(dialog, 1010) == sample("crystal.wrl") && previewPixels(dialog) > 100; },
              "Display of the second model drew nothing");
    check(buttonState(dialog, 3002) == BST_UNCHECKED, "the check boxes still show the first model");
    closeModelSettings(dialog);
    click(settings, IDOK);
    saver.expectExit(0);
    expectIni("options", "Z-rot1", "3");
    expectIni("options", "X-rot1", "0");
    expectIni("options", "2Sided1", "0");
    expectIni("options", "X-rot2", "90");
    expectIni("options", "Y-rot2", "0");
    expectIni("options", "Z-rot2", "0");
    expectIni("options", "2Sided2", "1");
}

void advancedOptionsDisabled() {
    writeIni({sample("crystal.wrl")}, "AllowAdvanced=0\r\n");
    Saver saver("/c");
    HWND settings = openSettings(saver);
    HWND dialog = openModelSettings(saver, settings);
    click(dialog, 3000);
    saver.answerMessage("Advanced Options disabled.", "Cancel and check Enable Advanced Options.");
    check(buttonState(dialog, 3000) == BST_UNCHECKED, "Reverse Normals changed");
    click(dialog, 3001);
    waitUntil([&] { return buttonState(dialog, 3001) == BST_CHECKED; }, "Back Cull did not toggle");
    closeModelSettings(dialog);
    click(settings, IDCANCEL);
    saver.expectExit(0);
}

void settingsWriteFails() {
    writeIni(threeSamples(), "");
    DeleteFileA(kIniPath);
    check(CreateDirectoryA(kIniPath, nullptr) != 0, "cannot put a folder where the INI file goes");
    try {
        Saver saver("/c");
        HWND dialog = openSettings(saver);
        click(dialog, IDOK);
        saver.answerMessage("File write error.", "Cannot write the settings file.");
        Sleep(200);
        check(IsWindowVisible(dialog) && saver.running(), "the dialog closed after a failed write");
        click(dialog, IDCANCEL);
        saver.expectExit(0);
    } catch (...) {
        RemoveDirectoryA(kIniPath);
        throw;
    }
    RemoveDirectoryA(kIniPath);
}

// Saves the screen as a 24-bit BMP file (for looking at the dialogs by eye).
void saveScreen(const std::string& path) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u, imageBytes = rowBytes * height;
    const DWORD headerBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    BITMAPFILEHEADER header{0x4D42, headerBytes + imageBytes, 0, 0, headerBytes};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, &header, sizeof header, &written, nullptr);
    WriteFile(file, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
    WriteFile(file, bits, imageBytes, &written, nullptr);
    CloseHandle(file);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

void screenshots() {
    writeIni(threeSamples(), "");
    Saver saver("/c");
    HWND settings = openSettings(saver);
    Sleep(500);
    saveScreen("C:\\glowpond\\settings_dialog.bmp");
    HWND dialog = openModelSettings(saver, settings);
    click(dialog, 1081);
    waitUntil([&] { return previewPixels(dialog) > 100; }, "Display drew nothing into the picture");
    Sleep(500);
    saveScreen("C:\\glowpond\\model_settings_dialog.bmp");
    closeModelSettings(dialog);
    click(settings, IDCANCEL);
    saver.expectExit(0);
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
        {"settings_ok_and_cancel", settingsOkAndCancel},
        {"settings_add_and_delete", addAndDelete},
        {"settings_save_and_load", saveAndLoad},
        {"settings_lava_color", lavaColor},
        {"settings_write_fails", settingsWriteFails},
        {"model_settings", configureModels},
        {"model_settings_advanced", advancedOptionsDisabled},
        // Not a test: leaves both dialogs as pictures in C:\glowpond.
        {"screenshots", screenshots},
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
