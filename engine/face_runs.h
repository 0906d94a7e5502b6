// The faces of a mesh part as runs for indexed drawing, shared by every
// renderer: which faces are drawn (the back-face test by the face normal's
// z), in which order, in which colour, and as which primitives. No OpenGL.
//
// Consecutive triangles and quads (each quad as the triangles 0 1 2 and
// 0 2 3, as Mesa splits one between glBegin and glEnd) share one run. A face
// of five or more corners is a polygon run of its own, or, for a renderer
// without polygons, a fan of triangles (0 i i+1) in the triangle run, which
// is what a polygon gives for a convex face. A part whose faces change
// colour a few times is drawn in runs of one colour; one whose colour
// changes often carries its colours per vertex instead (ColourCopies).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mesh/display_mesh.h"

namespace glowpond {

// Specular strength of the two meshes of a slot.
constexpr float kModelSpecular[4] = {0.6f, 0.6f, 0.6f, 1.0f};
constexpr float kBlobSpecular[4] = {0.2f, 0.2f, 0.2f, 1.0f};

// How a part of many colours is drawn: each vertex in the colour of the
// first face that uses it, and a copy of it for every further colour among
// its faces.
struct ColourCopies {
    bool used = false;          // false: the part changes colour too seldom to need them
    size_t vertexCount = 0;     // of the part they were made for
    size_t cornerListSize = 0;  // its faceIndices' size
    size_t colourCount = 0;     // its faceColors' size
    // faceIndices with each corner replaced by the vertex or copy in the
    // face's colour (a face with a corner out of range keeps its own).
    LargeVector<int32_t> corners;
    LargeVector<int32_t> copyOf;  // the vertex each copy copies; copy i is vertex vertexCount + i
    LargeVector<Vec3f> colours;   // of every vertex, then of every copy
};

// The copies for `part`, when its per-face colours change more than a few
// times in the order of its faces (a face past the end of faceColors has
// the part's `color`).
ColourCopies colourCopiesOf(const MeshPart& part);

// The sign test on the bit pattern: +0.0, -0.0 and every negative z count
// as facing away, while the tiniest positive z still faces the viewer.
bool facesAway(const Vec3f& normal);

enum class Colouring : uint8_t {
    Uniform,  // the part's one colour
    Runs,     // a colour per run
    Copies,   // a colour per vertex, over the vertices and their copies
};

enum class RunShape : uint8_t { Triangles, Polygon };

struct FaceRun {
    RunShape shape;
    uint32_t first;  // in indices()
    int32_t count;
    Vec3f colour;  // with Colouring::Runs
};

// Builds a part's runs, keeping its lists from one part to the next so that
// building allocates nothing once the largest part has been seen.
class FaceRuns {
public:
    explicit FaceRuns(bool polygonsAsFans = false) : fans_(polygonsAsFans) {}

    // The runs of `part`'s faces, skipping those facing away when `cull` is
    // set; chooses the colouring (making or reusing the part's colour copies,
    // kept in its drawingCache) and returns it. With Colouring::Copies,
    // `copies` holds them and the indices count the copies after the
    // vertices.
    Colouring build(const MeshPart& part, bool cull, std::shared_ptr<const ColourCopies>& copies);

    const uint32_t* indices() const { return indices_.data(); }
    size_t indexCount() const { return indexCount_; }
    const std::vector<FaceRun>& runs() const { return runs_; }
    // The colour of the last face walked over, drawn or not: what face by
    // face drawing leaves as the current colour.
    const Vec3f& lastColour() const { return lastColour_; }

private:
    // False when the colour copies no longer fit the part's faces.
    bool collect(const MeshPart& part, bool cull, Colouring colouring, const ColourCopies* colours);
    template <Colouring kColouring>
    bool collectAs(const MeshPart& part, bool cull, const ColourCopies* colours);

    bool fans_;
    LargeVector<uint32_t> indices_;
    size_t indexCount_ = 0;
    std::vector<FaceRun> runs_;
    Vec3f lastColour_{};
};

}  // namespace glowpond
