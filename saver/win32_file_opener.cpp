#include "saver/win32_file_opener.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <string>

#include "saver/wide_text.h"

namespace glowpond {

OpenedFile Win32FileOpener::open(const std::string& path) {
    if (path.empty() || namesWindowsDevice(path)) return nullptr;
    const std::wstring wide = wideFromUtf8(path);
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return nullptr;
    }
    // From here the descriptor, and then the stream, own the handle.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "rb");
    if (!file) _close(fd);
    return OpenedFile(file);
}

}  // namespace glowpond
