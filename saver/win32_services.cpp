#include "saver/win32_services.h"

#include <windows.h>

#include <shellapi.h>

#include "saver/wide_text.h"

namespace glowpond {
namespace {

class Win32ServicesOfSaver final : public Win32Services {
public:
    int messageBox(WindowHandle owner, const std::string& text, const std::string& caption) override {
        return system_->messageBox(owner, text, caption);
    }
    AppPathLookup lookupAppPath(const std::string& exeName) override { return system_->lookupAppPath(exeName); }
    bool setCurrentDirectory(const std::string& path) override { return system_->setCurrentDirectory(path); }
    std::string fullPath(const std::string& name) override { return system_->fullPath(name); }
    bool replaceThroughTempFile(const std::string& path, const std::string& contents) override {
        return system_->replaceThroughTempFile(path, contents);
    }
    bool writeInPlace(const std::string& path, const std::string& contents) override {
        return system_->writeInPlace(path, contents);
    }
    std::string writeTempCopy(const std::string& contents) override { return system_->writeTempCopy(contents); }
    bool removeFile(const std::string& path) override { return system_->removeFile(path); }
    std::optional<std::string> userDataFolder() override { return system_->userDataFolder(); }
    bool makeFolder(const std::string& path) override { return system_->makeFolder(path); }
    const AnsiCodePage& ansiCodePage() const override { return system_->ansiCodePage(); }
    FileRead readFile(const std::string& path, size_t limit, std::string& contents) override {
        return system_->readFile(path, limit, contents);
    }

    ScreenPoint cursorPosition() override {
        POINT point{};
        GetCursorPos(&point);
        return {point.x, point.y};
    }

    void showCursor(bool show) override { ShowCursor(show ? TRUE : FALSE); }

    UserDwordLookup readUserDword(const std::string& keyName, const std::string& valueName) override {
        UserDwordLookup result;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, keyName.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
            return result;
        }
        DWORD value = 0;
        DWORD size = sizeof value;
        result.status = RegQueryValueExA(key, valueName.c_str(), nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS
                            ? UserDwordLookup::Status::Found
                            : UserDwordLookup::Status::NoValue;
        result.value = value;
        RegCloseKey(key);
        return result;
    }

    bool isNtFamily() override { return (GetVersion() & 0x80000000u) == 0; }

    void* loadSystemLibrary(const std::string& name) override {
        // By full path: the search for a bare name would also look in the
        // program's and the current folder, where anyone may have put one.
        char folder[MAX_PATH];
        const UINT length = GetSystemDirectoryA(folder, sizeof folder);
        if (length == 0 || length >= sizeof folder || name.find_first_of("\\/:") != std::string::npos) {
            return nullptr;
        }
        return LoadLibraryExA((std::string(folder) + "\\" + name).c_str(), nullptr, 0);
    }

    void* libraryFunction(void* library, const std::string& name) override {
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
    }

    bool openDocument(const std::string& path) override {
        // ShellExecute's result is an error code at or below 32.
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(nullptr, L"open", wideFromUtf8(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        return result > 32;
    }

    WindowHandle createWindow(const WindowRequest& r) override {
        return CreateWindowExA(r.extendedStyle, r.className, "", r.style, r.x, r.y, r.width, r.height,
                               static_cast<HWND>(r.parent), nullptr, static_cast<HINSTANCE>(r.instance), nullptr);
    }

    void setScreenSaverRunning(bool running) override {
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, nullptr, 0);
    }

    std::vector<MonitorArea> monitors() override {
        std::vector<MonitorArea> areas;
        EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&areas));
        return areas;
    }

private:
    static BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM found) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoA(monitor, &info)) {
            const RECT& r = info.rcMonitor;
            reinterpret_cast<std::vector<MonitorArea>*>(found)->push_back(
                {r.left, r.top, r.right, r.bottom, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
        }
        return TRUE;
    }

    std::unique_ptr<SystemServices> system_ = makeSystemServices();
};

}  // namespace

std::unique_ptr<Win32Services> makeWin32Services() { return std::make_unique<Win32ServicesOfSaver>(); }

}  // namespace glowpond
