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

namespace glowpond {

constexpr int MAX_MODELS = 15;
// Capacity of one path buffer, terminator included: a path has at most 255 characters.
constexpr int MAX_PATH_CHARS = 256;

// Colours are stored as 0..255 in the files; this is the float nearest to 1/255.
constexpr float kColorFromByte = 0.003921569f;

constexpr char kIniFileName[] = "glowpond.ini";
constexpr char kHelpFileName[] = "\\glowpond.hlp";
// The application key under which the installer records the install directory.
constexpr char kAppPathsName[] = "3-D Glowpond.scr";

struct SaverSettings {
    // Sets every default and looks up the install directory (which may show
    // "Couldn't get path key" or "Couldn't get path value").
    SaverSettings();

    // Replaces the model list, the per-model arrays and every scalar field
    // with what the file at `path` holds, or the INI file when `path` is
    // null; a missing file reads as all defaults with no models. False, and
    // the record unchanged, when the file exists but cannot be read.
    bool readSettings(const char* path = nullptr);

    // Writes the record to `path`, or the INI file when `path` is null.
    // Keys of the file that the record does not write are kept. False when
    // the file cannot be written; the old file is then left as it was.
    bool writeSettings(const char* path = nullptr) const;

    // Inserts `path` as model `index` (0..modelCount; callers append at
    // modelCount) with default per-model values. False, and nothing changed,
    // when the list is full, `index` is out of range, or `path` is empty or
    // longer than MAX_PATH_CHARS - 1 characters.
    bool addModel(int index, const std::string& path);

    // Removes model `index`, moving the later ones forward. False when
    // `index` is not a valid model.
    bool removeModel(int index);

    // Full path of the INI file. Makes installDir the current directory
    // first, when it is known, so relative model paths resolve against it.
    std::string iniFilePath() const;

    int32_t allowAcceleration;
    int32_t speed;
    float lavaRed, lavaGreen, lavaBlue;
    int32_t modelCount;  // entries 0..modelCount-1 of the per-model arrays are valid
    int32_t totalSize;
    int32_t lightHeight;
    int32_t spinSpeed;
    int32_t pulseSpeed;
    int32_t objectDuration;
    std::array<int32_t, MAX_MODELS> modelSize;
    std::array<std::string, MAX_MODELS> modelFile;
    std::array<std::array<float, 3>, MAX_MODELS> modelRotation;  // degrees about X, Y, Z
    std::optional<std::string> installDir;  // absent when unknown
    std::optional<std::string> helpFile;    // installDir + "\glowpond.hlp", absent with it
    std::array<int32_t, MAX_MODELS> reverseNormals;
    std::array<int32_t, MAX_MODELS> backCull;
    std::array<int32_t, MAX_MODELS> twoSided;
    int32_t allowAdvanced;
    int32_t showStatus;

private:
    void setDefaults();
};

// The six speed, size and timing values (speed, totalSize, lightHeight,
// spinSpeed, pulseSpeed, objectDuration) are 1..10 in the dialogs, but the
// record keeps whatever a hand-edited file says. Every computation uses the
// value brought into that range, so that no file can stall or break the
// display (0 would divide by zero, 13 and more would blow up the size).
constexpr int32_t kSettingMin = 1;
constexpr int32_t kSettingMax = 10;
constexpr int32_t inSettingRange(int32_t value) {
    return value < kSettingMin ? kSettingMin : (value > kSettingMax ? kSettingMax : value);
}

// The settings in force (read from and written to the INI file) and the copy
// the dialogs edit. Both are created on first use, so that no message box can
// appear before the program's entry point has installed its platform.
SaverSettings& savedSettings();
SaverSettings& workingSettings();

}  // namespace glowpond
