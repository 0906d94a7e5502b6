#include "loading/convert_action.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "mesh/huge_pages.h"
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

// Part `part` from object `object` of `builder`: its points renumbered in
// order of use within the object, its faces with at least one corner.
// `local` maps shared point numbers to the part's, -1 where unused; it is
// left that way again. Returns the object's face count, empty faces included.
int32_t buildPart(const MeshBuilder& builder, int32_t object, const std::vector<Vec3f>& colours,
                  LargeVector<int32_t>& local, MeshPart& part) {
    const LargeVector<Vec3>& points = builder.points();
    const FieldArray<int32_t>& list = builder.objectFaces(object);

    LargeVector<int32_t> used;  // shared numbers, in the part's order
    used.reserve(std::min(points.size(), static_cast<size_t>(list.count())));
    size_t faces = 0;
    list.forEach([&](int32_t entry) {
        if (entry < 0) {
            ++faces;
        } else if (local[static_cast<size_t>(entry)] < 0) {
            local[static_cast<size_t>(entry)] = static_cast<int32_t>(used.size());
            used.push_back(entry);
        }
    });
    part.vertexCount = static_cast<int32_t>(used.size());
    part.vertices.reserve(used.size());
    part.vertices.resize(used.size());
    for (size_t k = 0; k < used.size(); ++k) {
        const Vec3f p = toFloats(points[static_cast<size_t>(used[k])]);
        MeshVertex& vertex = part.vertices[k];
        std::copy(p.begin(), p.end(), vertex.position);
        if (k == 0) part.bounds = {p[0], p[0], p[1], p[1], p[2], p[2]};
        includePoint(part.bounds, vertex.position);
    }
    if (!used.empty()) part.boundsCenter = centerOf(part.bounds);

    auto colourOf = [&](int32_t face) {
        const int32_t material = builder.faceMaterialNumber(object, face);
        return material < 0 ? faceColour(MaterialValues{}) : colours[static_cast<size_t>(material)];
    };
    part.color = colourOf(0);
    part.uniformColor = 1;
    part.faceIndices.reserve(static_cast<size_t>(list.count()));
    part.faceColors.reserve(faces);
    part.faceNormals.reserve(faces);
    int32_t face = 0;
    int32_t corners = 0;
    list.forEach([&](int32_t entry) {
        if (entry >= 0) {
            if (corners++ == 0) part.faceIndices.push_back(0);  // the count, once known
            part.faceIndices.push_back(local[static_cast<size_t>(entry)]);
            return;
        }
        // Empty faces count for the colour too.
        const Vec3f colour = colourOf(face++);
        if (colourDistance(colour, part.color) >= kCoincidence) part.uniformColor = 0;
        if (corners > 0) {
            const size_t first = part.faceIndices.size() - static_cast<size_t>(corners);
            part.faceIndices[first - 1] = corners;
            part.faceColors.push_back(colour);
            const Vec3f normal = newellNormal(part.vertices, &part.faceIndices[first], corners);
            part.faceNormals.push_back(dividedByLength(normal));
        }
        corners = 0;
    });
    part.faceCount = static_cast<int32_t>(part.faceNormals.size());
    for (int32_t entry : used) local[static_cast<size_t>(entry)] = -1;

    auto storedNormal = [&](size_t number, const int32_t*, int32_t) { return part.faceNormals[number]; };
    setVertexNormals(part, storedNormal, dividedByLength);
    return face;
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

ConvertAction::ConvertAction(LoadObserver* observer, bool everyFace)
    : everyFace_(everyFace), builder_(everyFace), observer_(observer) {}

ConvertAction::~ConvertAction() = default;

void ConvertAction::selectObject(const std::string& path) {
    if (!path.empty() && path != currentObjectName_) {
        builder_.selectObject(path);
        currentObjectName_ = path.substr(0, kMaxObjectNameChars);
    }
}

bool ConvertAction::beginFace(TraversalState& state, const MaterialValues& material) {
    if (observer_ && observer_->cancelled()) return false;
    if (!inShape_) {
        selectObject(state.pathName());
    } else if (!shapeObjectChosen_) {
        selectObject(state.pathName());
        shapeObjectChosen_ = true;
    }
    builder_.beginPolygon(material);
    return true;
}

bool ConvertAction::clockwise(TraversalState& state) const {
    const ShapeHints* hints = state.current().shapeHints;
    return hints && hints->vertexOrdering() == kOrderingClockwise;
}

void ConvertAction::endShape(TraversalState&) { inShape_ = false; }

void ConvertAction::beginShape(TraversalState&, const std::string&) {
    inShape_ = true;
    shapeObjectChosen_ = false;
    if (++shape_ != 0) return;
    // After 2^32 shapes the numbers start again: forget every known point.
    std::fill(knownPoints_.begin(), knownPoints_.end(), KnownPoint{});
    shape_ = 1;
}

void ConvertAction::polygon(TraversalState& state, int32_t, const FieldArray<Vec3>& vertices,
                            const FieldArray<Vec3>&, const MaterialValues& material) {
    if (!beginFace(state, material)) return;
    if (clockwise(state)) {
        for (int32_t i = vertices.count() - 1; i >= 0; --i) builder_.addVertex(vertices[i]);
    } else {
        for (int32_t i = 0; i < vertices.count(); ++i) builder_.addVertex(vertices[i]);
    }
    builder_.endPolygon();
}

// A coordinate index seen before in the same shape has the same vertex, so
// it merges into the same point: the search is done once per index.
void ConvertAction::indexedPolygon(TraversalState& state, int32_t, const FieldArray<Vec3>& vertices,
                                   const int32_t* coordIndices, const FieldArray<Vec3>&,
                                   const MaterialValues& material) {
    if (!beginFace(state, material)) return;
    const FieldArray<Vec3>* coordinates = state.current().coordinates;
    // The loader reserved room for the points; only the index memo grows here.
    if (coordinates && knownPoints_.size() < static_cast<size_t>(coordinates->count())) {
        knownPoints_.reserve(static_cast<size_t>(coordinates->count()));
        knownPoints_.resize(static_cast<size_t>(coordinates->count()));
    }
    auto add = [&](int32_t i) {
        const size_t index = static_cast<size_t>(coordIndices[i]);
        if (index >= knownPoints_.size()) {
            builder_.addVertex(vertices[i]);
            return;
        }
        KnownPoint& known = knownPoints_[index];
        if (known.shape == shape_) {
            builder_.addPointNumber(known.point);
            return;
        }
        const Vec3& vertex = vertices[i];
        const int32_t point = builder_.addVertex(vertex);
        // Non-finite points never merge: each corner gets its own.
        if (std::isfinite(vertex.x) && std::isfinite(vertex.y) && std::isfinite(vertex.z)) known = {shape_, point};
    };
    if (clockwise(state)) {
        for (int32_t i = vertices.count() - 1; i >= 0; --i) add(i);
    } else {
        for (int32_t i = 0; i < vertices.count(); ++i) add(i);
    }
    builder_.endPolygon();
}

void ConvertAction::finish(Node&, TraversalState&) {
    // The memory of the lookups goes to the mesh.
    builder_.releasePointIndex();
    LargeVector<KnownPoint>().swap(knownPoints_);
    mesh_ = std::make_unique<DisplayMesh>();
    DisplayMesh& mesh = *mesh_;
    std::vector<Vec3f> colours;
    for (int32_t m = 0; m < builder_.materials().materialCount(); ++m) {
        colours.push_back(faceColour(builder_.materials().material(m)));
    }
    LargeVector<int32_t> local(builder_.points().size(), -1);

    const int32_t objects = builder_.objectCount();
    mesh.parts.resize(static_cast<size_t>(objects));
    mesh.partCount = objects;
    mesh.vertexCount = 0;
    mesh.faceCount = 0;
    for (int32_t i = 0; i < objects; ++i) {
        if (builder_.objectFaces(i).empty()) continue;
        MeshPart& part = mesh.parts[static_cast<size_t>(i)];
        mesh.faceCount += buildPart(builder_, i, colours, local, part);
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
