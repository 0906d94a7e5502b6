// The saver's settings record and its INI file.
//
// The record is persisted in "glowpond.ini" in the install directory, in two
// sections: "files" (file1 .. file15, the model paths) and "options" (the
// scalar options and the numbered per-model keys). Configuration files chosen
// by the user have exactly the same layout.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "mesh/vector.h"

namespace glowpond {

class SystemServices;

constexpr int MAX_MODELS = 15;
// Capacity of one path buffer, terminator included: a path has at most 255 characters.
constexpr int MAX_PATH_CHARS = 256;

constexpr char kIniFileName[] = "glowpond.ini";
// The folder of each user's own settings file, in their application data.
constexpr char kSettingsFolderName[] = "3-D Glowpond";
constexpr char kHelpFileName[] = "\\glowpond.hlp";
// The application key under which the installer records the install directory.
constexpr char kAppPathsName[] = "3-D Glowpond.scr";

// What the settings keep for one model entry.
struct ModelSettings {
    std::string file;     // the model's path (the list is packed, see readSettings)
    int32_t size = 5;
    Vec3f rotation{};     // degrees about X, Y, Z
    int32_t reverseNormals = 0;
    int32_t backCull = 0;
    int32_t twoSided = 1;
};

struct SaverSettings {
    // Every default, no models, and no install directory.
    SaverSettings();

    // Replaces the model list, the per-model values and every scalar field
    // with what the file at `path` holds; a missing file reads as all
    // defaults with no models. False, and the record unchanged, when the
    // file exists but cannot be read. An empty file key takes no list entry,
    // but the per-model keys numbered with it still belong to entry n - 1.
    // The file is read through `platform`.
    bool readSettings(const std::string& path, SystemServices& platform);

    // Writes the record to `path`, keeping the keys of the file that the
    // record does not write. False when the file cannot be written; the old
    // file is then left as it was.
    bool writeSettings(const std::string& path, SystemServices& platform) const;

    // Inserts `path` as model `index` (0..modelCount; callers append at
    // modelCount) with default per-model values. False, and nothing changed,
    // when the list is full, `index` is out of range, or `path` is empty or
    // longer than MAX_PATH_CHARS - 1 characters.
    bool addModel(int index, const std::string& path);

    // Removes model `index`, moving the later ones forward. False when
    // `index` is not a valid model.
    bool removeModel(int index);

    // Records the install directory (absent: unknown) and the help file in it.
    void setInstallDir(std::optional<std::string> directory);

