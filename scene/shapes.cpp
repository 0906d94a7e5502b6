#include "scene/shapes.h"

#include <cmath>

#include "scene/field_array.h"
#include "scene/matrix4.h"
#include "scene/properties.h"
#include "scene/traversal.h"

namespace glowpond {
namespace {

constexpr int kDivisions = 16;

double pi() { return std::acos(-1.0); }

double sliceAngle(int slice) { return 2.0 * pi() * slice / kDivisions; }

// Collects one polygon at a time from shape points and reports it in model
// coordinates, numbering the polygons of one shape from 0.
class PolygonReporter {
public:
    PolygonReporter(TraversalState& state, NodeAction& action)
        : state_(state),
          action_(action),
          transform_(state.current().transform),
          normalTransform_(normalMatrix(transform_)) {}

    // `direction` is the surface direction at `point`, of any length.
    void corner(const Vec3& point, const Vec3& direction) {
        vertices_.append(transformPoint(transform_, point));
        normals_.append(normalized(transformDirection(normalTransform_, normalized(direction))));
    }

    void report(const MaterialValues& material) {
        action_.polygon(state_, next_++, vertices_, normals_, material);
        vertices_.truncate(0);
        normals_.truncate(0);
    }

private:
    TraversalState& state_;
    NodeAction& action_;
    const Matrix4 transform_;
    const Matrix4 normalTransform_;
    FieldArray<Vec3> vertices_;
    FieldArray<Vec3> normals_;
    int32_t next_ = 0;
};

// Part `part` of the current Material, or the default material when there
// is no Material or it has no such part.
MaterialValues partMaterial(const TraversalState& state, int32_t part) {
    const Material* material = state.current().material;
    return material && material->materialCount() > part ? material->material(part) : MaterialValues{};
}

bool bindsPerPart(const TraversalState& state) {
    const int32_t binding = state.current().materialBinding;
    return binding == kBindingPerPart || binding == kBindingPerPartIndexed;
}

// The 16 x 16 cells of a surface of revolution given by point(band, slice)
// for bands 0 .. 16 and slices 0 .. 15. A cell whose lower edge has
// collapsed into a point is the triangle (D, B, A), one whose upper edge
// has is (A, C, D), any other the quad (A, C, D, B).
template <typename Point, typename Direction>
void reportCells(PolygonReporter& out, Point point, Direction direction, const MaterialValues& material) {
    auto add = [&](int band, int slice) { out.corner(point(band, slice), direction(band, slice)); };
    for (int band = 1; band <= kDivisions; ++band) {
        for (int slice = 0; slice < kDivisions; ++slice) {
            const int next = (slice + 1) % kDivisions;
            if (distance(point(band, slice), point(band, next)) < kCoincidence) {
                add(band, next);
                add(band - 1, next);
                add(band - 1, slice);
            } else if (distance(point(band - 1, slice), point(band - 1, next)) < kCoincidence) {
                add(band - 1, slice);
                add(band, slice);
                add(band, next);
            } else {
                add(band - 1, slice);
                add(band, slice);
                add(band, next);
                add(band - 1, next);
            }
            out.report(material);
        }
    }
}

// A fan of 15 triangles over the ring rim(0 .. 15), the last one
// degenerate, each with the normal of its first two corners' positions.
// The mirrored fan runs the other way round, for a cap facing the other way.
template <typename Rim>
void reportFan(PolygonReporter& out, Rim rim, bool mirrored, const MaterialValues& material) {
    for (int s = 1; s < kDivisions; ++s) {
        const Vec3 a = mirrored ? rim(s) : rim((s + 1) % kDivisions);
        const Vec3 b = mirrored ? rim((s + 1) % kDivisions) : rim(s);
        const Vec3 normal = cross(a, b);
        out.corner(a, normal);
        out.corner(b, normal);
        out.corner(rim(0), normal);
        out.report(material);
    }
}

}  // namespace

void Cube::setFloat(std::string_view field, double value) {
    if (field == "width") {
        fields_.width = value;
    } else if (field == "height") {
        fields_.height = value;
    } else if (field == "depth") {
        fields_.depth = value;
    }
}

void Cube::apply(TraversalState& state, NodeAction& action) {
    NameScope nameScope(state, name());
    if (action.wantsCubes()) {
        action.cube(state, fields_.width, fields_.height, fields_.depth);
        return;
    }
    if (!action.wantsPolygons()) return;

    const double x = fields_.width / 2, y = fields_.height / 2, z = fields_.depth / 2;
    const Vec3 corners[8] = {{-x, -y, -z}, {-x, -y, z}, {-x, y, z}, {-x, y, -z},
                             {x, -y, -z},  {x, -y, z},  {x, y, z},  {x, y, -z}};
    struct Face {
        int corner[4];
        Vec3 normal;
    };
    static const Face kFaces[6] = {
        {{5, 6, 2, 1}, {0, 0, 1}},  {{7, 4, 0, 3}, {0, 0, -1}}, {{0, 1, 2, 3}, {-1, 0, 0}},
        {{7, 6, 5, 4}, {1, 0, 0}},  {{3, 2, 6, 7}, {0, 1, 0}},  {{4, 5, 1, 0}, {0, -1, 0}},
    };
    const MaterialValues material = partMaterial(state, 1);
    PolygonReporter out(state, action);
    for (const Face& face : kFaces) {
        for (int corner : face.corner) out.corner(corners[corner], face.normal);
        out.report(material);
    }
}

void Sphere::setFloat(std::string_view, double value) { fields_.radius = value; }

void Sphere::apply(TraversalState& state, NodeAction& action) {
    NameScope nameScope(state, name());
    if (action.wantsSpheres()) {
        action.sphere(state, fields_.radius);
        return;
    }
    if (!action.wantsPolygons()) return;

    const double r = fields_.radius;
    auto point = [r](int band, int slice) {
        const double theta = pi() * band / kDivisions, phi = sliceAngle(slice);
        return Vec3{r * std::sin(theta) * std::cos(phi), r * std::cos(theta), r * std::sin(theta) * std::sin(phi)};
    };
    PolygonReporter out(state, action);
    reportCells(out, point, point, partMaterial(state, 0));
}

void Cone::setInt(std::string_view field, int32_t value) {
    if (field == "parts") fields_.parts = value;
}

void Cone::setFloat(std::string_view field, double value) {
    if (field == "bottomRadius") {
        fields_.bottomRadius = value;
    } else if (field == "height") {
        fields_.height = value;
    }
}

void Cone::apply(TraversalState& state, NodeAction& action) {
    NameScope nameScope(state, name());
    if (action.wantsCones()) {
        action.cone(state, fields_.parts, fields_.bottomRadius, fields_.height);
        return;
    }
    if (!action.wantsPolygons()) return;

    const double radius = fields_.bottomRadius, h = fields_.height;
    auto point = [radius, h](int band, int slice) {
        const double ring = radius * band / kDivisions, phi = sliceAngle(slice);
        return Vec3{ring * std::cos(phi), h / 2 - h * band / kDivisions, ring * std::sin(phi)};
    };
    // Perpendicular to the slant line from the apex to the rim, outwards.
    auto side = [radius, h](int, int slice) {
        const double phi = sliceAngle(slice);
        return Vec3{h * std::cos(phi), radius, h * std::sin(phi)};
    };
    PolygonReporter out(state, action);
    if (fields_.parts & kPartsSides) reportCells(out, point, side, partMaterial(state, 0));
    if (fields_.parts & kPartsBottom) {
        auto rim = [&point](int slice) { return point(kDivisions, slice); };
        reportFan(out, rim, false, partMaterial(state, bindsPerPart(state) ? 1 : 0));
    }
}

void Cylinder::setInt(std::string_view field, int32_t value) {
    if (field == "parts") fields_.parts = value;
}

void Cylinder::setFloat(std::string_view field, double value) {
    if (field == "radius") {
        fields_.radius = value;
    } else if (field == "height") {
        fields_.height = value;
    }
}

void Cylinder::apply(TraversalState& state, NodeAction& action) {
    NameScope nameScope(state, name());
    if (action.wantsCylinders()) {
        action.cylinder(state, fields_.parts, fields_.radius, fields_.height);
        return;
    }
    if (!action.wantsPolygons()) return;

    const double radius = fields_.radius, h = fields_.height;
    auto point = [radius, h](int band, int slice) {
        const double phi = sliceAngle(slice);
        return Vec3{radius * std::cos(phi), h / 2 - h * band / kDivisions, radius * std::sin(phi)};
    };
    auto side = [](int, int slice) {
        const double phi = sliceAngle(slice);
        return Vec3{std::cos(phi), 0.0, std::sin(phi)};
    };
    const bool perPart = bindsPerPart(state);
    PolygonReporter out(state, action);
    if (fields_.parts & kPartsSides) reportCells(out, point, side, partMaterial(state, 0));
    if (fields_.parts & kPartsBottom) {
        auto rim = [&point](int slice) { return point(kDivisions, slice); };
        reportFan(out, rim, false, partMaterial(state, perPart ? 2 : 0));
    }
    if (fields_.parts & kPartsTop) {
        auto rim = [&point](int slice) { return point(0, slice); };
        reportFan(out, rim, true, partMaterial(state, perPart ? 1 : 0));
    }
}

void PointLight::apply(TraversalState&, NodeAction& action) { action.wantsPointLights(); }
void SpotLight::apply(TraversalState&, NodeAction& action) { action.wantsSpotLights(); }
void PerspectiveCamera::apply(TraversalState&, NodeAction& action) { action.wantsCameras(); }

}  // namespace glowpond
