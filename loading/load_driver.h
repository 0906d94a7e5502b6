// One model file into one DisplayMesh: the content check that admits a file,
// the load context that is both the root of the file's scene graph and the
// channel through which readers report to the user, and the loader that runs
// a load.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mesh/display_mesh.h"
#include "importers/model_source.h"
#include "loading/model_file.h"
#include "scene/grouping.h"

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

class Decompressor;

// How files are read.
struct LoadOptions {
    // How the readers read; `reading.strict` reads VRML files exactly by
    // the VRML 1.0 grammar, and no compressed files. The default, tolerant
    // reading also takes what real writers produce (see vrml/parser.h); the
    // saver, its dialogs and the tools use it.
    ReadOptions reading;
    // Unpacks compressed files of the formats that may come compressed,
    // before their content is checked (not in the strict reading); null:
    // no file is unpacked.
    const Decompressor* decompressor = nullptr;

    // Whether compressed files are unpacked (and their suffixes claimed).
    bool unpacking() const { return decompressor && !reading.strict; }
};

// Decides whether the model may be loaded: its name must claim a format of
// the reader table (see importers/reader_table.h) and its bytes, unpacked
// where the format may come compressed, pass that format's content check:
// for example a VRML 1.0 file (name ending in "wrl" or "WRL", "#VRML V1.0
// ascii" in its first 24 bytes; when unpacking, also "wrz" or "WRZ") or a
// glTF file (".gltf" or ".glb" in any case, JSON text or the binary
// container's magic). When not, it has told the observer
// why (the name as the text, the reason as the caption) and returns false.
// The file is opened through `opener`.
bool sniffModelFile(const std::string& path, ModelFileOpener& opener, LoadObserver& observer,
                    const LoadOptions& options = {});
bool sniffModelSource(const ModelSource& source, LoadObserver& observer, const LoadOptions& options = {});

// The root of one file's scene graph, and the readers' reporting channel:
// status texts go to the observer (once it cancels, as "Canceling..."), and
// errors become its message boxes. `lastStatus` is the text last shown by
// any load of this run; a text that occurs within it is not shown again.
class LoadContext : public Separator {
public:
    LoadContext(LoadObserver& observer, std::string& lastStatus);

    // What the reader's notes of what it left out come to, for the end of
    // the load, when the progress texts have long replaced them: the one
    // note itself, or a line counting them ("Skipped 3 unknown fields; see
    // glowpond-info --status."). Empty when there were none or no status
    // texts are shown.
    std::string notesSummary() const;

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
    int32_t skippedFields_ = 0;
    int32_t skippedNodes_ = 0;
    unsigned long long ignoredBytes_ = 0;
    std::string lastNote_;
};

// Runs loads, one file at a time, and keeps what lasts from one load to the
// next: the status text last shown. Every model file, and every file a model
// names, is opened through `opener` (borrowed), once per load.
class ModelLoader {
public:
    explicit ModelLoader(ModelFileOpener& opener, const LoadOptions& options = {})
        : opener_(opener), options_(options) {}

    // Loads the model file at `path` into `mesh`, with the files it names
    // read from its folder. True when the mesh has received the file's
    // model; false when the file was refused or unreadable or the load was
    // cancelled: the observer has told the user why, and the mesh is
    // unchanged.
    bool load(const std::string& path, DisplayMesh& mesh, LoadObserver& observer);
    // The same for a model in memory (source.name, as a path, names its
    // format and the model in messages); the result is the same as for a
    // file of that name and content.
    bool load(const ModelSource& source, DisplayMesh& mesh, LoadObserver& observer);

    // sniffModelFile with this loader's options.
    bool admits(const std::string& path, LoadObserver& observer) const;

    const LoadOptions& options() const { return options_; }
    const std::string& lastStatusText() const { return lastStatusText_; }

private:
    // A load after the file's bytes are in `held` (which the load may empty
    // once read) or in the source.
    bool run(ModelSource source, std::vector<uint8_t>& held, DisplayMesh& mesh, LoadObserver& observer);

    ModelFileOpener& opener_;
    LoadOptions options_;
    std::string lastStatusText_;
};

}  // namespace glowpond
