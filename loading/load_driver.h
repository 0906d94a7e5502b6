// One model file into one DisplayMesh: the content check that admits a file,
// the load context that is both the root of the file's scene graph and the
// channel through which readers report to the user, and the driver that runs
// a load (DisplayMesh::loadModel).
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "scene/grouping.h"

namespace glowpond {

// The control of the load-status window that shows status texts.
constexpr int kStatusTextItem = 1006;

// Paths must fit the program's 256-character path buffers.
constexpr size_t kMaxModelPathChars = 255;

// Decides whether the file at `path` may be loaded: a VRML 1.0 file (name
// ending in "wrl" or "WRL", "#VRML V1.0 ascii" in its first 24 bytes) or a
// 3D Studio file ("3ds" or "3DS", first bytes "MM"). When not, it has shown
// the user why (a message box with the path as its text and the reason as
// its caption) and returns false.
bool sniffModelFile(const std::string& path);

// The root of one file's scene graph, and the readers' reporting channel.
// Status texts go to control 1006 of `statusWindow` (none: not shown);
// errors go to message boxes. `cancelFlag` is the caller's and is only read:
// once it is nonzero, status shows "Canceling..." and the traversal stops.
class LoadContext : public Separator {
public:
    LoadContext(WindowHandle statusWindow, const int32_t* cancelFlag);

    void beginRead() override;
    void endRead() override;
    // Applies the children like a Separator, but processes the status
    // window's waiting messages before each child and stops at once, without
    // ending the separator, when the load has been cancelled.
    void apply(TraversalState& state, NodeAction& action) override;

    bool cancelled() const { return cancelFlag_ && *cancelFlag_ != 0; }

protected:
    void vstatus(const char* format, std::va_list args) override;
    void verror(const char* format, std::va_list args) override;

private:
    WindowHandle statusWindow_;
    const int32_t* cancelFlag_;
};

// The last status text put on screen by any load of this run; a text that
// occurs within it is not shown again.
const std::string& lastStatusText();
void clearLastStatusText();  // for tests: as at the start of the program

}  // namespace glowpond
