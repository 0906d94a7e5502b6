// TEMPORARY: stands in for the model loader until the real load driver
// arrives; delete this file then (and its line in saver/CMakeLists.txt).
//
// It refuses what the real content check refuses for the suffix, a missing
// file or a wrong header, with the same messages, and loads everything else
// as a cube. It takes about 20 ms per 100 KB of file, pumping messages and
// watching the cancel flag, so that the load-status window can be seen and
// cancelled as it can with the real readers.
#include <fstream>
#include <iterator>
#include <string>

#include "engine/display_mesh.h"

namespace glowpond {
namespace {

bool refuse(const std::string& path, const char* why) {
    platform().messageBox(nullptr, path, why);
    return false;
}

}  // namespace

bool DisplayMesh::loadModel(const std::string& path, WindowHandle, int32_t* cancelFlag) {
    const std::string tail = path.size() < 4 ? std::string() : path.substr(path.size() - 4);
    const bool vrml = tail.find("WRL") != std::string::npos || tail.find("wrl") != std::string::npos;
    const bool studio = !vrml && (tail.find("3DS") != std::string::npos || tail.find("3ds") != std::string::npos);
    if (!vrml && !studio) return refuse(path, "Error: Not a supported file type.");
    std::ifstream file(path, std::ios::binary);
    if (!file) return refuse(path, "Error: Can't open this file.");
    const std::string contents((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (vrml && contents.substr(0, 24).find("#VRML V1.0 ascii") == std::string::npos) {
        return refuse(path, "Error: Not a valid VRML 1.0 file.");
    }
    if (studio && contents.compare(0, 2, "MM") != 0) return refuse(path, "Error: Not a valid 3DS file.");

    Platform& system = platform();
    const int32_t until = system.clockMs() + static_cast<int32_t>(contents.size() / 5000);
    for (int32_t now = system.clockMs(); now < until; now = system.clockMs()) {
        system.pumpMessage();
        if (*cancelFlag) {
            system.messageBox(nullptr, "Operation Canceled.", "User Abort");
            return false;
        }
        system.spinWait(until - now);
    }
    makeCube(0.9f, 0.6f, 0.2f);
    return true;
}

}  // namespace glowpond
