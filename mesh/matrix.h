// Single-precision 4x4 matrices for the display engine: stored column by
// column (row r, column c at index 4c + r) and applied to column vectors,
// the layout OpenGL uses. Angles are in degrees; rotations are right-handed.
#pragma once

#include <array>

#include "mesh/vector.h"

namespace glowpond {

using Mat4f = std::array<float, 16>;

Mat4f identityMatrix();

// Rotation by `angle` degrees about the axis (x, y, z), as glRotatef builds
// it. An axis shorter than 1e-5 gives the all-zero matrix.
Mat4f rotationMatrix(float angle, float x, float y, float z);

// The product a . b.
Mat4f multiply(const Mat4f& a, const Mat4f& b);

// The upper-left 3x3 block of m (or its transpose, when `transposed`)
// times v; translation is ignored.
Vec3f transformVector(const Vec3f& v, const Mat4f& m, bool transposed = false);

// Angles (ax, ay, az) such that Rx(ax) . Ry(ay) . Rz(az) is the rotation of
// m. `angles` carries the caller's current angles in: where ay is +-90
// degrees the split between ax and az is not unique, and ay is then left as
// the caller had it while ax and az share the remaining turn.
void extractAngles(const Mat4f& m, Vec3f& angles);

}  // namespace glowpond
