// The PLY (Stanford) reader: ascii, binary_little_endian and
// binary_big_endian files into scene-graph nodes.
//
// Every scalar type with its aliases (char/int8 ... double/float64), list
// properties with any count and item types, elements and properties in any
// order (faces may come before the vertices) and any others passed over.
// Used: the `vertex` element's x, y, z and colours (red, green, blue, also
// r g b or diffuse_*; integers scaled by their type's largest value), the
// `face` element's index list (vertex_indices or vertex_index, else its
// first list) and colours, and `tristrips` lists (-1 restarts a strip). A
// face with colours of its own shows them; otherwise the mean of its
// corners' vertex colours. +Y is up.
//
// The nodes are a PartCollector's, in one unnamed part. A header that
// cannot be read, a format or type the reader does not know and a count
// beyond 32 bits are refused through context.error with kReadPlyFailed;
// data that ends before the header's counts, faces naming vertices that do
// not exist or with non-finite coordinates are dropped with a status note; a
// file left without faces is refused.
#pragma once

#include <cstddef>
#include <cstdint>

#include "importers/model_source.h"
#include "scene/node.h"

namespace glowpond {

// The error format; its arguments are the file's name and the reason.
extern const char kReadPlyFailed[];

void readPly(Node& context, const ModelSource& source, const ReadOptions& options);

// Whether the bytes start with the "ply" line.
bool looksLikePly(const uint8_t* data, size_t size);

}  // namespace glowpond
