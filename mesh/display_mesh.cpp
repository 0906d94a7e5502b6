#include "mesh/display_mesh.h"

#include <algorithm>

namespace glowpond {
namespace {

constexpr float kCubeHalfSide = 0.07f;
constexpr float kMinPartVolume = 0.001f;

Vec3f rotated(const Mat4f& m, const float v[3]) { return transformVector({v[0], v[1], v[2]}, m); }

void store(const Vec3f& v, float out[3]) { std::copy(v.begin(), v.end(), out); }

// Overlap volume of two boxes; 0 when they are apart on any axis.
float overlapVolume(const Bounds& a, const Bounds& b) {
    float volume = 1.0f;
    for (int axis = 0; axis < 3; ++axis) {
        float lo = std::max(a[2 * axis], b[2 * axis]);
        float hi = std::min(a[2 * axis + 1], b[2 * axis + 1]);
        if (hi < lo) return 0.0f;
        volume *= hi - lo;
    }
    return volume;
}

struct CubeFace {
    Vec3f normal;
    float corners[4][3];
};

// Every face counter-clockwise seen from outside.
const CubeFace kCubeFaces[6] = {
    {{1, 0, 0}, {{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}}},
    {{0, 1, 0}, {{1, 1, 1}, {1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
    {{-1, 0, 0}, {{-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}}},
    {{0, -1, 0}, {{-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}, {1, -1, 1}}},
    {{0, 0, 1}, {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}},
    {{0, 0, -1}, {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},
};

}  // namespace

DisplayMesh::DisplayMesh() : orientation(identityMatrix()) {}

void DisplayMesh::reverseNormals() {
    for (MeshPart& part : parts) {
        for (MeshVertex& vertex : part.vertices) {
            for (float& n : vertex.normal) n = -n;
        }
        for (Vec3f& normal : part.faceNormals) {
            for (float& n : normal) n = -n;
        }
        for (size_t at = 0; at < part.faceIndices.size();) {
            size_t corners = static_cast<size_t>(std::max(part.faceIndices[at], 0));
            size_t first = at + 1;
            size_t last = std::min(first + corners, part.faceIndices.size());
            std::reverse(part.faceIndices.begin() + static_cast<std::ptrdiff_t>(first),
                         part.faceIndices.begin() + static_cast<std::ptrdiff_t>(last));
            at = last;
        }
    }
}

void DisplayMesh::transformAll(const Mat4f& rotation) {
    for (MeshPart& part : parts) {
        for (MeshVertex& vertex : part.vertices) {
            store(rotated(rotation, vertex.position), vertex.position);
            store(rotated(rotation, vertex.normal), vertex.normal);
        }
        for (Vec3f& normal : part.faceNormals) normal = transformVector(normal, rotation);
    }
}

void DisplayMesh::rotateXYZ(const Vec3f& angles) {
    Mat4f rotation = multiply(rotationMatrix(angles[0], 1, 0, 0),
                              multiply(rotationMatrix(angles[1], 0, 1, 0), rotationMatrix(angles[2], 0, 0, 1)));
    transformAll(rotation);
}

void DisplayMesh::rotate(const Vec3f& axis, float angle) {
    Mat4f rotation = rotationMatrix(angle, axis[0], axis[1], axis[2]);
    orientation = multiply(rotation, orientation);
    transformAll(rotation);
}

void DisplayMesh::scale(float factor) { scaleXYZ(factor, factor, factor); }

void DisplayMesh::scaleXYZ(float sx, float sy, float sz) {
    for (MeshPart& part : parts) {
        for (MeshVertex& vertex : part.vertices) {
            vertex.position[0] *= sx;
            vertex.position[1] *= sy;
            vertex.position[2] *= sz;
        }
    }
}

void DisplayMesh::makeCube(float red, float green, float blue) {
    parts.clear();
    MeshPart cube;
    cube.uniformColor = 1;
    cube.color = {red, green, blue};
    cube.vertexCount = 24;
    cube.faceCount = 6;
    for (int face = 0; face < 6; ++face) {
        const CubeFace& source = kCubeFaces[face];
        cube.faceNormals.push_back(source.normal);
        cube.faceIndices.push_back(4);
        for (int corner = 0; corner < 4; ++corner) {
            MeshVertex vertex;
            std::copy(source.corners[corner], source.corners[corner] + 3, vertex.position);
            store(source.normal, vertex.normal);
            cube.faceIndices.push_back(static_cast<int32_t>(cube.vertices.size()));
            cube.vertices.push_back(vertex);
        }
    }
    parts.push_back(std::move(cube));
    partCount = 1;
    vertexCount = 24;
    faceCount = 6;
    scale(kCubeHalfSide);
}

float DisplayMesh::volumeEstimate() const {
    float total = 0.0f;
    for (size_t i = 0; i < parts.size(); ++i) {
        const Bounds& box = parts[i].bounds;
        float volume = (box[1] - box[0]) * (box[5] - box[4]) * (box[3] - box[2]);
        for (size_t k = i; k-- > 0;) volume -= overlapVolume(box, parts[k].bounds);
        total += volume > kMinPartVolume ? volume : kMinPartVolume;
    }
    return total;
}

}  // namespace glowpond
