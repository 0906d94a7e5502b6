#include "scene/matrix4.h"

#include <cmath>

namespace glowpond {
namespace {

// The single-precision 1e-6 as a double: axes below it in every component
// are treated as absent.
constexpr double kTinyAxisComponent = 9.999999974752427e-07;

double pi() { return std::acos(-1.0); }

}  // namespace

Matrix4 Matrix4::identity() {
    Matrix4 r;
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0;
    return r;
}

Matrix4 Matrix4::translation(double x, double y, double z) {
    Matrix4 r = identity();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

Matrix4 Matrix4::scaling(double x, double y, double z) {
    Matrix4 r;
    r.m[0] = x;
    r.m[5] = y;
    r.m[10] = z;
    r.m[15] = 1.0;
    return r;
}

Matrix4 Matrix4::rotation(const Vec3& axis, double degrees) {
    Vec3 unit{0.0, 1.0, 0.0};
    if (std::fabs(axis.x) >= kTinyAxisComponent || std::fabs(axis.y) >= kTinyAxisComponent ||
        std::fabs(axis.z) >= kTinyAxisComponent) {
        unit = normalized(axis);
    }
    return axisAngleMatrix(unit, degrees * pi() / 180.0);
}

Matrix4 axisAngleMatrix(const Vec3& unitAxis, double radians) {
    const double x = unitAxis.x, y = unitAxis.y, z = unitAxis.z;
    const double c = std::cos(radians), s = std::sin(radians), t = 1.0 - c;
    Matrix4 r;
    r.m = {t * x * x + c,     t * x * y + s * z, t * x * z - s * y, 0.0,
           t * x * y - s * z, t * y * y + c,     t * y * z + s * x, 0.0,
           t * x * z + s * y, t * y * z - s * x, t * z * z + c,     0.0,
           0.0,               0.0,               0.0,               1.0};
    return r;
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a.at(row, k) * b.at(k, column);
            r.at(row, column) = sum;
        }
    }
    return r;
}

Matrix4 inverse(const Matrix4& m) {
    Matrix4 a = m;
    Matrix4 r = Matrix4::identity();
    for (int row = 0; row < 4; ++row) {
        const double pivot = a.at(row, row);
        for (int column = 0; column < 4; ++column) {
            a.at(row, column) /= pivot;
            r.at(row, column) /= pivot;
        }
        for (int k = 0; k < 4; ++k) {
            const double factor = a.at(k, row);
            if (k == row || factor == 0.0) continue;
            for (int column = 0; column < 4; ++column) {
                a.at(k, column) -= factor * a.at(row, column);
                r.at(k, column) -= factor * r.at(row, column);
            }
        }
    }
    return r;
}

Matrix4 transpose(const Matrix4& m) {
    Matrix4 r;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) r.at(column, row) = m.at(row, column);
    }
    return r;
}

bool equals(const Matrix4& a, const Matrix4& b) { return a.m == b.m; }

Vec3 transformPoint(const Matrix4& m, const Vec3& p) {
    const double x = p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12];
    const double y = p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13];
    const double z = p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14];
    const double w = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
    // Dividing by 1 changes nothing, and model transforms are affine.
    if (w == 1.0) return {x, y, z};
    return {x / w, y / w, z / w};
}

Vec3 transformDirection(const Matrix4& m, const Vec3& v) {
    return {v.x * m[0] + v.y * m[4] + v.z * m[8], v.x * m[1] + v.y * m[5] + v.z * m[9],
            v.x * m[2] + v.y * m[6] + v.z * m[10]};
}

Matrix4 normalMatrix(const Matrix4& current) {
    const Vec3 r0{current[0], current[1], current[2]};
    const Vec3 r1{current[4], current[5], current[6]};
    const Vec3 r2{current[8], current[9], current[10]};
    // The rows of the cofactor matrix; divided by the determinant they are
    // the rows of the transposed inverse.
    Vec3 c0 = cross(r1, r2), c1 = cross(r2, r0), c2 = cross(r0, r1);
    const double determinant = dot(r0, c0);
    if (determinant != 0.0) {
        const double scale = 1.0 / determinant;
        c0 = c0 * scale;
        c1 = c1 * scale;
        c2 = c2 * scale;
    }
    Matrix4 n = Matrix4::identity();
    n.m = {c0.x, c0.y, c0.z, 0.0, c1.x, c1.y, c1.z, 0.0, c2.x, c2.y, c2.z, 0.0, 0.0, 0.0, 0.0, 1.0};
    return n;
}

}  // namespace glowpond
