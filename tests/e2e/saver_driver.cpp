// Drives glowpond.scr end to end under Wine: writes the INI file and the
// registry state a scenario needs, starts the program, finds its windows and
// message boxes, presses keys and buttons, and checks the exit code.
//
//   saver_driver SCENARIO PROGRAM SAMPLE_MODELS SHARED_MODELS   (Unix paths)
//
// The scenarios "installed" (the fourth path is then the install folder)
// and "dpi" leave the installation's registry state alone. The INI file a
// scenario writes is the user's own, in their application data.
//
// Exit status 0 when the scenario passes, 1 with the reason on stderr when it
// fails, 2 on a wrong command line, 77 when it needs the shared model
// collection and that is missing (a failure instead when CI is set).
#define _WIN32_WINNT 0x0A00
#include <windows.h>

#include <commctrl.h>
#include <process.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

// The install folder that App Paths names, and the user's own settings.
constexpr char kInstallFolder[] = "C:\\glowpond";
constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\3-D Glowpond.scr";
std::string userFolder, iniFile;

constexpr char kSaverClass[] = "My Window";
constexpr char kDialogClass[] = "#32770";
constexpr char kSettingsCaption[] = "3-D Glowpond Settings.";
constexpr char kNoPreviewWindow[] = "Can't form a preview window";
constexpr DWORD kTimeoutMs = 30000;
constexpr int kSkipped = 77;
constexpr int kModelList = 1001;
// The up-down control of a dialog's edit or anchor has that control's id plus this.
constexpr int kSpinIdOffset = 100;
// Asks the model dialog how many pixels of its preview are lit: GL in a child
// window never reaches a screenshot under Wine.
constexpr UINT kCountPreviewPixels = WM_APP + 1;

struct Failure { std::string what; };
struct Skipped { std::string why; };
struct Paths { std::string program, samples, shared; } paths;

void check(bool condition, const std::string& what) { if (!condition) throw Failure{what}; }

std::string sample(const char* name) { return paths.samples + "\\" + name; }
std::vector<std::string> threeSamples() { return {sample("lava_lamp.wrl"), sample("rocket.3ds"), sample("crystal.wrl")}; }

void needSharedModels() {
    const DWORD attributes = GetFileAttributesA(paths.shared.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    const std::string why = "the shared model collection is missing: " + paths.shared;
    // CI must not pass by skipping.
    if (std::getenv("CI")) throw Failure{why};
    throw Skipped{why};
}

// Polls every 20 ms. Meanwhile the driver's own windows keep answering: a
// preview child in another process sends its parent messages.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs) {
    for (const DWORD start = GetTickCount();; Sleep(20)) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
}

void require(const std::function<bool()>& condition, const std::string& what, DWORD timeoutMs = kTimeoutMs) {
    check(waitUntil(condition, timeoutMs), what);
}

void waitHidden(HWND window, const std::string& what) { require([&] { return !IsWindowVisible(window); }, what); }

// Presses a key now and then until `done`: input reaches a busy frame loop
// only when it gets round to it.
void pressKeysUntil(const std::function<bool()>& done) {
    waitUntil([&] {
        if (done()) return true;
        keybd_event('A', 0, 0, 0);
        keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
        Sleep(230);
        return false;
    });
}

// A window's caption, or with GetClassNameA its class.
std::string nameOf(HWND window, int(WINAPI* get)(HWND, LPSTR, int) = GetWindowTextA) {
    char name[256] = "";
    get(window, name, sizeof name);
    return name;
}

std::wstring wide(const std::string& utf8) {
    std::wstring out(utf8.size(), L'\0');
    out.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), int(out.size()))));
    return out;
}

std::string utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                       out.data(), int(out.size()), nullptr, nullptr)));
    return out;
}

// Unlike GetWindowText, also reads the edit controls of another process; in
// UTF-8, so that names beyond the code page compare whole.
std::string itemText(HWND dialog, int id) {
    wchar_t text[512] = L"";
    GetDlgItemTextW(dialog, id, text, 512);
    return utf8(text);
}

std::vector<HWND> visibleWindows(const std::function<bool(HWND)>& matches) {
    std::vector<HWND> found;
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        if (IsWindowVisible(window) && matches(window)) found.push_back(window);
    }
    return found;
}

// The topmost visible window that matches, or nullptr when none comes in time.
HWND waitForWindow(const std::function<bool(HWND)>& matches, DWORD timeoutMs = kTimeoutMs) {
    std::vector<HWND> found;
    waitUntil([&] { return !(found = visibleWindows(matches)).empty(); }, timeoutMs);
    return found.empty() ? nullptr : found.front();
}

