// The scene graph's 4x4 double-precision matrix, distinct from the engine's
// single-precision column-major matrices (mesh/matrix.h).
//
// Row-major (element (r, c) at index 4r + c) and applied to row vectors: a
// point p becomes p x M, so a translation sits in row 3. A child's local
// transform L under the current transform C composes as L x C.
#pragma once

#include <array>

#include "scene/values.h"

namespace glowpond {

struct Matrix4 {
    std::array<double, 16> m{};  // all zero unless built by one of the makers below

    double& operator[](int i) { return m[i]; }
    double operator[](int i) const { return m[i]; }
    double& at(int row, int column) { return m[4 * row + column]; }
    double at(int row, int column) const { return m[4 * row + column]; }

    static Matrix4 identity();
    static Matrix4 translation(double x, double y, double z);
    static Matrix4 translation(const Vec3& v) { return translation(v.x, v.y, v.z); }
    static Matrix4 scaling(double x, double y, double z);
    static Matrix4 scaling(const Vec3& v) { return scaling(v.x, v.y, v.z); }
    // Right-handed rotation by `degrees` about `axis`. An axis whose
    // components are all below single-precision 1e-6 in magnitude means
    // the y axis; any other axis is normalised.
    static Matrix4 rotation(const Vec3& axis, double degrees);
};

// Right-handed rotation by `radians` about `unitAxis`, which must be unit length.
Matrix4 axisAngleMatrix(const Vec3& unitAxis, double radians);

// a x b: for row vectors, a is applied first.
Matrix4 multiply(const Matrix4& a, const Matrix4& b);

// Gauss-Jordan elimination in row order without row exchanges: a zero
// diagonal element met on the way gives non-finite elements (see
// normalMatrix for a form that does not depend on it).
Matrix4 inverse(const Matrix4& m);

Matrix4 transpose(const Matrix4& m);

// Exact comparison of all 16 elements.
bool equals(const Matrix4& a, const Matrix4& b);
inline bool operator==(const Matrix4& a, const Matrix4& b) { return equals(a, b); }
inline bool operator!=(const Matrix4& a, const Matrix4& b) { return !equals(a, b); }

// p x M with the homogeneous divide.
Vec3 transformPoint(const Matrix4& m, const Vec3& p);

// v x M over the upper-left 3x3 block only: no translation, no divide.
Vec3 transformDirection(const Matrix4& m, const Vec3& v);

// The matrix that carries surface normals under `current` (for
// transformDirection): the transposed inverse of its upper-left 3x3 block,
// computed from cofactors so that it does not depend on the order of the
// rows. A singular block gives the bare cofactors, which keep whatever
// direction is left.
Matrix4 normalMatrix(const Matrix4& current);

}  // namespace glowpond
