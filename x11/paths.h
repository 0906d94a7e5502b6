// Where the X11 program finds its settings file and its sample models.
#pragma once

#include <string>
#include <vector>

namespace glowpond {

// The user's settings file: $XDG_CONFIG_HOME/glowpond/glowpond.ini, else
// $HOME/.config/glowpond/glowpond.ini; empty when neither variable is set.
std::string userIniPath();

// The folder of the installed sample models: `relative` (the install
// layout's path from the program's folder to the data folder) beside the
// running program.
std::string sampleModelFolder(const std::string& relative);

// The model files of `folder` (a suffix of the reader table, any case), in name order.
std::vector<std::string> modelFilesIn(const std::string& folder);

// `path` as seen from `folder`: absolute paths stay as they are.
std::string resolveAgainst(const std::string& folder, const std::string& path);

}  // namespace glowpond
