// What the X11 program runs with: its settings and its list of models.
#pragma once

#include <string>

#include "x11/options.h"

namespace glowpond {

class SystemServices;
struct SaverSettings;

// Fills `settings` from the settings file (the one the command line names,
// else the user's, when it exists), with model paths relative to the file's
// folder; the model files of the command line replace the file's list, and
// without a file the sample models of `sampleFolder` are shown with the
// default options. The command line's settings come last; load-status texts
// are shown only when it asks for them (the file's showStatus is the Windows
// program's load-status window). False, after telling the user, when the
// named settings file does not exist or cannot be read.
bool gatherSettings(const CommandLine& line, const std::string& sampleFolder, SystemServices& platform,
                    SaverSettings& settings);

}  // namespace glowpond
