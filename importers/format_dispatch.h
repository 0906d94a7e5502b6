// The one entry point for reading a model file that the load driver has
// admitted: picks a reader by the last three characters of the path.
#pragma once

#include <cstdio>
#include <string>

#include "scene/node.h"
#include "vrml/parser.h"

namespace glowpond {

// The error sent to the context when no reader fits; its argument is the
// three-character suffix.
extern const char kUnsupportedSuffix[];

// Runs the reader chosen by the path's last three characters ("wrl" for
// VRML, "3ds" for 3D Studio, letters in any case; in the tolerant VRML
// reading also "wrz" for compressed VRML) between the context's beginRead
// and endRead, then reports the status "Ready.". The reader puts
// what it read under `context` and reports its own problems through it.
// Returns 1 when a reader ran, whatever it found; 0, after an error report,
// when no reader fits (paths shorter than three characters included).
// `file` is the model file open at its start (null: nothing to read), as the
// load's opener gave it; `path` only chooses the reader and names the file.
// `includeDirectory` is passed for readers that resolve references; neither
// reader does.
int dispatchModelFile(Node& context, const std::string& path, std::FILE* file, const std::string& includeDirectory,
                      VrmlReading reading = VrmlReading::Tolerant);

}  // namespace glowpond
