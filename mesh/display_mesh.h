// The flat polygon model that loading produces and the engine prepares,
// moves, morphs and draws.
//
// A mesh is a list of parts. Each part has its own interleaved vertex array
// (position then normal, 24 bytes, so that one array feeds both the vertex
// and the normal array of the drawing), a face list of polygons with any
// number of corners, one normal per face, one colour for the part or one per
// face, and the per-vertex direction and distance from the morph centre.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mesh/huge_pages.h"
#include "mesh/matrix.h"

namespace glowpond {

struct MeshVertex {
    float position[3];
    float normal[3];
};
static_assert(sizeof(MeshVertex) == 24, "drawing uses a stride of 24 bytes");

using Bounds = std::array<float, 6>;  // minX, maxX, minY, maxY, minZ, maxZ

struct MeshPart {
    LargeVector<Vec3f> faceNormals;  // faceCount unit normals
    int32_t uniformColor = 0;        // 1: the whole part has `color`; 0: faceColors
    Vec3f color{};
    int32_t vertexCount = 0;  // entries of `vertices`
    LargeVector<MeshVertex> vertices;
    int32_t faceCount = 0;
    // Per face in order: its corner count k, then k indices into `vertices`.
    LargeVector<int32_t> faceIndices;
    LargeVector<Vec3f> faceColors;  // one per face, when uniformColor is 0
    Bounds bounds{0.0f, 0.1f, 0.0f, 0.1f, 0.0f, 0.1f};
    Vec3f boundsCenter{0.05f, 0.05f, 0.05f};
    LargeVector<Vec3f> directions;  // unit direction of each vertex from the morph centre
    LargeVector<float> radii;       // distance of each vertex from the morph centre
    Vec3f centroid{};               // mean vertex position
    // What the drawing derived from the faces and their colours, kept with
    // the part so that it goes when the part goes. The drawing checks it
    // against the faces before each use: changing them needs no care.
    mutable std::shared_ptr<const void> drawingCache;
};

// Calls visit(corners, k) for each face of `part` in order, `corners`
// pointing at its k indices. A corner count that is negative or runs past
// the end of the list ends the walk.
template <typename Visit>
void forEachFace(const MeshPart& part, Visit&& visit) {
    const size_t size = part.faceIndices.size();
    for (size_t at = 0; at < size;) {
        const int32_t k = part.faceIndices[at];
        if (k < 0 || size - at - 1 < static_cast<size_t>(k)) return;
        visit(part.faceIndices.data() + at + 1, k);
        at += 1 + static_cast<size_t>(k);
    }
}

// True when each of the k corners indexes a vertex of `part`.
inline bool cornersInRange(const MeshPart& part, const int32_t* corners, int32_t k) {
    for (int32_t i = 0; i < k; ++i) {
        if (corners[i] < 0 || static_cast<size_t>(corners[i]) >= part.vertices.size()) return false;
    }
    return true;
}

class DisplayMesh {
public:
    DisplayMesh();

    // Turns the model inside out: negates every vertex and face normal and
    // reverses the corner order of every face.
    void reverseNormals();

    // Rotates positions, vertex normals and face normals by Rx . Ry . Rz
    // (degrees; Z is applied first). `orientation` is not changed.
    void rotateXYZ(const Vec3f& angles);

    // Rotates by `angle` degrees about `axis` and accumulates the rotation
    // into `orientation`.
    void rotate(const Vec3f& axis, float angle);

    // Scale vertex positions only; normals and bounds stay.
    void scale(float factor);
    void scaleXYZ(float sx, float sy, float sz);

    // Replaces every part by one cube of half side 0.07 in this colour.
    void makeCube(float red, float green, float blue);

    // A rough volume from the parts' boxes, each box less its overlaps with
    // the boxes of earlier parts; a part adds at least 0.001.
    float volumeEstimate() const;

    int32_t cullBackFaces = 0;  // drawing skips faces whose normal has z <= 0
    int32_t visible = 1;        // drawing does nothing while 0
    int32_t partCount = 0;
    int32_t vertexCount = 0;  // sum over the parts
    // At least the sum over the parts: loading also counts faces without corners.
    int32_t faceCount = 0;
    Bounds bounds{};
    Vec3f center{};
    std::vector<MeshPart> parts;
    Mat4f orientation;  // accumulated rotation of rotate()

private:
    void transformAll(const Mat4f& rotation);
};

}  // namespace glowpond
