// Generated models for the benchmarks: height fields of any size, as VRML
// text (one IndexedFaceSet) and as 3DS files (meshes of at most 64 000 faces,
// since a 3DS mesh holds at most 65 535).
#pragma once

#include <cstdint>
#include <functional>
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
// The torus as a binary glTF file: float points and 32-bit indices of one
// indexed triangle list, as exporters write it.
std::string gltfTorus(int triangles);
// The same torus as an OBJ file (shared vertices, triangles), a binary STL
// file (every facet with its three corners), and PLY files: binary
// little-endian (float x y z, `list uchar int` faces) and ascii.
std::string objTorus(int triangles);
std::string stlTorus(int triangles);
std::string plyTorus(int triangles, bool ascii = false);

// Files made to cost a reader the most, as VRML text:
// - `faces` triangles, each with a colour of its own (PER_FACE materials);
std::string vrmlColourPerFace(int faces);
// - a Separator of `faces` triangles of their own colours, DEF'd once and
//   USE'd `copies` times, each copy moved along;
std::string vrmlUsedCopies(int faces, int copies);
// - `points` points, used by triangles, each alone in a cell of the merge
//   index's former grid hash and all of them in one 2^24th of its hashes,
//   which put them into one chain;
std::string vrmlCollidingPoints(int points);
// - `cubes` cubes of 27^3 points 1.05e-5 apart, used by triangles: each
//   new point is compared with the thousands of its grid cell;
std::string vrmlCrowdedPoints(int cubes);
// - about `bytes` of text that compresses about a thousandfold: the points
//   of a Coordinate3, triangles over three points, or one polygon of as many
//   corners; after `noiseBytes` of comment that hardly compresses, which
//   raises the file's size.
enum class Flood { kPoints, kFaces, kPolygon };
void vrmlFlood(Flood kind, size_t bytes, size_t noiseBytes, const std::function<void(const std::string&)>& write);

// Writes `contents` to a file named `name` in the temporary folder, once per
// name, and removes it when the program ends; returns its path.
const std::string& temporaryFile(const std::string& name, const std::string& contents);

}  // namespace glowpond::bench
