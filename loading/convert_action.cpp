#include "loading/convert_action.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "loading/load_driver.h"
#include "mesh/mesh_math.h"

namespace glowpond {
namespace {

Vec3f toFloats(const Vec3& v) { return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)}; }

double colourDistance(const Vec3f& a, const Vec3f& b) {
    const double dx = static_cast<double>(a[0]) - b[0];
    const double dy = static_cast<double>(a[1]) - b[1];
    const double dz = static_cast<double>(a[2]) - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Part `part` from the working builder's only object, which holds `faces`
// faces and an empty one after them.
void buildPart(const MeshBuilder& working, int32_t faces, MeshPart& part) {
    const FieldArray<Vec3>& points = working.points();
    const FieldArray<int32_t>& list = working.objectFaces(0);

    part.vertexCount = points.count();
    part.vertices.resize(static_cast<size_t>(points.count()));
    for (int32_t k = 0; k < points.count(); ++k) {
        const Vec3f p = toFloats(points[k]);
        MeshVertex& vertex = part.vertices[static_cast<size_t>(k)];
        std::copy(p.begin(), p.end(), vertex.position);
        if (k == 0) part.bounds = {p[0], p[0], p[1], p[1], p[2], p[2]};
        includePoint(part.bounds, vertex.position);
    }
    if (points.count() > 0) part.boundsCenter = centerOf(part.bounds);

    part.color = faceColour(working.faceMaterial(0, 0));
    part.uniformColor = 1;
    part.faceIndices.reserve(static_cast<size_t>(list.count()));
    part.faceColors.reserve(static_cast<size_t>(faces));
    part.faceNormals.reserve(static_cast<size_t>(faces));
    int32_t face = 0;
    int32_t faceStart = 0;
    for (int32_t i = 0; i < list.count(); ++i) {
        if (list[i] >= 0) continue;
        const Vec3f colour = faceColour(working.faceMaterial(0, face));
        if (colourDistance(colour, part.color) >= kCoincidence) part.uniformColor = 0;
        const int32_t corners = i - faceStart;
        if (corners > 0) {
            part.faceIndices.push_back(corners);
            const size_t first = part.faceIndices.size();
            for (int32_t c = faceStart; c < i; ++c) part.faceIndices.push_back(list[c]);
            part.faceColors.push_back(colour);
            const Vec3f normal = newellNormal(part.vertices, &part.faceIndices[first], corners);
            part.faceNormals.push_back(dividedByLength(normal));
        }
        ++face;
        faceStart = i + 1;
    }
    part.faceCount = static_cast<int32_t>(part.faceNormals.size());

    auto storedNormal = [&](size_t number, const int32_t*, int32_t) { return part.faceNormals[number]; };
    setVertexNormals(part, storedNormal, dividedByLength);
}

void transformBounds(Bounds& bounds, const Vec3f& center, float scale) {
    for (int axis = 0; axis < 3; ++axis) {
        bounds[2 * axis] = (bounds[2 * axis] - center[axis]) * scale;
        bounds[2 * axis + 1] = (bounds[2 * axis + 1] - center[axis]) * scale;
    }
}

void transformPoint(float* p, const Vec3f& center, float scale) {
    for (int axis = 0; axis < 3; ++axis) p[axis] = (p[axis] - center[axis]) * scale;
}

// Centres the model on the origin and scales its longest side to kModelExtent.
void placeModel(DisplayMesh& mesh) {
    mesh.bounds = mesh.parts[0].bounds;
    for (size_t i = 1; i < mesh.parts.size(); ++i) {
        if (mesh.parts[i].vertexCount != 0) includeBounds(mesh.bounds, mesh.parts[i].bounds);
    }
    mesh.center = centerOf(mesh.bounds);
    float extent = 0.0f;
    for (int axis = 0; axis < 3; ++axis) extent = std::max(extent, mesh.bounds[2 * axis + 1] - mesh.bounds[2 * axis]);
    float scale = kModelExtent / extent;
    // All points in one place (or unusable coordinates): centre only.
    if (!(extent > 0.0f) || !std::isfinite(scale)) scale = 1.0f;

    const Vec3f center = mesh.center;
    for (MeshPart& part : mesh.parts) {
        for (MeshVertex& vertex : part.vertices) transformPoint(vertex.position, center, scale);
        transformBounds(part.bounds, center, scale);
        transformPoint(part.boundsCenter.data(), center, scale);
        transformPoint(part.centroid.data(), center, scale);
    }
    transformBounds(mesh.bounds, center, scale);
    mesh.center = {0.0f, 0.0f, 0.0f};
}

}  // namespace

