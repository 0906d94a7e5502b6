// Value types held by scene-graph fields, the field type codes the VRML
// reader uses, and the stored values of the enumeration keywords.
//
// Scene geometry is double precision throughout, also where the VRML type
// names speak of single precision (SFFloat, SFVec3f).
#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>

namespace glowpond {

struct Vec2 {
    double x = 0.0, y = 0.0;
};

// SFVec3f, SFColor and the elements of MFVec3f and MFColor.
struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

inline bool operator==(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline bool operator!=(const Vec3& a, const Vec3& b) { return !(a == b); }
inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const Vec3& a) { return std::sqrt(dot(a, a)); }
inline double distance(const Vec3& a, const Vec3& b) { return length(a - b); }

// `a` scaled to unit length; a zero vector stays zero.
inline Vec3 normalized(const Vec3& a) {
    const double len = length(a);
    return len > 0.0 ? a * (1.0 / len) : a;
}

// Points and colours closer than this count as one.
constexpr double kCoincidence = 1e-5;

// SFRotation: a rotation by `angle` radians about `axis` (not necessarily unit).
struct AxisAngle {
    Vec3 axis{0.0, 0.0, 1.0};
    double angle = 0.0;
};

// One resolved material. The defaults are VRML's: grey 0.8 diffuse over a
// 0.2 ambient, no specular or emissive light.
struct MaterialValues {
    Vec3 ambient{0.2, 0.2, 0.2};
    Vec3 diffuse{0.8, 0.8, 0.8};
    Vec3 specular{0.0, 0.0, 0.0};
    Vec3 emissive{0.0, 0.0, 0.0};
    double shininess = 0.2;
    double transparency = 0.0;
};

// Field type codes, shared by the lexer and the VRML node-type table.
enum class FieldType : int32_t {
    SFBitMask = 266,
    SFBool = 267,
    SFColor = 268,
    SFEnum = 269,
    SFFloat = 270,
    SFImage = 271,  // declared by Texture2 only; no node keeps one
    SFLong = 272,
    SFMatrix = 273,
    SFRotation = 274,
    SFString = 275,
    SFVec2f = 276,
    SFVec3f = 277,
    MFColor = 278,
    MFLong = 279,
    MFVec2f = 280,
    MFVec3f = 281,
    MFString = 282,
    MFFloat = 283,
};

// Stored values of the enumeration keywords. Most enumerations are powers
// of two starting at 1 so that bit masks (Cone and Cylinder parts) combine
// them with OR; they are not consecutive from 0.
constexpr int32_t kBindingDefault = 1;
constexpr int32_t kBindingOverall = 2;
constexpr int32_t kBindingPerPart = 4;
constexpr int32_t kBindingPerPartIndexed = 8;
constexpr int32_t kBindingPerFace = 16;
constexpr int32_t kBindingPerFaceIndexed = 32;
constexpr int32_t kBindingPerVertex = 64;
constexpr int32_t kBindingPerVertexIndexed = 128;

constexpr int32_t kPartsSides = 1;
constexpr int32_t kPartsBottom = 2;
constexpr int32_t kPartsTop = 4;
constexpr int32_t kPartsAll = 7;

constexpr int32_t kOrderingUnknown = 1;
constexpr int32_t kOrderingClockwise = 2;
constexpr int32_t kOrderingCounterclockwise = 4;

constexpr int32_t kShapeTypeUnknown = 1;
constexpr int32_t kShapeTypeSolid = 2;

constexpr int32_t kFaceTypeUnknown = 1;
constexpr int32_t kFaceTypeConvex = 2;

struct EnumKeyword {
    const char* name;
    int32_t value;
};

// Every keyword the VRML reader resolves to an integer, in one table. Some
// names belong to several enumerations ("NONE" is both a font style and an
// anchor map value) and appear once.
const EnumKeyword* enumKeywordsBegin();
const EnumKeyword* enumKeywordsEnd();

// The value of keyword `name` (exact, case-sensitive), or false when there
// is no such keyword.
bool findEnumKeyword(std::string_view name, int32_t& value);

}  // namespace glowpond
