// Single-precision 3-vectors of the display mesh and the engine, and the few
// operations on them that both use.
#pragma once

#include <array>
#include <cmath>

namespace glowpond {

using Vec3f = std::array<float, 3>;

// Colour components stored as bytes (the settings files, 3DS files) scale
// into 0..1 by this, the float nearest to 1/255.
constexpr float kColorFromByte = 0.003921569f;

inline Vec3f operator+(const Vec3f& a, const Vec3f& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Vec3f operator-(const Vec3f& a, const Vec3f& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec3f operator*(const Vec3f& a, float f) { return {a[0] * f, a[1] * f, a[2] * f}; }
inline float dot(const Vec3f& a, const Vec3f& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// `v` at unit length, each component divided by the length; unchanged when
// the length is not positive (zero, or NaN).
inline Vec3f dividedByLength(const Vec3f& v) {
    const float length = std::sqrt(dot(v, v));
    if (!(length > 0.0f)) return v;
    return {v[0] / length, v[1] / length, v[2] / length};
}

// The same through the length's reciprocal. The two round differently: each
// caller keeps the one its results have always been made with.
inline Vec3f timesInverseLength(const Vec3f& v) {
    const float length = std::sqrt(dot(v, v));
    return length > 0.0f ? v * (1.0f / length) : v;
}

}  // namespace glowpond
