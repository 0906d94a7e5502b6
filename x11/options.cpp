#include "x11/options.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "config/settings.h"
#include "importers/reader_table.h"
#include "loading/model_folder.h"

namespace glowpond {
namespace {

// A setting that the command line can give, with the values it takes.
struct SettingOption {
    const char* key;
    const char* label;
    int32_t min;
    int32_t max;
};

// The six speed, size and timing values, then the lava colour.
std::vector<SettingOption> settingOptions() {
    std::vector<SettingOption> options;
    for (const OptionInfo& option : kOptions) {
        if (option.min == kSettingMin) options.push_back({option.key, option.label, option.min, option.max});
    }
    for (const ColorOption& option : kColorOptions) options.push_back({option.key, option.label, 0, 255});
    return options;
}

bool sameKey(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

std::optional<int32_t> parseInteger(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

}  // namespace

std::optional<uint32_t> parseWindowId(const char* text) {
    if (!text || !*text || *text == '-' || *text == '+') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 0);
    if (*end != '\0' || errno == ERANGE || value > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<CommandLine> parseCommandLine(int argc, const char* const* argv, std::string& error) {
    CommandLine line;
    const std::vector<SettingOption> settings = settingOptions();
    bool filesOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (filesOnly || arg.size() < 2 || arg[0] != '-') {
            line.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            filesOnly = true;
            continue;
        }
        std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
        std::optional<std::string> attached;  // --name=value
        if (const size_t equals = name.find('='); equals != std::string::npos) {
            attached = name.substr(equals + 1);
            name.resize(equals);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (attached) return attached;
            if (i + 1 < argc) return std::string(argv[++i]);
            error = arg + " needs a value";
            return std::nullopt;
        };

        if (name == "root") {
            line.target = CommandLine::Target::Root;
        } else if (name == "window") {
            line.target = CommandLine::Target::OwnWindow;
        } else if (name == "window-id") {
            const std::optional<std::string> text = value();
            if (!text) return std::nullopt;
            const std::optional<uint32_t> id = parseWindowId(text->c_str());
            if (!id) {
                error = "not a window id: " + *text;
                return std::nullopt;
            }
            line.target = CommandLine::Target::WindowId;
            line.windowId = *id;
        } else if (name == "ini") {
            const std::optional<std::string> text = value();
            if (!text) return std::nullopt;
            line.iniPath = *text;
        } else if (name == "folder") {
            const std::optional<std::string> text = value();
            if (!text) return std::nullopt;
            // xscreensaver's settings dialog may write the option with an empty field.
            if (!text->empty()) line.files.push_back(asFolderEntry(*text, '/'));
        } else if (name == "status") {
            line.status = true;
        } else if (name == "fps") {
            line.fps = true;
        } else if (name == "help" || name == "h") {
            line.help = true;
        } else {
            const SettingOption* setting = nullptr;
            for (const SettingOption& option : settings) {
                if (sameKey(name, option.key)) setting = &option;
            }
            if (!setting) {
                error = "unknown option " + arg;
                return std::nullopt;
            }
            const std::optional<std::string> text = value();
            if (!text) return std::nullopt;
            const std::optional<int32_t> number = parseInteger(*text);
            if (!number || *number < setting->min || *number > setting->max) {
                error = arg + " takes a whole number from " + std::to_string(setting->min) + " to " +
                        std::to_string(setting->max);
                return std::nullopt;
            }
            line.settings.emplace_back(setting->key, *number);
        }
    }
    return line;
}

void applySettings(const CommandLine& line, SaverSettings& settings) {
    for (const auto& [key, value] : line.settings) {
        for (const OptionInfo& option : kOptions) {
            if (key == option.key) settings.*option.field = value;
        }
        for (const ColorOption& option : kColorOptions) {
            if (key == option.key) settings.*option.field = static_cast<float>(value) * kColorFromByte;
        }
    }
}

std::string usage() {
    std::string text =
        std::string("usage: glowpond [options] [MODEL...]\n"
        "\n"
        "3-D Glowpond: model files rise, morph and fall as glowing lava. Without MODEL\n"
        "files it shows those of the settings file, or the sample models when there is\n"
        "none. It reads ") + formatSummary() + ".\n"
        "\n"
        "Where to draw (a window of its own by default; Escape or q ends it):\n"
        "  -root             the window named by $XSCREENSAVER_WINDOW, else the root window\n"
        "  -window-id ID     an existing window (decimal or 0x hexadecimal)\n"
        "\n"
        "Settings (one dash or two; they override the settings file):\n"
        "  -ini FILE         the settings file (default: $XDG_CONFIG_HOME/glowpond/glowpond.ini,\n"
        "                    else ~/.config/glowpond/glowpond.ini); model paths in it are\n"
        "                    relative to its folder\n"
        "  -folder DIR       models drawn at random from DIR and its subfolders (a MODEL\n"
        "                    that is a folder, or a folder in the settings file, does the same)\n";
    for (const SettingOption& option : settingOptions()) {
        std::string entry = "  -" + std::string(option.key) + " N";
        entry.resize(std::max<size_t>(entry.size() + 1, 20), ' ');
        text += entry + option.label + ", " + std::to_string(option.min) + " to " + std::to_string(option.max) + "\n";
    }
    text +=
        "\n"
        "  -status           print the load-status texts to standard error\n"
        "  -fps              print frames and model updates per second every few seconds\n"
        "  -help             this text\n";
    return text;
}

}  // namespace glowpond