// Names beyond ASCII go in UTF-8 with its mark, as the program saves them.
void writeIni(const std::vector<std::string>& files, const std::string& options = "") {
    const bool unicode = std::any_of(files.begin(), files.end(), [](const std::string& file) {
        return std::any_of(file.begin(), file.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    });
    std::string text = std::string(unicode ? "\xEF\xBB\xBF" : "") + "[files]\r\n";
    for (size_t i = 0; i < files.size(); ++i) text += "file" + std::to_string(i + 1) + "=" + files[i] + "\r\n";
    // The scenario's options first: the first of two equal keys counts.
    text += "[options]\r\n" + options + "lavaRed=255\r\nlavaGreen=40\r\nlavaBlue=0\r\nallowAcceleration=1\r\n";
    std::ofstream out(iniFile.c_str(), std::ios::binary);
    check(static_cast<bool>(out << text << "showStatus=0\r\n" << std::flush), "cannot write the INI file");
}

// The program under test, on an INI file of `models` and `options` when
// models are given; ended if it still runs when the scenario is over.
class Saver {
public:
    explicit Saver(const std::string& arguments, const std::vector<std::string>& models = {},
                   const std::string& options = "")
        : arguments_(arguments) {
        if (!models.empty()) writeIni(models, options);
        std::string command = "\"" + paths.program + "\"" + (arguments.empty() ? "" : " " + arguments);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        expect(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_),
               "cannot start");
    }
    ~Saver() {
        if (running()) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

    void expectExit() const {
        expect(waitUntil([&] { return !running(); }), "the program did not end");
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        expect(code == 0, "exit code " + std::to_string(code));
    }

    // A visible top-level window of this process; with any caption when `caption` is null.
    HWND find(const char* caption, DWORD timeoutMs = kTimeoutMs, const char* windowClass = kDialogClass) const {
        const auto matches = [&](HWND window) {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            return pid == process_.dwProcessId && nameOf(window, GetClassNameA) == windowClass &&
                   (!caption || nameOf(window) == caption);
        };
        return waitForWindow(matches, timeoutMs);
    }

    HWND expectWindow(const char* caption, const char* windowClass = kDialogClass) const {
        HWND window = find(caption, kTimeoutMs, windowClass);
        expect(window != nullptr, std::string("no ") + windowClass + " window \"" + caption + "\"");
        return window;
    }

    HWND saverWindow() const { return expectWindow("", kSaverClass); }

    // The visible top-level windows of this process of that class.
    std::vector<HWND> windowsOf(const char* windowClass) const {
        return visibleWindows([&](HWND window) {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            return pid == process_.dwProcessId && nameOf(window, GetClassNameA) == windowClass;
        });
    }

    // Waits for a message box, checks its text and closes it.
    void answer(const char* caption, const std::string& text) const {
        HWND box = expectWindow(caption);
        const std::string shown = itemText(box, 0xFFFF);
        expect(shown == text, std::string("message box \"") + caption + "\" says \"" + shown + "\"");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        // The next step may look for a dialog by its owner: this box must be gone by then.
        waitHidden(box, std::string("message box \"") + caption + "\" stays open");
    }

    void endWithKeys() const {
        pressKeysUntil([&] { return !running(); });
        expectExit();
    }

    void closeWith(HWND dialog, int button) const {
        PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        expectExit();
    }

private:
    void expect(bool condition, const std::string& what) const { check(condition, "[" + arguments_ + "] " + what); }

    std::string arguments_;
    PROCESS_INFORMATION process_{};
};

std::string folderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

// Copies of a marker built beside this driver (which leaves "<its path>.ran"
// wherever it runs or is loaded) at the given paths, removed again at the end.
class Planted {
public:
    Planted(std::vector<std::string> targets, const char* marker) : paths_(std::move(targets)) {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        const std::string source = folderOf(self) + "\\" + marker;
        for (const std::string& path : paths_) {
            DeleteFileA((path + ".ran").c_str());
            check(CopyFileA(source.c_str(), path.c_str(), FALSE) != 0, "cannot plant " + path);
        }
    }
    ~Planted() {
        for (const std::string& path : paths_) DeleteFileA(path.c_str());
    }
    Planted(const Planted&) = delete;
    Planted& operator=(const Planted&) = delete;

    void expectNoneRan() const {
        for (const std::string& path : paths_) {
            check(GetFileAttributesA((path + ".ran").c_str()) == INVALID_FILE_ATTRIBUTES, "the planted " + path + " ran");
        }
    }

private:
    std::vector<std::string> paths_;
};

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string iniText(const char* section, const std::string& key, const char* path = iniFile.c_str()) {
    char value[512] = "";
    GetPrivateProfileStringA(section, key.c_str(), "<missing>", value, sizeof value, path);
    return value;
}

void expectIni(const char* section, const std::map<std::string, std::string>& expected) {
    for (const auto& [key, value] : expected) {
        const std::string found = iniText(section, key);
        check(found == value, key + " is \"" + found + "\", not \"" + value + "\"");
    }
}

void setUsePassword(DWORD use) {
    RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", REG_DWORD, &use, sizeof use);
}

// The system's "screen saver running" state, as a process of its own reads
// it: Wine keeps what a process has read of it.
bool screenSaverRunning() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    return _spawnl(_P_WAIT, self, "saver_driver", "running-state", nullptr) == 1;
}

// A rectangle of the screen as a bottom-up DIB of 24-bit (blue, green, red)
// or 32-bit (blue, green, red, unused) pixels.
struct Capture { BITMAPINFOHEADER header; std::vector<BYTE> bits; };

Capture captureScreen(RECT area, WORD bitsPerPixel = 32) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    Capture shot{{sizeof(BITMAPINFOHEADER), width, height, 1, bitsPerPixel, BI_RGB, 0, 0, 0, 0, 0}, {}};
    shot.bits.resize(static_cast<size_t>((width * bitsPerPixel + 31) / 32 * 4) * height);
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    DeleteDC(memory);  // which lets go of the bitmap, as GetDIBits needs
    GetDIBits(screen, bitmap, 0, height, shot.bits.data(), reinterpret_cast<BITMAPINFO*>(&shot.header), 0);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return shot;
}

RECT wholeScreen() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

// Red well above green and blue.
bool isLava(int red, int green, int blue) { return red > 120 && red > green + 40 && red > blue + 60; }

int countPixels(const RECT& area, const std::function<bool(int red, int green, int blue)>& matches) {
    const Capture shot = captureScreen(area);
    int count = 0;
    for (size_t i = 0; i < shot.bits.size(); i += 4) count += matches(shot.bits[i + 2], shot.bits[i + 1], shot.bits[i]);
    return count;
}

void saveScreen(const char* path) {
    // 24 bits: viewers may take the unused byte of 32-bit pixels for transparency.
    const Capture shot = captureScreen(wholeScreen(), 24);
    const DWORD headerBytes = sizeof(BITMAPFILEHEADER) + sizeof shot.header;
    const BITMAPFILEHEADER file{0x4D42, headerBytes + static_cast<DWORD>(shot.bits.size()), 0, 0, headerBytes};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&shot.header), sizeof shot.header);
    out.write(reinterpret_cast<const char*>(shot.bits.data()), static_cast<std::streamsize>(shot.bits.size()));
}

// ---- Controls of the settings and model settings dialogs ----

void click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
LRESULT buttonState(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0); }
int listCount(HWND dialog) { return static_cast<int>(SendDlgItemMessageA(dialog, kModelList, LB_GETCOUNT, 0, 0)); }
void select(HWND dialog, int line) { SendDlgItemMessageA(dialog, kModelList, LB_SETCURSEL, line, 0); }