    int32_t allowAcceleration;
    int32_t speed;
    float lavaRed, lavaGreen, lavaBlue;
    int32_t modelCount;  // entries 0..modelCount-1 of `models` are valid
    int32_t totalSize;
    int32_t lightHeight;
    int32_t spinSpeed;
    int32_t pulseSpeed;
    int32_t objectDuration;
    std::array<ModelSettings, MAX_MODELS> models;
    std::optional<std::string> installDir;  // absent when unknown
    std::optional<std::string> helpFile;    // installDir + "\glowpond.hlp", absent with it
    int32_t allowAdvanced;
    int32_t showStatus;
    // The Windows saver sleeps between model steps instead of spinning on the clock.
    int32_t spareProcessor;
    // The lava runs on every monitor, not only on the primary one.
    int32_t everyMonitor;
};

// The scalar options of the "options" section.
enum class Option {
    LightHeight,
    ObjectDuration,
    TotalSize,
    Speed,
    SpinSpeed,
    PulseSpeed,
    AllowAdvanced,
    AllowAcceleration,
    ShowStatus,
    SpareProcessor,
    EveryMonitor,
};

struct OptionInfo {
    Option id;
    const char* key;
    const char* label;  // what it is to a user
    int32_t SaverSettings::*field;
    int32_t defaultValue;
    // What the dialogs offer. The record keeps whatever a hand-edited file
    // says; computations bring the six speed, size and timing values into
    // their range (inSettingRange).
    int32_t min;
    int32_t max;
};

// The range of the six speed, size and timing values (speed, totalSize,
// lightHeight, spinSpeed, pulseSpeed, objectDuration). Every computation uses
// the value brought into it, so that no file can stall or break the display
// (0 would divide by zero, 13 and more would blow up the size).
constexpr int32_t kSettingMin = 1;
constexpr int32_t kSettingMax = 10;
constexpr int32_t inSettingRange(int32_t value) {
    return value < kSettingMin ? kSettingMin : (value > kSettingMax ? kSettingMax : value);
}

// Every option, in the order the files list them (and of Option).
inline constexpr std::array<OptionInfo, 11> kOptions = {{
    {Option::LightHeight, "lightHeight", "light height", &SaverSettings::lightHeight, 10, kSettingMin, kSettingMax},
    {Option::ObjectDuration, "objectDuration", "duration", &SaverSettings::objectDuration, 1, kSettingMin,
     kSettingMax},
    {Option::TotalSize, "totalSize", "size", &SaverSettings::totalSize, 9, kSettingMin, kSettingMax},
    {Option::Speed, "speed", "lava speed", &SaverSettings::speed, 7, kSettingMin, kSettingMax},
    {Option::SpinSpeed, "spinSpeed", "morph speed", &SaverSettings::spinSpeed, 8, kSettingMin, kSettingMax},
    {Option::PulseSpeed, "pulseSpeed", "pulse speed", &SaverSettings::pulseSpeed, 8, kSettingMin, kSettingMax},
    {Option::AllowAdvanced, "AllowAdvanced", "advanced options", &SaverSettings::allowAdvanced, 1, 0, 1},
    {Option::AllowAcceleration, "allowAcceleration", "hardware acceleration", &SaverSettings::allowAcceleration, 1,
     0, 1},
    {Option::ShowStatus, "showStatus", "load status", &SaverSettings::showStatus, 1, 0, 1},
    {Option::SpareProcessor, "spareProcessor", "spare the processor", &SaverSettings::spareProcessor, 1, 0, 1},
    {Option::EveryMonitor, "everyMonitor", "lava on every monitor", &SaverSettings::everyMonitor, 0, 0, 1},
}};

constexpr const OptionInfo& optionInfo(Option id) { return kOptions[static_cast<size_t>(id)]; }

// The lava colour's components, stored in the files as 0..255 and in the
// record as 0..1 (kColorFromByte), written after the options.
struct ColorOption {
    const char* key;
    const char* label;
    float SaverSettings::*field;
    int32_t defaultValue;
};
inline constexpr std::array<ColorOption, 3> kColorOptions = {{
    {"lavaRed", "lava colour, red", &SaverSettings::lavaRed, 0},
    {"lavaGreen", "lava colour, green", &SaverSettings::lavaGreen, 255},
    {"lavaBlue", "lava colour, blue", &SaverSettings::lavaBlue, 0},
}};

// A colour component as the byte of a system colour: times 255.0, truncated,
// and brought into 0 .. 255, whatever a hand-edited file made of it.
uint8_t colorByte(float component);

// The install directory that the installer recorded in the system's
// application registry, or nothing when it is unknown. Tells the user
// "Couldn't get path key" or "Couldn't get path value" when the registry has
// no key or no value for it (a system without such a registry says nothing).
std::optional<std::string> lookUpInstallDir(SystemServices& platform);

// The user's own settings folder: kSettingsFolderName in the platform's
// userDataFolder, or nothing where the system has none.
std::optional<std::string> userSettingsFolder(SystemServices& platform);

// The INI file. Each user's own is "glowpond.ini" in their settings folder,
// and every write goes there (making the folder). Until they have one, the
// installed file in the install directory is read as the starting point,
// with its relative model paths made full against that directory, so that
// the user's first save still finds the installed models. Where the system
// has no user folder, the INI file is the installed one alone. Where the
// install directory is unknown, the current one stands in for it. The folder
// of the file read or written becomes the current directory, so that
// relative model paths resolve against it. Otherwise they work as
// readSettings and writeSettings.
bool readIniFile(SaverSettings& settings, SystemServices& platform);
bool writeIniFile(const SaverSettings& settings, SystemServices& platform);

}  // namespace glowpond
