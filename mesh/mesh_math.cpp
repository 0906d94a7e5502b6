#include "mesh/mesh_math.h"

namespace glowpond {

Vec3f newellNormal(const LargeVector<MeshVertex>& vertices, const int32_t* corners, int32_t k) {
    Vec3f n{0.0f, 0.0f, 0.0f};
    for (int32_t i = 0; i < k; ++i) {
        const float* a = vertices[static_cast<size_t>(corners[i])].position;
        const float* b = vertices[static_cast<size_t>(corners[(i + 1) % k])].position;
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    return n;
}

}  // namespace glowpond