// Asked in UTF-16: Wine carries only that form of the text between processes.
std::string listText(HWND dialog, int line) {
    wchar_t text[512] = L"";
    const LRESULT length = SendDlgItemMessageW(dialog, kModelList, LB_GETTEXTLEN, line, 0);
    if (length == LB_ERR || length >= LRESULT(std::size(text))) return {};
    SendDlgItemMessageW(dialog, kModelList, LB_GETTEXT, line, reinterpret_cast<LPARAM>(text));
    return utf8(text);
}

void setSpin(HWND dialog, int id, int value) { SendDlgItemMessageA(dialog, id + kSpinIdOffset, UDM_SETPOS32, 0, value); }

void toggleOn(HWND dialog, int id, const std::string& name) {
    click(dialog, id);
    require([&] { return buttonState(dialog, id) == BST_CHECKED; }, name + " did not toggle");
}

void toggle(HWND dialog, int id, LRESULT to) {
    click(dialog, id);
    require([&] { return buttonState(dialog, id) == to; }, itemText(dialog, id) + " did not toggle");
}

// A control's rectangle in the dialog's client coordinates.
RECT placeOf(HWND dialog, int id) {
    RECT rect{};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void deleteModel(HWND dialog, int line, int remaining) {
    select(dialog, line);
    click(dialog, 1020);
    require([&] { return listCount(dialog) == remaining; }, "Delete did not leave " + std::to_string(remaining));
}

// A visible dialog owned by `owner` (a file chooser, say).
HWND ownedDialog(HWND owner, DWORD timeoutMs = kTimeoutMs) {
    const auto owned = [&](HWND window) {
        return GetWindow(window, GW_OWNER) == owner && nameOf(window, GetClassNameA) == kDialogClass;
    };
    return waitForWindow(owned, timeoutMs);
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
        click(chooser, IDOK);
    }
    waitHidden(chooser, "the file chooser stays open");
}

// A mouse click on the up arrow of an up-down control, as a user makes it:
// UDM_SETPOS32 would not notify the dialog.
void clickUpArrow(HWND spin) {
    RECT client;
    GetClientRect(spin, &client);
    const LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 4);
    PostMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(spin, WM_LBUTTONUP, 0, at);
    Sleep(100);
}

HWND openModelSettings(const Saver& saver, HWND settings) {
    click(settings, 1090);
    return saver.expectWindow("Model Settings.");
}

void closeModelSettings(HWND dialog) {
    click(dialog, 8);
    waitHidden(dialog, "the model settings dialog stays open");
}

// Clicks Display and waits until the preview shows a model (once `ready`).
void display(HWND modelDialog, const std::function<bool()>& ready = [] { return true; }) {
    click(modelDialog, 1081);
    const auto drawn = [&] {
        DWORD_PTR lit = 0;
        SendMessageTimeoutA(modelDialog, kCountPreviewPixels, 0, 0, SMTO_NORMAL, 5000, &lit);
        return ready() && lit > 100;
    };
    require(drawn, "Display drew nothing into the picture");
}

// ---- Scenarios ----

void expectMessages(const std::string& arguments, const std::vector<std::pair<const char*, std::string>>& boxes) {
    Saver saver(arguments);
    for (const auto& [caption, text] : boxes) saver.answer(caption, text);
    saver.expectExit();
}

// The dialog's client size; every control must lie inside the client area.
SIZE layout(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        RECT box, inside;
        GetWindowRect(control, &box);
        check(IntersectRect(&inside, &box, &client) && EqualRect(&inside, &box),
              "control " + std::to_string(GetDlgCtrlID(control)) + " lies outside its dialog");
    }
    return {client.right - client.left, client.bottom - client.top};
}

// The client sizes of both dialogs at a system DPI of `dpi`.
std::pair<SIZE, SIZE> dialogSizes(DWORD dpi) {
    check(RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi, sizeof dpi) ==
              ERROR_SUCCESS, "cannot set LogPixels");
    Saver saver("/c", threeSamples());
    HWND settings = saver.expectWindow(kSettingsCaption);
    check(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(settings)) ==
              DPI_AWARENESS_PER_MONITOR_AWARE,
          "the settings dialog is not per-monitor DPI aware");
    const SIZE outer = layout(settings);
    HWND models = openModelSettings(saver, settings);
    const SIZE inner = layout(models);
    closeModelSettings(models);
    saver.closeWith(settings, IDCANCEL);
    return {outer, inner};
}

