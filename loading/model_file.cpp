#include "loading/model_file.h"

#include <algorithm>
#include <array>
#include <cctype>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace glowpond {
namespace {

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool isDosDeviceName(const std::string& base) {
    static const std::array<const char*, 7> kNames = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    const std::string name = upper(base);
    if (std::find_if(kNames.begin(), kNames.end(), [&](const char* n) { return name == n; }) != kNames.end()) {
        return true;
    }
    if (name.compare(0, 3, "COM") != 0 && name.compare(0, 3, "LPT") != 0) return false;
    // Digits 1 to 9, and the superscripts 1, 2 and 3, which paths carry in
    // UTF-8 (and once carried in the Western code page).
    const std::string digit = name.substr(3);
    if (digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3") return true;
    const auto byte = digit.size() == 1 ? static_cast<unsigned char>(digit[0]) : 0;
    return (byte >= '1' && byte <= '9') || byte == 0xB9 || byte == 0xB2 || byte == 0xB3;
}

}  // namespace

bool namesWindowsDevice(const std::string& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.compare(0, 4, "\\\\.\\") == 0 || p.compare(0, 4, "\\\\?\\") == 0 || p.compare(0, 4, "\\??\\") == 0 ||
        p == "\\\\." || p == "\\\\?") {
        return true;
    }
    const bool drive = p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
    if (p.find(':', drive ? 2 : 0) != std::string::npos) return true;
    // The system reads the last part up to its first dot, without trailing
    // blanks, as a device's name: "C:\x\com1 .txt.wrl" is COM1.
    const size_t slash = p.find_last_of('\\');
    std::string base = p.substr(slash == std::string::npos ? (drive ? 2 : 0) : slash + 1);
    base = base.substr(0, base.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    return isDosDeviceName(base);
}

#ifndef _WIN32
OpenedFile PosixFileOpener::open(const std::string& path) {
    // O_NONBLOCK: opening a FIFO without a writer, or a device, returns at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) ::close(fd);
    return OpenedFile(file);
}
#endif

}  // namespace glowpond