Vec3f faceColour(const MaterialValues& material) {
    if (length(material.emissive) >= kCoincidence) return toFloats(material.emissive);
    if (length(material.diffuse) >= kCoincidence) return toFloats(material.diffuse);
    if (length(material.ambient) >= kCoincidence) return toFloats(material.ambient);
    return {0.2f, 0.2f, 0.2f};
}

ConvertAction::ConvertAction(LoadObserver* observer) : observer_(observer) {}

ConvertAction::~ConvertAction() = default;

void ConvertAction::polygon(TraversalState& state, int32_t, const FieldArray<Vec3>& vertices,
                            const FieldArray<Vec3>&, const MaterialValues& material) {
    if (observer_ && observer_->cancelled()) return;

    const std::string path = state.pathName();
    if (!path.empty() && path != currentObjectName_) {
        builder_.selectObject(path);
        currentObjectName_ = path.substr(0, kMaxObjectNameChars);
    }
    builder_.beginPolygon(material);
    const ShapeHints* hints = state.current().shapeHints;
    if (hints && hints->vertexOrdering() == kOrderingClockwise) {
        for (int32_t i = vertices.count() - 1; i >= 0; --i) builder_.addVertex(vertices[i]);
    } else {
        for (int32_t i = 0; i < vertices.count(); ++i) builder_.addVertex(vertices[i]);
    }
    builder_.endPolygon();
}

void ConvertAction::finish(Node&, TraversalState&) {
    // On the heap: a builder for the largest object can be as big as the main one.
    std::unique_ptr<MeshBuilder> working(new (std::nothrow) MeshBuilder);
    if (!working) return;
    mesh_ = std::make_unique<DisplayMesh>();
    DisplayMesh& mesh = *mesh_;

    const int32_t objects = builder_.objectCount();
    mesh.parts.resize(static_cast<size_t>(objects));
    mesh.partCount = objects;
    mesh.vertexCount = 0;
    mesh.faceCount = 0;
    const FieldArray<Vec3>& shared = builder_.points();
    for (int32_t i = 0; i < objects; ++i) {
        const FieldArray<int32_t>& list = builder_.objectFaces(i);
        working->reset();
        if (list.empty()) continue;

        // The replay gives the object its own point list, numbered in order of use.
        int32_t face = 0;
        working->beginPolygon(builder_.faceMaterial(i, 0));
        for (int32_t e = 0; e < list.count(); ++e) {
            const int32_t entry = list[e];
            if (entry < 0) {
                working->endPolygon();
                ++face;
                working->beginPolygon(builder_.faceMaterial(i, face));
            } else {
                working->addVertex(shared[entry]);
            }
        }
        working->endPolygon();

        MeshPart& part = mesh.parts[static_cast<size_t>(i)];
        buildPart(*working, face, part);
        mesh.faceCount += face;
        mesh.vertexCount += part.vertexCount;
    }
    if (objects > 0) placeModel(mesh);
}

bool ConvertAction::transferMesh(DisplayMesh& target) {
    if (!mesh_) return false;
    target = std::move(*mesh_);
    mesh_.reset();
    return true;
}

}  // namespace glowpond