// By the names the tests give on the command line.
const std::map<std::string, void (*)()> kScenarios = {
    {"full_screen", [] {
        Saver saver("/s", threeSamples());
        HWND window = saver.saverWindow();
        check(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, "the saver window is not topmost");
        RECT rect, screen = wholeScreen();
        check(GetWindowRect(window, &rect) && EqualRect(&rect, &screen), "the saver window does not cover the screen");
        require([&] { return countPixels(screen, isLava) > 100; }, "no lava on the screen", 15000);
        saver.endWithKeys();
        check(!screenSaverRunning(), "the system still takes the saver for running");
    }},
    {"second_file_fails", [] {
        Saver saver("/s", {sample("lava_lamp.wrl"), sample("no such model.wrl"), sample("crystal.wrl")});
        saver.answer("Error: Can't open this file.", sample("no such model.wrl"));
        saver.saverWindow();
        check(saver.find("ERROR", 1500) == nullptr, "the saver gave up on two good files");
        saver.endWithKeys();
    }},
    {"unicode_names", [] {
        // A model, and its folder, named beyond the code page; a missing one is named right in its message.
        const std::string folder = std::string(kInstallFolder) + "\\Unicode \u2764\u267B Test";
        const std::string model = folder + "\\Unicode \u2764\u267B Test.wrl", gone = folder + "\\\u00E9t\u00E9 \u2764.wrl";
        CreateDirectoryW(wide(folder).c_str(), nullptr);
        check(CopyFileW(wide(sample("lava_lamp.wrl")).c_str(), wide(model).c_str(), FALSE), "cannot copy the model");
        const std::string log = folder + "\\steps \u2764.log";
        DeleteFileW(wide(log).c_str());
        SetEnvironmentVariableW(L"GLOWPOND_STEP_LOG", wide(log).c_str());
        Saver saver("/s", {gone, model});
        SetEnvironmentVariableW(L"GLOWPOND_STEP_LOG", nullptr);
        saver.answer("Error: Can't open this file.", gone);
        saver.saverWindow();
        require([&] { return countPixels(wholeScreen(), isLava) > 100; }, "no lava from the model", 15000);
        saver.endWithKeys();
        check(GetFileAttributesW(wide(log).c_str()) != INVALID_FILE_ATTRIBUTES, "no step log under its own name");
        // Both dialogs show the name whole, in their lists and as the model dialog's selection.
        Saver dialogs("/c", {model});
        HWND settings = dialogs.expectWindow(kSettingsCaption);
        check(listText(settings, 0) == model, "the settings list reads \"" + listText(settings, 0) + "\"");
        HWND dialog = openModelSettings(dialogs, settings);
        check(listText(dialog, 0) == model, "the model dialog lists \"" + listText(dialog, 0) + "\"");
        check(itemText(dialog, 1010) == model, "the model dialog's selection reads \"" + itemText(dialog, 1010) + "\"");
        closeModelSettings(dialog);
        dialogs.closeWith(settings, IDCANCEL);
    }},
    {"no_loadable_file", [] {
        writeIni({sample("glowpond.ini")});
        expectMessages("/s", {{"Error: Not a supported file type.", sample("glowpond.ini")},
                              {"ERROR", "Error: No files read. Reconfigure."}});
    }},
    {"cancel_in_status_window", [] {
        needSharedModels();
        const std::string terrain = paths.shared + "\\vrml1\\jj_mpf_terrain_42k.wrl";
        Saver saver("/s", std::vector<std::string>(15, terrain), "showStatus=1\r\n");
        HWND status = saver.expectWindow("3-D Glowpond File Load Status.");
        std::string shown;
        waitUntil([&] { return !(shown = itemText(status, 1005)).empty(); });
        check(shown == terrain, "the status window shows \"" + shown + "\"");
        check(FindWindowExA(status, nullptr, "msctls_progress32", nullptr) != nullptr, "no progress bar");
        click(status, 1007);
        // A cancel during a file is confirmed by the loader; one between files is not.
        waitUntil([&] {
            if (!saver.running()) return true;
            if (HWND box = saver.find("User Abort", 0)) PostMessageA(box, WM_COMMAND, IDOK, 0);
            return false;
        });
        saver.expectExit();
    }},
    {"password_check", [] {
        // A library of that name beside either settings file, or in the current folder, is never loaded.
        const std::vector<std::string> planted = {userFolder + "\\PASSWORD.CPL",
                                                  std::string(kInstallFolder) + "\\PASSWORD.CPL"};
        const Planted markers(planted, "marker.dll");
        setUsePassword(true);
        Saver saver("/s", threeSamples());
        saver.saverWindow();
        pressKeysUntil([&] { return saver.find("ERROR", 0) != nullptr; });
        saver.answer("ERROR", "Verify Password can't find PASSWORD.CPL.");
        setUsePassword(false);
        saver.expectExit();
        markers.expectNoneRan();
    }},
    {"device_models", [] {
        // A pipe of another program's, and a serial port: refused at once, unopened; the rest are shown.
        const char pipeName[] = "\\\\.\\pipe\\glowpond.wrl";
        HANDLE pipe = CreateNamedPipeA(pipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 4096, 4096, 0,
                                       nullptr);
        check(pipe != INVALID_HANDLE_VALUE, "cannot make a pipe");
        struct ClosePipe {
            HANDLE pipe;
            ~ClosePipe() { CloseHandle(pipe); }
        } closing{pipe};
        const std::string port = std::string(kInstallFolder) + "\\COM1.wrl";
        Saver saver("/s", {sample("lava_lamp.wrl"), pipeName, port, "//./pipe/glowpond.wrl", sample("crystal.wrl")});
        const DWORD start = GetTickCount();
        saver.answer("Error: Can't open this file.", pipeName);
        saver.answer("Error: Can't open this file.", port);
        saver.answer("Error: Can't open this file.", "//./pipe/glowpond.wrl");
        check(GetTickCount() - start < 10000, "the refusals took " + std::to_string(GetTickCount() - start) + " ms");
        require([&] { return countPixels(wholeScreen(), isLava) > 100; }, "no lava from the other models", 15000);
        saver.endWithKeys();
        // Still listening: no one ever connected.
        check(!ConnectNamedPipe(pipe, nullptr) && GetLastError() == ERROR_PIPE_LISTENING, "the saver opened the pipe");
    }},
    {"no_acceleration", [] {
        writeIni(threeSamples(), "allowAcceleration=0\r\n");
        Saver saver("/s");
        saver.expectWindow("Error");
        check(screenSaverRunning(), "the saver did not tell the system it runs");
        saver.answer("Error", "Unable to create pixelformatdescriptor.");
        saver.expectExit();
        // The surface failed inside the window's creation: a way out of its own.
        check(!screenSaverRunning(), "the system still takes the saver for running");
    }},
    {"preview", [] {
        HWND parent = CreateWindowExA(0, "STATIC", "Display settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                                      220, nullptr, nullptr, nullptr, nullptr);
        check(parent != nullptr, "cannot make the parent window");
        Saver saver("/p " + std::to_string(reinterpret_cast<uintptr_t>(parent)), threeSamples());
        HWND child = nullptr;
        require([&] { return (child = FindWindowExA(parent, nullptr, kSaverClass, nullptr)) != nullptr; },
                "no preview window inside the parent");
        RECT outer, inner;
        GetWindowRect(parent, &outer);
        GetWindowRect(child, &inner);
        OffsetRect(&inner, outer.left - inner.left, outer.top - inner.top);
        check(EqualRect(&inner, &outer), "the preview is not the size of the parent's window rectangle");
        waitUntil([] { return false; }, 1500);
        check(saver.running(), "the preview ended by itself");
        DestroyWindow(parent);
        saver.expectExit();
    }},
    // The model steps of a running saver, from the update times it writes when GLOWPOND_STEP_LOG names a file:
    // each comes 50 ms after the model's last one, never sooner, and the sleep never makes it a whole step
    // late as a rule. How many come within 2 ms depends on what else the machine runs (up to half of them
    // are 15 ms late at a load of 20 on two cores): tests/wine/spare_cpu.sh measures that.
    {"step_interval", [] {
        const std::string log = std::string(kInstallFolder) + "\\steps.log";
        DeleteFileA(log.c_str());
        SetEnvironmentVariableA("GLOWPOND_STEP_LOG", log.c_str());
        Saver saver("/s", threeSamples());
        SetEnvironmentVariableA("GLOWPOND_STEP_LOG", nullptr);
        require([&] { return countPixels(wholeScreen(), isLava) > 100; }, "no lava on the screen", 15000);
        waitUntil([] { return false; }, 8000);
        saver.endWithKeys();
        std::ifstream in(log.c_str());
        std::map<int, int> last;
        std::vector<int> steps;
        for (int model, now; in >> model >> now; last[model] = now) {
            // A model's first step after its turn came, or after it was reset, follows no step of its own.
            if (last.count(model) && now - last[model] < 1000) steps.push_back(now - last[model]);
        }
        check(steps.size() > 100, "only " + std::to_string(steps.size()) + " steps logged");
        std::sort(steps.begin(), steps.end());
        std::printf("steps of %d to %d ms, half of them within %d ms\n", steps.front(), steps.back(),
                    steps[steps.size() / 2]);
        check(steps.front() >= 50, "a step came " + std::to_string(steps.front()) + " ms after the last");
        check(steps[steps.size() / 2] < 90, "half of the steps came 90 ms or more after the last");
    }},
    {"preview_without_window", [] {
        for (const char* arguments : {"/p 12345", "/p"}) expectMessages(arguments, {{"Error", kNoPreviewWindow}});
    }},
    {"password_change", [] {
        Saver saver("/a");
        saver.expectExit();
        check(saver.find(nullptr, 0) == nullptr, "a window was left open");
    }},
    {"mode_table", [] {
        for (const char* arguments : {"", "/c", "/c:1234", "-C"}) {
            Saver saver(arguments);
            saver.closeWith(saver.expectWindow(kSettingsCaption), IDCANCEL);
        }
        for (const char* arguments : {"/S", "-s", "/x /s"}) {
            Saver saver(arguments, {sample("lava_lamp.wrl")});
            saver.saverWindow();
            saver.endWithKeys();
        }
    }},
    {"settings_ok_and_cancel", [] {
        const std::vector<std::string> files = threeSamples();
        writeIni(files, "speed=3\r\nspinSpeed=4\r\npulseSpeed=5\r\n"
                        "totalSize=6\r\nobjectDuration=2\r\nlightHeight=9\r\n");
        const std::string before = readFile(iniFile.c_str());
        const Saver cancelled("/c");
        HWND dialog = cancelled.expectWindow(kSettingsCaption);
        for (const auto& [id, text] : std::map<int, std::string>{{1030, "3"}, {1032, "4"}, {1033, "5"}, {1031, "6"},
                                                                 {1034, "2"}, {1037, "9"}}) {
            check(itemText(dialog, id) == text, "edit " + std::to_string(id) + " shows " + itemText(dialog, id));
        }
        check(listCount(dialog) == 3, "the list does not hold the three models");
        setSpin(dialog, 1030, 10);
        deleteModel(dialog, 0, 2);
        cancelled.closeWith(dialog, IDCANCEL);
        check(readFile(iniFile.c_str()) == before, "Cancel changed the INI file");

        const Saver saver("/c");
        dialog = saver.expectWindow(kSettingsCaption);
        check(itemText(dialog, 1030) == "3", "Cancel kept the changed speed");
        setSpin(dialog, 1030, 8);
        setSpin(dialog, 1037, 1);
        toggleOn(dialog, 1008, "Show Load Status");
        saver.closeWith(dialog, IDOK);
        expectIni("options", {{"speed", "8"}, {"spinSpeed", "4"}, {"pulseSpeed", "5"}, {"totalSize", "6"},
                              {"objectDuration", "2"}, {"lightHeight", "1"}, {"showStatus", "1"},
                              {"allowAcceleration", "1"}, {"lavaRed", "255"}, {"lavaGreen", "40"}, {"lavaBlue", "0"},
                              {"AllowAdvanced", "1"}, {"size1", "5"}, {"2Sided3", "1"}, {"X-rot2", "0"}});
        expectIni("files", {{"file1", files[0]}, {"file2", files[1]}, {"file3", files[2]}, {"file4", ""}});
    }},
    {"settings_add_and_delete", [] {
        Saver saver("/c", std::vector<std::string>(14, sample("lava_lamp.wrl")));
        HWND dialog = saver.expectWindow(kSettingsCaption);
        check(buttonState(dialog, 1010) == 0 && buttonState(dialog, 1020) == 0, "Add or Delete unavailable at 14");
        click(dialog, 1020);
        saver.answer("No model selected.", "Please click on a model.");
        chooseFile(dialog, 1010, sample("glowpond.ini"));
        saver.answer("Error: Not a supported file type.", sample("glowpond.ini"));
        check(listCount(dialog) == 14, "a refused file was added");

        chooseFile(dialog, 1010, sample("crystal.wrl"));
        require([&] { return listCount(dialog) == 15; }, "Add did not add the model");
        check(buttonState(dialog, 1010) == BST_INDETERMINATE, "Add is available at 15");
        click(dialog, 1010);
        check(ownedDialog(dialog, 700) == nullptr, "an unavailable Add opened the chooser");
        for (int count = 15; count > 0; --count) {
            deleteModel(dialog, count - 1, count - 1);
            if (count == 15) check(buttonState(dialog, 1010) == 0, "Add stays unavailable at 14");
        }
        check(buttonState(dialog, 1020) == BST_INDETERMINATE, "Delete is available with no models");
        saver.closeWith(dialog, IDCANCEL);
    }},
    {"settings_save_and_load", [] {
        const char* config = "C:\\glowpond\\saved.3dg";
        DeleteFileA(config);
        writeIni({sample("lava_lamp.wrl"), sample("rocket.3ds")}, "X-rot2=45\r\nBackCull1=1\r\nspeed=3\r\n");
        const std::string before = readFile(iniFile.c_str());
        Saver saver("/c");
        HWND dialog = saver.expectWindow(kSettingsCaption);
        for (int loadOrSave : {1013, 1014}) {
            chooseFile(dialog, loadOrSave, "");
            saver.answer("File open error.", "Cannot open selected file.");
        }
        setSpin(dialog, 1031, 2);
        chooseFile(dialog, 1014, config);
        require([&] { return iniText("options", "totalSize", config) == "2"; }, "Save As wrote no configuration");
        deleteModel(dialog, 0, 1);
        setSpin(dialog, 1030, 9);
        setSpin(dialog, 1031, 7);
        chooseFile(dialog, 1013, config);
        require([&] { return listCount(dialog) == 2 && itemText(dialog, 1030) == "3" && itemText(dialog, 1031) == "2"; },
                "Load Saved did not restore the list and the spins");
        check(readFile(iniFile.c_str()) == before, "the INI file changed before OK");
        saver.closeWith(dialog, IDOK);
        expectIni("files", {{"file1", sample("lava_lamp.wrl")}});
        expectIni("options", {{"X-rot2", "45"}, {"BackCull1", "1"}, {"totalSize", "2"}, {"lavaGreen", "40"}});
    }},
    {"settings_lava_color", [] {
        Saver saver("/c", threeSamples());
        HWND dialog = saver.expectWindow(kSettingsCaption);
        click(dialog, 1200);
        HWND chooser = saver.expectWindow("Color");
        check(itemText(chooser, 706) == "255" && itemText(chooser, 707) == "40", "the chooser is not preset");
        for (int greenOrBlue : {707, 708}) SetDlgItemTextA(chooser, greenOrBlue, "0");
        click(chooser, IDOK);
        waitHidden(chooser, "the colour chooser stays open");
        RECT swatch;
        GetWindowRect(GetDlgItem(dialog, 1004), &swatch);
        const int x = (swatch.left + swatch.right) / 2, y = (swatch.top + swatch.bottom) / 2;
        const auto pureRed = [](int red, int green, int blue) { return red == 255 && green == 0 && blue == 0; };
        require([&] { return countPixels({x, y, x + 1, y + 1}, pureRed) == 1; }, "the swatch is not red", 5000);
        saver.closeWith(dialog, IDOK);
        expectIni("options", {{"lavaRed", "255"}, {"lavaGreen", "0"}, {"lavaBlue", "0"}});
    }},
    {"settings_band", [] {
        // The two switches below OK and Cancel: the options group has no room for them, and the controls above
        // keep their places. In dialog units: left, top, width, height (0: not checked; the edits lose their arrows'
        // width, the list its partial line).
        struct Place { int id, x, y, w, h; };
        const Place places[] = {{1001, 12, 18, 104, 0}, {1010, 121, 31, 38, 11}, {1020, 121, 50, 38, 11},
                                {1090, 52, 141, 68, 14},  {1030, 175, 22, 0, 12},  {1032, 175, 40, 0, 12},
                                {1033, 175, 58, 0, 12},   {1031, 254, 22, 0, 12},  {1034, 254, 40, 0, 12},
                                {1037, 254, 58, 0, 12},   {1008, 178, 76, 8, 8},   {1009, 178, 88, 8, 8},
                                {1200, 220, 104, 40, 15}, {1004, 262, 104, 18, 14}, {1060, 205, 143, 30, 11},
                                {1061, 265, 143, 30, 11}, {1013, 72, 177, 67, 13}, {1014, 192, 177, 67, 13},
                                {IDOK, 96, 206, 50, 14},  {IDCANCEL, 184, 206, 50, 14}};
        Saver saver("/c", threeSamples());
        HWND dialog = saver.expectWindow(kSettingsCaption);
        check(itemText(dialog, 1040) == "Spare the processor" && itemText(dialog, 1041) == "Lava on every monitor",
              "the switches are named \"" + itemText(dialog, 1040) + "\" and \"" + itemText(dialog, 1041) + "\"");
        check(buttonState(dialog, 1040) == BST_CHECKED && buttonState(dialog, 1041) == BST_UNCHECKED,
              "the switches do not show their defaults");
        // Pixels per dialog unit, from OK and Cancel, and from Add and OK.
        const RECT ok = placeOf(dialog, IDOK), add = placeOf(dialog, 1010);
        const double sx = (placeOf(dialog, IDCANCEL).left - ok.left) / 88.0, sy = (ok.top - add.top) / 175.0;
        const auto close = [](double px, double expected) { return px > expected - 2 && px < expected + 2; };
        for (const Place& p : places) {
            const RECT r = placeOf(dialog, p.id);
            check(close(r.left, ok.left + (p.x - 96) * sx) && close(r.top, ok.top + (p.y - 206) * sy) &&
                      (!p.w || close(r.right - r.left, p.w * sx)) && (!p.h || close(r.bottom - r.top, p.h * sy)),
                  "control " + std::to_string(p.id) + " has moved to " + std::to_string(r.left) + "," +
                      std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
                      std::to_string(r.bottom - r.top));
        }
        RECT client;
        GetClientRect(dialog, &client);
        check(close(client.right, 332 * sx) && close(client.bottom, 244 * sy),
              "the dialog grew by more than the band");
        toggle(dialog, 1040, BST_UNCHECKED);
        toggle(dialog, 1041, BST_CHECKED);
        saver.closeWith(dialog, IDOK);
        expectIni("options", {{"spareProcessor", "0"}, {"everyMonitor", "1"}});
        const Saver again("/c");
        dialog = again.expectWindow(kSettingsCaption);
        check(buttonState(dialog, 1040) == BST_UNCHECKED && buttonState(dialog, 1041) == BST_CHECKED,
              "the switches do not show the saved settings");
        again.closeWith(dialog, IDCANCEL);
    }},
    {"settings_write_fails", [] {
        DeleteFileA(iniFile.c_str());
        check(CreateDirectoryA(iniFile.c_str(), nullptr) != 0, "cannot put a folder where the INI file goes");
        struct RemoveFolder {
            ~RemoveFolder() { RemoveDirectoryA(iniFile.c_str()); }
        } removeFolder;
        Saver saver("/c");
        HWND dialog = saver.expectWindow(kSettingsCaption);
        click(dialog, IDOK);
        saver.answer("File write error.", "Cannot write the settings file.");
        Sleep(200);
        check(IsWindowVisible(dialog) && saver.running(), "the dialog closed after a failed write");
        saver.closeWith(dialog, IDCANCEL);
    }},
    {"model_settings", [] {
        Saver saver("/c", {sample("lava_lamp.wrl"), sample("crystal.wrl")}, "X-rot2=90\r\n");
        HWND settings = saver.expectWindow(kSettingsCaption);
        HWND dialog = openModelSettings(saver, settings);
        HWND zSpin = GetDlgItem(dialog, 1005 + kSpinIdOffset);
        check(zSpin != nullptr, "no spin control beside anchor 1005");
        clickUpArrow(zSpin);
        check(saver.find("No model displayed.") != nullptr, "no hint before Display");
        clickUpArrow(zSpin);
        Sleep(300);
        const auto hint = [](HWND window) { return nameOf(window) == "No model displayed."; };
        check(visibleWindows(hint).size() == 1, "the hint is not shown exactly once");
        saver.answer("No model displayed.", "Please click Display first.");

        display(dialog);
        for (int i = 0; i < 3; ++i) clickUpArrow(zSpin);
        toggleOn(dialog, 3002, "Single Light");
        select(dialog, 1);
        display(dialog, [&] { return itemText(dialog, 1010) == sample("crystal.wrl"); });
        check(buttonState(dialog, 3002) == BST_UNCHECKED, "the check boxes still show the first model");
        closeModelSettings(dialog);
        saver.closeWith(settings, IDOK);
        expectIni("options", {{"Z-rot1", "3"}, {"X-rot1", "0"}, {"2Sided1", "0"}, {"X-rot2", "90"}, {"Y-rot2", "0"},
                              {"Z-rot2", "0"}, {"2Sided2", "1"}});
    }},
    // A folder entry: files drawn from the sample folder fill the screen, and a folder that is not
    // there gets one message of its own.
    {"folder_full_screen", [] {
        const std::string missing = "C:\\no such folder\\";
        Saver saver("/s", {paths.samples + "\\", missing});
        saver.answer("Error: Can't open this folder.", missing);
        HWND window = saver.saverWindow();
        RECT screen = wholeScreen();
        check(window != nullptr, "no saver window");
        require([&] { return countPixels(screen, isLava) > 100; }, "no lava on the screen", 15000);
        check(saver.find("ERROR", 1500) == nullptr, "the folder's models were not read");
        saver.endWithKeys();
    }},
    // The lists show a folder entry with its count of models; the model dialog previews one of them.
    {"settings_folder_entry", [] {
        const std::string folder = paths.samples + "\\";
        Saver saver("/c", {sample("crystal.wrl"), folder}, "size2=3\r\n");
        HWND settings = saver.expectWindow(kSettingsCaption);
        const std::string shown = listText(settings, 1);
        const std::string prefix = folder + " (";
        check(shown.rfind(prefix, 0) == 0 && shown.size() > prefix.size() + 8 &&
                  shown.compare(shown.size() - 8, 8, " models)") == 0 && std::atoi(shown.c_str() + prefix.size()) >= 5,
              "the folder entry reads \"" + shown + "\"");
        check(buttonState(settings, 1011) == 0, "Add Folder is not available");
        HWND dialog = openModelSettings(saver, settings);
        check(listText(dialog, 1) == shown, "the model dialog lists \"" + listText(dialog, 1) + "\"");
        select(dialog, 1);
        display(dialog, [&] { return itemText(dialog, 1010).rfind(folder, 0) == 0; });
        closeModelSettings(dialog);
        saver.closeWith(settings, IDOK);
        expectIni("files", {{"file2", folder}});
        expectIni("options", {{"size2", "3"}});
    }},
    {"model_settings_advanced", [] {
        Saver saver("/c", {sample("crystal.wrl")}, "AllowAdvanced=0\r\n");
        HWND settings = saver.expectWindow(kSettingsCaption);
        HWND dialog = openModelSettings(saver, settings);
        click(dialog, 3000);
        saver.answer("Advanced Options disabled.", "Cancel and check Enable Advanced Options.");
        check(buttonState(dialog, 3000) == BST_UNCHECKED, "Reverse Normals changed");
        toggleOn(dialog, 3001, "Back Cull");
        closeModelSettings(dialog);
        saver.closeWith(settings, IDCANCEL);
    }},
    // The program as the installer left it: its starting settings and sample models in the install
    // folder. A user without settings of their own sees those; OK saves their own file, in which the
    // installed models are still found, and leaves the installed one as it was.
    {"installed", [] {
        DeleteFileA(iniFile.c_str());
        const std::string installed = paths.shared + "\\glowpond.ini", before = readFile(installed.c_str());
        check(!before.empty(), "no installed settings");
        for (int run = 0; run < 2; ++run) {
            {
                Saver saver("/s");
                require([&] { return countPixels(wholeScreen(), isLava) > 100; }, "no lava from the installed models",
                        15000);
                saver.endWithKeys();
            }
            if (run == 1) break;
            Saver saver("/c");
            saver.closeWith(saver.expectWindow(kSettingsCaption), IDOK);
            check(iniText("options", "AllowAdvanced") == "1", "OK did not save the user's own file");
            char folder[MAX_PATH] = "";
            DWORD size = sizeof folder;
            RegGetValueA(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", RRF_RT_REG_SZ, nullptr, folder, &size);
            check(iniText("files", "file1") == std::string(folder) + "\\Models\\",
                  "the user's file names " + iniText("files", "file1"));
            check(readFile(installed.c_str()) == before, "OK changed the installed settings");
        }
    }},
    // Every control inside its dialog at 96 and 192 DPI; the dialogs twice as large at 192.
    // On a display of three monitors of different sizes: without lava on every monitor the other two are
    // covered black; with it, each gets lava of its own at its own size, and a key on any ends them all.
    {"every_monitor", [] {
        std::vector<SIZE> others;
        EnumDisplayMonitors(nullptr, nullptr, [](HMONITOR monitor, HDC, LPRECT, LPARAM found) {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoA(monitor, &info) && !(info.dwFlags & MONITORINFOF_PRIMARY)) {
                const RECT& r = info.rcMonitor;
                reinterpret_cast<std::vector<SIZE>*>(found)->push_back({r.right - r.left, r.bottom - r.top});
            }
            return TRUE;
        }, reinterpret_cast<LPARAM>(&others));
        check(others.size() == 2, "Wine lists " + std::to_string(others.size() + 1) + " monitors, not 3");
        const std::string log = std::string(kInstallFolder) + "\\steps.log";
        for (const bool every : {false, true}) {
            for (const char* suffix : {"", ".1", ".2"}) DeleteFileA((log + suffix).c_str());
            SetEnvironmentVariableA("GLOWPOND_STEP_LOG", log.c_str());
            Saver saver("/s", threeSamples(), every ? "everyMonitor=1\r\n" : "everyMonitor=0\r\n");
            SetEnvironmentVariableA("GLOWPOND_STEP_LOG", nullptr);
            saver.saverWindow();
            const char* shown = every ? "Glowpond Lava" : "Glowpond Cover";
            std::vector<HWND> windows;
            require([&] { return (windows = saver.windowsOf(shown)).size() == others.size(); },
                    std::string("not one ") + shown + " window on each other monitor");
            check(saver.windowsOf(every ? "Glowpond Cover" : "Glowpond Lava").empty(), "both kinds of window");
            std::vector<std::pair<LONG, LONG>> sizes, expected;
            for (HWND window : windows) {
                RECT rect;
                GetWindowRect(window, &rect);
                sizes.emplace_back(rect.right - rect.left, rect.bottom - rect.top);
            }
            for (const SIZE& size : others) expected.emplace_back(size.cx, size.cy);
            std::sort(sizes.begin(), sizes.end());
            std::sort(expected.begin(), expected.end());
            check(sizes == expected, std::string(shown) + " windows not of their monitors' sizes");
            // Every monitor's lava moves: its steps per second, from the logs.
            const std::vector<const char*> suffixes = every ? std::vector<const char*>{"", ".1", ".2"}
                                                            : std::vector<const char*>{""};
            auto stepsSoFar = [&] {
                std::vector<long> counts;
                for (const char* suffix : suffixes) {
                    const std::string steps = readFile((log + suffix).c_str());
                    counts.push_back(static_cast<long>(std::count(steps.begin(), steps.end(), '\n')));
                }
                return counts;
            };
            const std::vector<long> before = stepsSoFar();
            const DWORD start = GetTickCount();
            waitUntil([] { return false; }, 6000);
            const std::vector<long> after = stepsSoFar();
            const double seconds = (GetTickCount() - start) / 1000.0;
            for (size_t k = 0; k < suffixes.size(); ++k) {
                std::printf("everyMonitor=%d, monitor %zu: %.1f model steps per second\n", every, k,
                            (after[k] - before[k]) / seconds);
                check(after[k] - before[k] > 20, "the lava of monitor " + std::to_string(k) + " stands still");
            }
            PostMessageA(windows.back(), WM_KEYDOWN, 'A', 0);
            saver.expectExit();
            check(saver.windowsOf(shown).empty(), std::string(shown) + " windows outlive the saver");
        }
    }},
    {"dpi", [] {
        SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
        const auto [settings96, models96] = dialogSizes(96);
        const auto [settings192, models192] = dialogSizes(192);
        for (auto [small, large] : {std::pair(settings96, settings192), std::pair(models96, models192)}) {
            const double x = double(large.cx) / small.cx, y = double(large.cy) / small.cy;
            check(x > 1.7 && x < 2.3 && y > 1.7 && y < 2.3,
                  "scaled by " + std::to_string(x) + " x " + std::to_string(y) + " at 192 DPI");
        }
    }},
    // Not a test: leaves both dialogs as pictures in C:\glowpond.
    {"screenshots", [] {
        Saver saver("/c", threeSamples());
        HWND settings = saver.expectWindow(kSettingsCaption);
        Sleep(500);
        saveScreen("C:\\glowpond\\settings_dialog.bmp");
        HWND dialog = openModelSettings(saver, settings);
        display(dialog);
        Sleep(500);
        saveScreen("C:\\glowpond\\model_settings_dialog.bmp");
        closeModelSettings(dialog);
        saver.closeWith(settings, IDCANCEL);
    }},
};

std::string windowsPath(std::string unixPath) {
    for (char& c : unixPath) c = c == '/' ? '\\' : c;
    return "Z:" + unixPath;
}

}  // namespace

