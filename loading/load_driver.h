// One model file into one DisplayMesh: the content check that admits a file,
// the load context that is both the root of the file's scene graph and the
// channel through which readers report to the user, and the loader that runs
// a load.
#pragma once

#include <cstdint>
#include <string>

#include "loading/model_file.h"
#include "mesh/display_mesh.h"
#include "scene/grouping.h"
#include "vrml/parser.h"

namespace glowpond {

// Paths must fit the program's 256-character path buffers.
constexpr size_t kMaxModelPathChars = 255;

// What a load tells its user, and how the user stops it. The saver shows
// status texts in its load-status window and failures in message boxes;
// tools print them.
class LoadObserver {
public:
    virtual ~LoadObserver() = default;

    // Whether status texts are shown at all: without a place to show them
    // the loader does not compose them.
    virtual bool showsStatus() const = 0;
    virtual void showStatus(const std::string& text) = 0;

    // A failure, told as a message box with `text` under `caption`.
    virtual void showError(const std::string& text, const std::string& caption) = 0;

    // Lets the user's waiting input act (a Cancel button) and tells whether
    // the load has been cancelled. Loads ask at every status text, scene
    // node and face: an implementation may look for input less often.
    virtual bool cancelled() = 0;
};

// How files are read.
struct LoadOptions {
    // VRML files exactly by the VRML 1.0 grammar, and not compressed ones.
    // The default, tolerant reading also takes what real writers produce
    // (see vrml/parser.h); the saver, its dialogs and the tools use it.
    bool strictVrml = false;

    VrmlReading vrmlReading() const { return strictVrml ? VrmlReading::Strict : VrmlReading::Tolerant; }
};

// Decides whether the file at `path`, opened through `opener`, may be
// loaded: a VRML 1.0 file (name
// ending in "wrl" or "WRL", "#VRML V1.0 ascii" in its first 24 bytes) or a
// 3D Studio file ("3ds" or "3DS", first bytes "MM"). Unless the reading is
// strict, a VRML file may also end in "wrz" or "WRZ" and be compressed with
// gzip: then its first 24 bytes unpacked are checked. When not, it has told
// the observer why (the path as the text, the reason as the caption) and
// returns false.
bool sniffModelFile(const std::string& path, ModelFileOpener& opener, LoadObserver& observer,
                    const LoadOptions& options = {});

// The root of one file's scene graph, and the readers' reporting channel:
// status texts go to the observer (once it cancels, as "Canceling..."), and
// errors become its message boxes. `lastStatus` is the text last shown by
// any load of this run; a text that occurs within it is not shown again.
class LoadContext : public Separator {
public:
    LoadContext(LoadObserver& observer, std::string& lastStatus);

    void beginRead() override;
    void endRead() override;
    // Applies the children like a Separator, but asks the observer before
    // each child and stops at once, without ending the separator, when the
    // load has been cancelled.
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    void vstatus(const char* format, std::va_list args) override;
    void verror(const char* format, std::va_list args) override;

private:
    LoadObserver& observer_;
    std::string& lastStatus_;
};

// Runs loads, one file at a time, and keeps what lasts from one load to the
// next: the status text last shown. Every model file is opened through
// `opener`, once per load.
class ModelLoader {
public:
    explicit ModelLoader(ModelFileOpener& opener, const LoadOptions& options = {})
        : opener_(opener), options_(options) {}

    // Loads the model file at `path` into `mesh`. True when the mesh has
    // received the file's model; false when the file was refused or
    // unreadable or the load was cancelled: the observer has told the user
    // why, and the mesh is unchanged.
    bool load(const std::string& path, DisplayMesh& mesh, LoadObserver& observer);

    const std::string& lastStatusText() const { return lastStatusText_; }

private:
    ModelFileOpener& opener_;
    LoadOptions options_;
    std::string lastStatusText_;
};

}  // namespace glowpond
