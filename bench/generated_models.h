// Generated models for the benchmarks: height fields of any size, as VRML
// text (one IndexedFaceSet) and as 3DS files (meshes of at most 64 000 faces,
// since a 3DS mesh holds at most 65 535).
#pragma once

#include <cstdint>
#include <string>

#include "scene/values.h"

namespace glowpond::bench {

constexpr int kQuadsPerRow = 1000;
constexpr int kRowsPerMesh = 32;

// Point (column, row) of the height field.
Vec3 gridPoint(int column, int row);

// Rows of kQuadsPerRow quads (2 triangles each) for about `triangles` triangles.
int rowsFor(int64_t triangles);

// A VRML file of `triangles` triangles in one IndexedFaceSet, as exporters write it.
std::string vrmlGrid(int triangles);

// A 3DS file of the height field's first `rows` rows.
std::string studioGrid(int rows);

// A closed torus of about `triangles` triangles: as VRML text in one
// IndexedFaceSet, as exporters write it, and as a 3DS file of meshes of at
// most kTorusFacesPerMesh faces (each mesh repeats the ring of points it
// shares with the next, as 3DS files do).
constexpr int kTorusFacesPerMesh = 60'000;
std::string vrmlTorus(int triangles);
std::string studioTorus(int triangles);
// The same torus as an OBJ file (shared vertices, triangles), a binary STL
// file (every facet with its three corners), and PLY files: binary
// little-endian (float x y z, `list uchar int` faces) and ascii.
std::string objTorus(int triangles);
std::string stlTorus(int triangles);
std::string plyTorus(int triangles, bool ascii = false);

// Writes `contents` to a file named `name` in the temporary folder, once per
// name, and removes it when the program ends; returns its path.
const std::string& temporaryFile(const std::string& name, const std::string& contents);

}  // namespace glowpond::bench