int main(int argc, char** argv) {
    // For measurements by hand: posts timer and paint messages to the saver
    // window every INTERVAL_MS for SECONDS, a stream that moves no mouse.
    if (argc == 4 && std::string(argv[1]) == "post-messages") {
        const DWORD interval = static_cast<DWORD>(std::atoi(argv[2]));
        const DWORD end = GetTickCount() + 1000u * static_cast<DWORD>(std::atoi(argv[3]));
        timeBeginPeriod(1);
        unsigned long posted = 0;
        for (; GetTickCount() < end; Sleep(interval)) {
            if (HWND saver = FindWindowA(kSaverClass, nullptr)) {
                posted += PostMessageA(saver, posted % 2 ? WM_PAINT : WM_TIMER, 1, 0) != 0;
            }
        }
        timeEndPeriod(1);
        std::printf("%lu messages posted\n", posted);
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "running-state") {
        BOOL running = FALSE;
        return SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running ? 1 : 0;
    }
    if (argc != 5 || kScenarios.count(argv[1]) == 0) {
        std::fprintf(stderr, "usage: saver_driver SCENARIO PROGRAM SAMPLE_MODELS SHARED_MODELS\n");
        return 2;
    }
    paths = {windowsPath(argv[2]), windowsPath(argv[3]), windowsPath(argv[4])};
    const std::string scenario = argv[1];
    try {
        // The App Paths key through which the program finds its install folder.
        CreateDirectoryA(kInstallFolder, nullptr);
        check(scenario == "installed" || RegSetKeyValueA(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", REG_SZ,
                                                         kInstallFolder, sizeof kInstallFolder) == ERROR_SUCCESS,
              "cannot set the App Paths key");
        char data[MAX_PATH];
        check(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, data) == S_OK,
              "no application-data folder");
        userFolder = std::string(data) + "\\3-D Glowpond";
        iniFile = userFolder + "\\glowpond.ini";
        CreateDirectoryA(userFolder.c_str(), nullptr);
        setUsePassword(false);
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, nullptr, 0);
        kScenarios.at(argv[1])();
    } catch (const Skipped& skipped) {
        std::printf("%s skipped: %s\n", argv[1], skipped.why.c_str());
        return kSkipped;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s: %s\n", argv[1], failure.what.c_str());
        return 1;
    }
    std::printf("%s passed\n", argv[1]);
    return 0;
}
