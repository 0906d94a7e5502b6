// The Wavefront OBJ reader: text meshes into scene-graph nodes.
//
// Reads `v` (x y z, an optional w, optional red green blue), `f` with any
// number of corners in every index form (v, v/vt, v//vn, v/vt/vn, negative
// numbers counting back from the last vertex), `o` and `g` (each name a
// part), `usemtl` with the `Kd` colours of the material libraries named by
// `mtllib` (read through the source's resolver) and their `map_Kd` images:
// a face whose corners all have texture coordinates (`vt`) takes Kd times
// the image's colour at their centre (v runs up from the bottom row; a
// missing or unreadable image is a note and Kd stays), line continuation with a
// backslash, CRLF or CR line ends, UTF-8 or UTF-16 text with a byte-order
// mark. `l` and `p` draw nothing and are passed over with a note, like
// every other statement it does not use. +Y is up, as the format has it.
//
// The nodes are a PartCollector's. Faces that name a vertex the file does
// not have, or one whose coordinates are not finite numbers, are left out
// with a status note; a file left without faces is refused through
// context.error with kReadObjFailed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "importers/model_source.h"
#include "scene/node.h"

namespace glowpond {

// The error format; its arguments are the file's name and the reason.
extern const char kReadObjFailed[];

void readObj(Node& context, const ModelSource& source, const ReadOptions& options);

// Whether the bytes look like OBJ text: no NUL bytes (unless UTF-16), and
// the first statement that is not a comment is one of the format's.
bool looksLikeObj(const uint8_t* data, size_t size);

}  // namespace glowpond
