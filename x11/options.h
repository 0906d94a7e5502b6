// The command line of the X11 program, in the conventions of xscreensaver's
// hacks: options with one dash or two, every setting of the INI file as an
// option of its own name (xscreensaver's settings dialog writes only command
// lines), and model files after them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace glowpond {

struct SaverSettings;

struct CommandLine {
    enum class Target {
        OwnWindow,  // a window of its own
        Root,       // $XSCREENSAVER_WINDOW, else the root window
        WindowId,   // the window `windowId`
    };
    Target target = Target::OwnWindow;
    uint32_t windowId = 0;
    std::string iniPath;             // empty: the user's INI file, if any
    std::vector<std::string> files;  // the models (and folders) to show instead of the INI's
    // Settings given on the command line, by INI key, in their order.
    std::vector<std::pair<std::string, int32_t>> settings;
    bool status = false;  // print the load-status texts
    bool fps = false;     // print frames and updates per second
    bool help = false;
};

// Parses argv[1 ..]. Nothing, with the reason in `error`, for an unknown
// option, a missing value or a value out of its range.
std::optional<CommandLine> parseCommandLine(int argc, const char* const* argv, std::string& error);

// Sets the settings the command line names; colours are 0..255 there.
void applySettings(const CommandLine& line, SaverSettings& settings);

// An X window id, decimal or 0x hexadecimal, as xscreensaver writes them.
std::optional<uint32_t> parseWindowId(const char* text);

// The --help text.
std::string usage();

}  // namespace glowpond
