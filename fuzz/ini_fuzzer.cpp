// Any bytes as a settings file: reading must never fail unsafely, and a
// record read from it must write and read back to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using glowpond::IniFile;
    IniFile ini;
    ini.parse(std::string(reinterpret_cast<const char*>(data), size));
    for (const char* key : {"file1", "lightHeight", "lavaRed", "X-rot1", "size15"}) {
        std::string value = ini.getString("options", key, "");
        int32_t number = ini.getInt("options", key, 7);
        (void)number;
        // A value that was read can be written back unless it holds a line break.
        // Quotes and blanks at either end (left by quotes that were read) do
        // not survive, as with the system's own profile functions.
        const std::string_view blanks = " \t\v\f\x1a\r\n";
        const bool edgeBlank = !value.empty() && (blanks.find(value.front()) != std::string_view::npos ||
                                                  blanks.find(value.back()) != std::string_view::npos);
        if (ini.set("options", key, value)) {
            IniFile again;
            again.parse(ini.text());
            if (again.getString("options", key, "<missing>") != value &&
                value.find_first_of("'\"") == std::string::npos && !edgeBlank) {
                std::abort();
            }
        }
    }
    return 0;
}
