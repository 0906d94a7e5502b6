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

Cube::Cube() : Node(NodeType::Cube) {}
std::unique_ptr<Node> Cube::create() { return std::make_unique<Cube>(); }

std::unique_ptr<Node> Cube::copyNode() const {
    auto copy = std::make_unique<Cube>();
    copy->width_ = width_;
    copy->height_ = height_;
    copy->depth_ = depth_;
    return copy;
}

void Cube::setFloat(std::string_view field, double value) {
    if (field == "width") {
        width_ = value;
    } else if (field == "height") {
        height_ = value;
    } else if (field == "depth") {
        depth_ = value;
    }
}

void Cube::clear() {
    width_ = height_ = depth_ = 2.0;
    Node::clear();
}

void Cube::apply(TraversalState& state, NodeAction& action) {
    NameScope nameScope(state, name());
    if (action.wantsCubes()) {
        action.cube(state, width_, height_, depth_);
        return;
    }
    if (!action.wantsPolygons()) return;

    const double x = width_ / 2, y = height_ / 2, z = depth_ / 2;
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

Sphere::Sphere() : Node(NodeType::Sphere) {}
std::unique_ptr<Node> Sphere::create() { return std::make_unique<Sphere>(); }

std::unique_ptr<Node> Sphere::copyNode() const {
    auto copy = std::make_unique<Sphere>();
    copy->radius_ = radius_;
    return copy;
}

void Sphere::setFloat(std::string_view, double value) { radius_ = value; }

void Sphere::clear() {
    radius_ = 1.0;
    Node::clear();
}

void Sphere::apply(TraversalState& state, NodeAction& action) {
    NameScope nameScope(state, name());
    if (action.wantsSpheres()) {
        action.sphere(state, radius_);
        return;
    }
    if (!action.wantsPolygons()) return;

    const double r = radius_;
    auto point = [r](int band, int slice) {
        const double theta = pi() * band / kDivisions, phi = sliceAngle(slice);
        return Vec3{r * std::sin(theta) * std::cos(phi), r * std::cos(theta), r * std::sin(theta) * std::sin(phi)};
    };
    PolygonReporter out(state, action);
    reportCells(out, point, point, partMaterial(state, 0));
}

Cone::Cone() : Node(NodeType::Cone) {}
std::unique_ptr<Node> Cone::create() { return std::make_unique<Cone>(); }

std::unique_ptr<Node> Cone::copyNode() const {
    auto copy = std::make_unique<Cone>();
    copy->parts_ = parts_;
    copy->bottomRadius_ = bottomRadius_;
    copy->height_ = height_;
    return copy;
}

void Cone::setInt(std::string_view field, int32_t value) {
    if (field == "parts") parts_ = value;
}

void Cone::setFloat(std::string_view field, double value) {
    if (field == "bottomRadius") {
        bottomRadius_ = value;
    } else if (field == "height") {
        height_ = value;
    }
}

void Cone::clear() {
    parts_ = kPartsAll;
    bottomRadius_ = 1.0;
    height_ = 2.0;
    Node::clear();
}

void Cone::apply(TraversalState& state, NodeAction& action) {
    NameScope nameScope(state, name());
    if (action.wantsCones()) {
        action.cone(state, parts_, bottomRadius_, height_);
        return;
    }
    if (!action.wantsPolygons()) return;

    const double radius = bottomRadius_, h = height_;
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
    if (parts_ & kPartsSides) reportCells(out, point, side, partMaterial(state, 0));
    if (parts_ & kPartsBottom) {
        auto rim = [&point](int slice) { return point(kDivisions, slice); };
        reportFan(out, rim, false, partMaterial(state, bindsPerPart(state) ? 1 : 0));
    }
}

Cylinder::Cylinder() : Node(NodeType::Cylinder) {}
std::unique_ptr<Node> Cylinder::create() { return std::make_unique<Cylinder>(); }

std::unique_ptr<Node> Cylinder::copyNode() const {
    auto copy = std::make_unique<Cylinder>();
    copy->parts_ = parts_;
    copy->radius_ = radius_;
    copy->height_ = height_;
    return copy;
}

void Cylinder::setInt(std::string_view field, int32_t value) {
    if (field == "parts") parts_ = value;
}

void Cylinder::setFloat(std::string_view field, double value) {
    if (field == "radius") {
        radius_ = value;
    } else if (field == "height") {
        height_ = value;
    }
}

void Cylinder::clear() {
    parts_ = kPartsAll;
    radius_ = 1.0;
    height_ = 2.0;
    Node::clear();
}

void Cylinder::apply(TraversalState& state, NodeAction& action) {
    NameScope nameScope(state, name());
    if (action.wantsCylinders()) {
        action.cylinder(state, parts_, radius_, height_);
        return;
    }
    if (!action.wantsPolygons()) return;

    const double radius = radius_, h = height_;
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
    if (parts_ & kPartsSides) reportCells(out, point, side, partMaterial(state, 0));
    if (parts_ & kPartsBottom) {
        auto rim = [&point](int slice) { return point(kDivisions, slice); };
        reportFan(out, rim, false, partMaterial(state, perPart ? 2 : 0));
    }
    if (parts_ & kPartsTop) {
        auto rim = [&point](int slice) { return point(0, slice); };
        reportFan(out, rim, true, partMaterial(state, perPart ? 1 : 0));
    }
}

PointLight::PointLight() : Node(NodeType::PointLight) {}
std::unique_ptr<Node> PointLight::create() { return std::make_unique<PointLight>(); }
std::unique_ptr<Node> PointLight::copyNode() const { return std::make_unique<PointLight>(); }
void PointLight::apply(TraversalState&, NodeAction& action) { action.wantsPointLights(); }

SpotLight::SpotLight() : Node(NodeType::SpotLight) {}
std::unique_ptr<Node> SpotLight::create() { return std::make_unique<SpotLight>(); }
std::unique_ptr<Node> SpotLight::copyNode() const { return std::make_unique<SpotLight>(); }
void SpotLight::apply(TraversalState&, NodeAction& action) { action.wantsSpotLights(); }

PerspectiveCamera::PerspectiveCamera() : Node(NodeType::PerspectiveCamera) {}
std::unique_ptr<Node> PerspectiveCamera::create() { return std::make_unique<PerspectiveCamera>(); }
std::unique_ptr<Node> PerspectiveCamera::copyNode() const { return std::make_unique<PerspectiveCamera>(); }
void PerspectiveCamera::apply(TraversalState&, NodeAction& action) { action.wantsCameras(); }

}  // namespace glowpond
