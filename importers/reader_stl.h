// The STL reader: binary and ASCII triangle files into scene-graph nodes.
//
// Binary or ASCII is told by content: a file whose size is exactly 84 bytes
// plus 50 per facet of its count field is binary, whatever its header says;
// otherwise one that begins with "solid" and reads as text is ASCII; the
// rest is binary with a count that does not match its size, read as far as
// whole facets go. ASCII keywords are read in any case; every `solid` is a
// part of its own, and a facet of more than three vertices is split.
//
// Colours: a binary header holding "COLOR=" and four bytes gives the
// model's colour, and then a facet whose attribute bit 15 is clear has the
// colour of its bits 0-14 (red in the low five bits); without it, a facet
// with bit 15 set has the colour of bits 0-14 (blue in the low five bits).
//
// STL is +Z up: the nodes turn the model so that +Y is up. Facets with
// fewer than three vertices or non-finite coordinates are left out, and a
// count the file cannot hold is cut to what it holds, each with a status
// note; a file left without facets is refused with kReadStlFailed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "importers/model_source.h"
#include "scene/node.h"

namespace glowpond {

// The error format; its arguments are the file's name and the reason.
extern const char kReadStlFailed[];

void readStl(Node& context, const ModelSource& source, const ReadOptions& options);

// ASCII that begins with "solid", or binary with room for at least its
// header and one facet.
bool looksLikeStl(const uint8_t* data, size_t size);

}  // namespace glowpond
