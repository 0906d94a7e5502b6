// Any bytes as a settings file: reading must never fail unsafely, and a
// record read from it must write and read back to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

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
        if (ini.set("options", key, value)) {
            IniFile again;
            again.parse(ini.text());
            // Blanks at either end of a value survive only inside quotes;
            // written back without the quotes, it reads back without them.
            const char* const blanks = " \t\n\v\f\r\x1a";
            const size_t first = value.find_first_not_of(blanks);
            const std::string unquoted =
                first == std::string::npos ? "" : value.substr(first, value.find_last_not_of(blanks) - first + 1);
            if (again.getString("options", key, "<missing>") != unquoted &&
                value.find_first_of("'\"") == std::string::npos) {
                std::abort();
            }
        }
    }
    return 0;
}
