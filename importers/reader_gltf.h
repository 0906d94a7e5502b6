// The glTF 2.0 reader: .gltf files (JSON, with buffers in files beside them
// or in base64 "data:" URIs) and .glb files (the binary container) into
// scene-graph nodes.
//
// What is drawn: the nodes of the scene named by "scene", else of the first
// scene, else every node that is no other node's child; a file without
// nodes shows each of its meshes once. Every node with a mesh becomes one
// Separator added to `context`, named after the node (made fit, or
// "Node<n>"), holding for each primitive of mode triangles, strip or fan: a
// Material, a MaterialBinding (OVERALL, or PER_FACE when its faces differ
// in colour), a Coordinate3 with the vertices already in model coordinates
// (the node's transform and its parents' applied; skinned meshes in their
// bind pose, as stored) and an IndexedFaceSet of triangles. +Y stays up.
//
// A face's colour is the material's base colour times the mean of its
// corners' COLOR_0, times the base-colour texture's colour at the centre of
// its texture coordinates where the material has such a texture.
//
// Damage that leaves something to show (indices naming no vertex, points
// that are not finite, accessors outside their data, points and lines, an
// unreadable texture) drops what it concerns and says so in a status text.
// A file that cannot be read at all, or has no faces, is refused through
// context.error with kReadGltfFailed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "importers/model_source.h"
#include "scene/node.h"

namespace glowpond {

// The error format; its arguments are the file's name and the reason.
extern const char kReadGltfFailed[];

void readGltf(Node& context, const ModelSource& source, const ReadOptions& options);

// Content checks: JSON text that starts an object (after an optional UTF-8
// byte-order mark and blanks), and the binary container's magic "glTF".
bool looksLikeGltf(const uint8_t* data, size_t size);
bool looksLikeGlb(const uint8_t* data, size_t size);

}  // namespace glowpond
