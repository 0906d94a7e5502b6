// A model as the readers see it: the main file's bytes in memory, and a way
// to fetch the files it names (a glTF file's buffers, an OBJ file's material
// library, textures). The native programs resolve names in the model's folder
// on disk; the browser page among the files chosen together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glowpond {

// Reads the companions of one model file.
class FileResolver {
public:
    virtual ~FileResolver() = default;

    // Reads the file `relativeName` (UTF-8, '/' between folders, relative to
    // the model's folder and already checked to stay inside it) into
    // `bytes`. False, with `bytes` empty, when there is no such file or it
    // cannot be read.
    virtual bool read(const std::string& relativeName, std::vector<uint8_t>& bytes) = 0;
};

// The main file of one load.
struct ModelSource {
    std::string name;  // the path, or the name shown in messages
    const uint8_t* data = nullptr;
    size_t size = 0;
    FileResolver* resolver = nullptr;  // null: the model has no companions
};

// How a reader reads: the same for every format.
struct ReadOptions {
    // The format's strict reading, where it has one (VRML 1.0 exactly by its
    // grammar); readers without one ignore it.
    bool strict = false;
};

}  // namespace glowpond

namespace glowpond {

// A file's reference to a companion (an OBJ material library, a glTF buffer
// or image) made into the name a FileResolver takes: '\' read as '/',
// percent escapes decoded, "." steps dropped and ".." steps taken within the
// name. False when the reference is not a plain relative name inside the
// model's folder: empty, absolute ("/x", "C:x", "//server/x"), with a scheme
// ("http:", "file:"; "data:" URIs are the reader's own business), climbing
// above the folder, naming a folder, or holding a NUL byte or a broken escape.
bool companionName(const std::string& reference, std::string& name);

}  // namespace glowpond
