// The 3D Studio reader: binary mesh files into scene-graph nodes.
//
// Every triangle mesh of the file becomes one Separator added to `context`
// with addChild, named after its object (made fit for the scene graph) and
// holding, in order: a MaterialBinding PER_PART_INDEXED (only when the mesh
// has two or more material groups), a Material, a Coordinate3 and an
// IndexedFaceSet. Coordinates are taken as stored: no axis swap, no scaling,
// no transforms.
//
// Progress goes to context.status ("Reading material '%s'", "Reading object
// '%s'"); a damaged file to context.error with kRead3dsFailed and the path,
// after which reading stops. Nodes added before the failure stay. A null
// file (one that could not be opened) is passed over without a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "scene/node.h"

namespace glowpond {

// The error format; its argument is the file's path.
extern const char kRead3dsFailed[];

// Reads `file` (open at its start) to its end; `path` names it in messages.
void read3dsFile(Node& context, const std::string& path, std::FILE* file);

// The same for a file's `size` bytes already in memory; `path` only names
// the file in the error message.
void read3dsData(Node& context, const std::string& path, const uint8_t* data, size_t size);

// `name` made fit to name a node: every character but an ASCII letter or
// digit becomes "_", then a name that does not start with a letter gets the
// prefix "G". The empty name stays empty.
std::string fit3dsName(const std::string& name);

}  // namespace glowpond
