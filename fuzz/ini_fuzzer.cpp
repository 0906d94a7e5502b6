// Any bytes as a settings file: reading must never fail unsafely, and a
// record read from it must write and read back to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/ini_file.h"
#include "system/system_services.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using glowpond::IniFile;
    const glowpond::AnsiCodePage codePage;
    IniFile ini;
    ini.parse(std::string(reinterpret_cast<const char*>(data), size), codePage);
    for (const char* key : {"file1", "lightHeight", "lavaRed", "X-rot1", "size15"}) {
        const std::string value = ini.getString("options", key, "");
        (void)ini.getInt("options", key, 7);
        // A value that was read writes back unchanged, unless it is one an INI
        // line cannot hold as it is: with quotes, line breaks or blanks at its ends.
        const char* blanks = " \t\v\f\x1a";
        const bool plain = value.find_first_of("'\"\r\n") == std::string::npos &&
                           (value.empty() || (!std::strchr(blanks, value.front()) && !std::strchr(blanks, value.back())));
        if (ini.set("options", key, value) && plain) {
            IniFile again;
            again.parse(ini.text(codePage), codePage);
            if (again.getString("options", key, "<missing>") != value) std::abort();
        }
    }
    return 0;
}
