// The mesh arithmetic that loading and the engine share: face normals,
// vertex normals from the faces around them, and bounding boxes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "mesh/display_mesh.h"

namespace glowpond {

// Newell's method over a face's k corners: robust for any polygon, and it
// needs no particular corner. Not normalised.
Vec3f newellNormal(const LargeVector<MeshVertex>& vertices, const int32_t* corners, int32_t k);

// Sets every vertex normal of `part` to the sum of the normals of the faces
// that use the vertex, brought to unit length by `unit`. faceNormal(face,
// corners, k) gives the normal of face number `face`; a face with a corner
// outside the vertex list adds nothing.
template <typename FaceNormal>
void setVertexNormals(MeshPart& part, FaceNormal&& faceNormal, Vec3f (*unit)(const Vec3f&)) {
    for (MeshVertex& v : part.vertices) std::fill(v.normal, v.normal + 3, 0.0f);
    size_t face = 0;
    forEachFace(part, [&](const int32_t* corners, int32_t k) {
        const size_t number = face++;
        if (!cornersInRange(part, corners, k)) return;
        const Vec3f n = faceNormal(number, corners, k);
        for (int32_t i = 0; i < k; ++i) {
            float* sum = part.vertices[static_cast<size_t>(corners[i])].normal;
            for (int axis = 0; axis < 3; ++axis) sum[axis] += n[static_cast<size_t>(axis)];
        }
    });
    for (MeshVertex& v : part.vertices) {
        const Vec3f n = unit({v.normal[0], v.normal[1], v.normal[2]});
        std::copy(n.begin(), n.end(), v.normal);
    }
}

// Widens `box` to hold the point `p` (x, y, z).
inline void includePoint(Bounds& box, const float* p) {
    for (size_t axis = 0; axis < 3; ++axis) {
        box[2 * axis] = std::min(box[2 * axis], p[axis]);
        box[2 * axis + 1] = std::max(box[2 * axis + 1], p[axis]);
    }
}

// Widens `box` to hold `other`.
inline void includeBounds(Bounds& box, const Bounds& other) {
    for (size_t axis = 0; axis < 3; ++axis) {
        box[2 * axis] = std::min(box[2 * axis], other[2 * axis]);
        box[2 * axis + 1] = std::max(box[2 * axis + 1], other[2 * axis + 1]);
    }
}

inline Vec3f centerOf(const Bounds& box) {
    return {(box[0] + box[1]) * 0.5f, (box[2] + box[3]) * 0.5f, (box[4] + box[5]) * 0.5f};
}

}  // namespace glowpond
