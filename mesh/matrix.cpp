#include "mesh/matrix.h"

#include <cmath>

namespace glowpond {
namespace {
constexpr float kRadiansPerDegree = 0.017453292f;
constexpr float kDegreesPerRadian = 57.29578f;
}  // namespace

Mat4f identityMatrix() {
    Mat4f m{};
    m[0] = m[5] = m[10] = m[15] = 1.0f;
    return m;
}

Mat4f rotationMatrix(float angle, float x, float y, float z) {
    Mat4f m{};
    const float lengthSquared = x * x + y * y + z * z;
    if (lengthSquared < 1e-10f) return m;
    const float length = std::sqrt(lengthSquared);
    x /= length;
    y /= length;
    z /= length;
    const float radians = angle * kRadiansPerDegree;
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    const float t = 1.0f - c;
    m[0] = x * x * t + c;
    m[1] = y * x * t + z * s;
    m[2] = x * z * t - y * s;
    m[4] = x * y * t - z * s;
    m[5] = y * y * t + c;
    m[6] = y * z * t + x * s;
    m[8] = x * z * t + y * s;
    m[9] = y * z * t - x * s;
    m[10] = z * z * t + c;
    m[15] = 1.0f;
    return m;
}

Mat4f multiply(const Mat4f& a, const Mat4f& b) {
    Mat4f product{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[4 * k + row] * b[4 * column + k];
            product[4 * column + row] = sum;
        }
    }
    return product;
}

Vec3f transformVector(const Vec3f& v, const Mat4f& m, bool transposed) {
    Vec3f out{};
    for (int row = 0; row < 3; ++row) {
        float sum = 0.0f;
        for (int k = 0; k < 3; ++k) sum += (transposed ? m[4 * row + k] : m[4 * k + row]) * v[k];
        out[row] = sum;
    }
    return out;
}

void extractAngles(const Mat4f& m, Vec3f& angles) {
    float s = m[8];
    float c;
    if (1.0f - std::fabs(s) < 1e-5f) {
        // Snap to exactly +-1; -0.0 counts as positive.
        s = (std::signbit(m[8]) && m[8] != 0.0f) ? -1.0f : 1.0f;
        c = 0.0f;
    } else {
        c = std::sqrt(1.0f - s * s);
    }
    if (c > 0.0f) {
        angles[1] = std::atan2(s, c) * kDegreesPerRadian;
        angles[0] = std::atan2(-m[9] / c, m[10] / c) * kDegreesPerRadian;
        angles[2] = std::atan2(-m[4] / c, m[0] / c) * kDegreesPerRadian;
    } else {
        // Gimbal lock: only ax + az (or ax - az) is determined; split it evenly.
        angles[0] = angles[2] = std::atan2(m[1], m[5]) * kDegreesPerRadian * 0.5f;
    }
}

}  // namespace glowpond
