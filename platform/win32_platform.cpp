// The Win32 platform: the system's message boxes, registry and file
// functions. Only this file (and the Windows front end) includes <windows.h>.
#include "platform/platform.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

namespace glowpond {
namespace {

const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

std::string directoryOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

// Writes `contents` over the start of the file, opened with `disposition`,
// and ends the file there; the file is on disk when this returns true.
bool writeFile(const char* path, const std::string& contents, DWORD disposition) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    for (size_t done = 0; ok && done < contents.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(contents.size() - done, 1u << 20));
        DWORD written = 0;
        ok = WriteFile(file, contents.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    ok = ok && SetEndOfFile(file) && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
}

class Win32Platform final : public Platform {
public:
    int messageBox(WindowHandle owner, const std::string& text, const std::string& caption) override {
        return MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), MB_OK);
    }

    AppPathLookup lookupAppPath(const std::string& exeName) override {
        AppPathLookup result;
        HKEY key = nullptr;
        std::string keyName = kAppPathsKey + exeName;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
            result.status = AppPathLookup::Status::NoKey;
            return result;
        }
        result.status = AppPathLookup::Status::NoValue;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, "Path", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            // One spare byte: a stored string need not carry its terminator.
            std::vector<char> buffer(size + 1, '\0');
            DWORD read = size;
            if (RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                 &read) == ERROR_SUCCESS) {
                result.status = AppPathLookup::Status::Found;
                result.path = buffer.data();
            }
        }
        RegCloseKey(key);
        return result;
    }

    bool setCurrentDirectory(const std::string& path) override {
        return SetCurrentDirectoryA(path.c_str()) != 0;
    }

    std::string fullPath(const std::string& name) override {
        DWORD needed = GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
        if (needed == 0) return name;
        std::vector<char> buffer(needed + 1);
        DWORD length = GetFullPathNameA(name.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0 || length >= buffer.size()) return name;
        return std::string(buffer.data(), length);
    }

    bool replaceThroughTempFile(const std::string& path, const std::string& contents) override {
        char temp[MAX_PATH + 1];
        if (GetTempFileNameA(directoryOf(path).c_str(), "gpd", 0, temp) == 0) return false;
        bool ok = writeFile(temp, contents, CREATE_ALWAYS);
        // ReplaceFile keeps the old file's security descriptor: rights granted
        // on the file alone survive the save. Plain rename fails when the target exists.
        if (ok && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            ok = ReplaceFileA(path.c_str(), temp, nullptr, 0, nullptr, nullptr);
        } else if (ok) {
            ok = MoveFileExA(temp, path.c_str(), MOVEFILE_WRITE_THROUGH);
        }
        if (!ok) DeleteFileA(temp);
        return ok;
    }

    bool writeInPlace(const std::string& path, const std::string& contents) override {
        return writeFile(path.c_str(), contents, OPEN_ALWAYS);
    }

    std::string writeTempCopy(const std::string& contents) override {
        char folder[MAX_PATH + 1];
        char name[MAX_PATH + 1];
        const DWORD length = GetTempPathA(sizeof folder, folder);
        if (length == 0 || length > MAX_PATH || GetTempFileNameA(folder, "gpd", 0, name) == 0) return "";
        if (writeFile(name, contents, CREATE_ALWAYS)) return name;
        DeleteFileA(name);
        return "";
    }

    bool removeFile(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }

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

    std::optional<std::string> userDataFolder() override {
        char folder[MAX_PATH];
        if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return std::nullopt;
        return std::string(folder);
    }

    bool makeFolder(const std::string& path) override {
        if (CreateDirectoryA(path.c_str(), nullptr)) return true;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

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
            ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
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
};

}  // namespace

std::unique_ptr<Platform> makeSystemPlatform() { return std::make_unique<Win32Platform>(); }

// The A profile functions convert with the ANSI code page, and so do these:
// a character it cannot hold becomes what the system makes of it.
std::string ansiFromUtf16(const std::u16string& text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(std::max(needed, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, length, out.data(), needed, nullptr, nullptr);
    return out;
}

std::u16string utf16FromAnsi(const std::string& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::u16string out(static_cast<size_t>(std::max(needed, 0)), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, reinterpret_cast<wchar_t*>(out.data()), needed);
    return out;
}

}  // namespace glowpond
