// The system services of the settings on Windows: the system's message
// boxes, registry, file functions and code page, each through its W form,
// so that paths beyond the code page (the program's UTF-8) reach the system.
#include "system/system_services.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "saver/wide_text.h"

namespace glowpond {
namespace {

const wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

std::wstring directoryOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    if (slash == 0 || (slash == 2 && path[1] == L':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

// Writes `contents` over the start of the file, opened with `disposition`,
// and ends the file there; the file is on disk when this returns true.
bool writeFile(const wchar_t* path, const std::string& contents, DWORD disposition) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
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

// The A functions' code page, whatever it is.
class SystemCodePage final : public AnsiCodePage {
public:
    std::string toUtf8(const std::string& ansi) const override {
        if (ansi.empty()) return {};
        const int length = static_cast<int>(ansi.size());
        const int needed = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
        std::wstring wide(static_cast<size_t>(std::max(needed, 0)), L'\0');
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), needed);
        return utf8FromWide(wide);
    }

    std::optional<std::string> fromUtf8(const std::string& text) const override {
        if (!isUtf8(text)) return std::nullopt;
        // A system set to UTF-8 for its A functions takes the text as it is
        // (and refuses to report a missing character).
        if (GetACP() == CP_UTF8 || text.empty()) return text;
        const std::wstring wide = wideFromUtf8(text);
        const int length = static_cast<int>(wide.size());
        BOOL missing = FALSE;
        const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0,
                                               nullptr, &missing);
        if (needed <= 0 || missing) return std::nullopt;
        std::string out(static_cast<size_t>(needed), '\0');
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, out.data(), needed, nullptr, &missing);
        if (missing) return std::nullopt;
        return out;
    }
};

class Win32System final : public SystemServices {
public:
    int messageBox(WindowHandle owner, const std::string& text, const std::string& caption) override {
        return MessageBoxW(static_cast<HWND>(owner), wideFromUtf8(text).c_str(), wideFromUtf8(caption).c_str(), MB_OK);
    }

    AppPathLookup lookupAppPath(const std::string& exeName) override {
        AppPathLookup result;
        HKEY key = nullptr;
        const std::wstring keyName = kAppPathsKey + wideFromUtf8(exeName);
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
            result.status = AppPathLookup::Status::NoKey;
            return result;
        }
        result.status = AppPathLookup::Status::NoValue;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key, L"Path", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            // One spare character: a stored string need not carry its terminator.
            std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
            DWORD read = size;
            if (RegQueryValueExW(key, L"Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read) ==
                ERROR_SUCCESS) {
                result.status = AppPathLookup::Status::Found;
                result.path = utf8FromWide(buffer.data());
            }
        }
        RegCloseKey(key);
        return result;
    }

    bool setCurrentDirectory(const std::string& path) override {
        return SetCurrentDirectoryW(wideFromUtf8(path).c_str()) != 0;
    }

    std::string fullPath(const std::string& name) override {
        const std::wstring wide = wideFromUtf8(name);
        DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
        if (needed == 0) return name;
        std::vector<wchar_t> buffer(needed + 1);
        DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0 || length >= buffer.size()) return name;
        return utf8FromWide(std::wstring(buffer.data(), length));
    }

    bool replaceThroughTempFile(const std::string& path, const std::string& contents) override {
        const std::wstring target = wideFromUtf8(path);
        wchar_t temp[MAX_PATH + 1];
        if (GetTempFileNameW(directoryOf(target).c_str(), L"gpd", 0, temp) == 0) return false;
        bool ok = writeFile(temp, contents, CREATE_ALWAYS);
        // ReplaceFile keeps the old file's security descriptor: rights granted
        // on the file alone survive the save. Plain rename fails when the target exists.
        if (ok && GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
            ok = ReplaceFileW(target.c_str(), temp, nullptr, 0, nullptr, nullptr);
        } else if (ok) {
            ok = MoveFileExW(temp, target.c_str(), MOVEFILE_WRITE_THROUGH);
        }
        if (!ok) DeleteFileW(temp);
        return ok;
    }

    bool writeInPlace(const std::string& path, const std::string& contents) override {
        return writeFile(wideFromUtf8(path).c_str(), contents, OPEN_ALWAYS);
    }

    std::string writeTempCopy(const std::string& contents) override {
        wchar_t folder[MAX_PATH + 1];
        wchar_t name[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
        if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"gpd", 0, name) == 0) return "";
        if (writeFile(name, contents, CREATE_ALWAYS)) return utf8FromWide(name);
        DeleteFileW(name);
        return "";
    }

    bool removeFile(const std::string& path) override { return DeleteFileW(wideFromUtf8(path).c_str()) != 0; }

    std::optional<std::string> userDataFolder() override {
        wchar_t folder[MAX_PATH];
        if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return std::nullopt;
        return utf8FromWide(folder);
    }

    bool makeFolder(const std::string& path) override {
        const std::wstring wide = wideFromUtf8(path);
        if (CreateDirectoryW(wide.c_str(), nullptr)) return true;
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    const AnsiCodePage& ansiCodePage() const override { return codePage_; }

    FileRead readFile(const std::string& path, size_t limit, std::string& contents) override {
        contents.clear();
        HANDLE file = CreateFileW(wideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing
                                                                                   : FileRead::Failed;
        }
        bool ok = true;
        char buffer[16384];
        DWORD got = 0;
        while (contents.size() < limit &&
               (ok = ReadFile(file, buffer, static_cast<DWORD>(std::min(sizeof buffer, limit - contents.size())), &got,
                              nullptr)) &&
               got > 0) {
            contents.append(buffer, got);
        }
        CloseHandle(file);
        return ok ? FileRead::Read : FileRead::Failed;
    }

private:
    SystemCodePage codePage_;
};

}  // namespace

std::unique_ptr<SystemServices> makeSystemServices() { return std::make_unique<Win32System>(); }

}  // namespace glowpond
