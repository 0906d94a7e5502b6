#include "engine/model_slot.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "config/settings.h"
#include "mesh/mesh_math.h"

namespace glowpond {
namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kQuarterTurnEntries = 1.5707964f;
constexpr int32_t kDriftTurnSteps = 20;
constexpr float kSeedSize = 0.0035f;      // a model not yet grown, relative to blobRadius
constexpr float kBlobEndSize = 0.0001f;   // radius of a dissolved blob
constexpr float kMinRadiusSquared = 1e-11f;
constexpr float kMaxBlobRadius = 0.3f;
constexpr double kMinBlobVolume = 0.01;
// Scales a volume into the cube of a blob radius (about 0.0152 * 4).
constexpr double kBlobVolumeFactor = 0.06079271225943;
constexpr double kCubeRootExponent = 0.333333333333;

Vec3f positionOf(const MeshVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }
void setPosition(MeshVertex& v, const Vec3f& p) { std::copy(p.begin(), p.end(), v.position); }
void setNormal(MeshVertex& v, const Vec3f& n) { std::copy(n.begin(), n.end(), v.normal); }
Vec3f normalOf(const MeshVertex& v) { return {v.normal[0], v.normal[1], v.normal[2]}; }

// Folds a table coordinate of any sign into [0, n). A negative exact multiple
// of n would land on n itself, one past the table, and rounding can do the
// same for tiny negatives: those are entry 0.
float foldIntoTable(float x, float n) {
    float folded = (std::signbit(x) && x != 0.0f) ? x + (1.0f - std::trunc(x / n)) * n : x - std::trunc(x / n) * n;
    return (folded >= 0.0f && folded < n) ? folded : 0.0f;
}

using Triangle = std::array<int32_t, 3>;
using Edge = std::pair<int32_t, int32_t>;

Edge sortedEdge(int32_t a, int32_t b) { return a < b ? Edge{a, b} : Edge{b, a}; }

// One subdivision: every edge gets a new vertex on the unit sphere, numbered
// in the order of the sorted edge list, and every triangle becomes four.
void subdivide(std::vector<Vec3f>& points, std::vector<Triangle>& triangles) {
    std::vector<Edge> edges;
    edges.reserve(triangles.size() * 3);
    for (const Triangle& t : triangles) {
        for (int k = 0; k < 3; ++k) edges.push_back(sortedEdge(t[k], t[(k + 1) % 3]));
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    const int32_t firstNew = static_cast<int32_t>(points.size());
    for (const Edge& e : edges) {
        Vec3f sum = points[static_cast<size_t>(e.first)] + points[static_cast<size_t>(e.second)];
        points.push_back(sum * (1.0f / std::sqrt(dot(sum, sum))));
    }
    auto middle = [&](int32_t a, int32_t b) {
        auto at = std::lower_bound(edges.begin(), edges.end(), sortedEdge(a, b));
        return firstNew + static_cast<int32_t>(at - edges.begin());
    };

    std::vector<Triangle> finer;
    finer.reserve(triangles.size() * 4);
    for (const Triangle& t : triangles) {
        const int32_t m0 = middle(t[0], t[1]), m1 = middle(t[1], t[2]), m2 = middle(t[2], t[0]);
        finer.push_back({t[0], m0, m2});
        finer.push_back({m0, m1, m2});
        finer.push_back({t[1], m1, m0});
        finer.push_back({t[2], m2, m1});
    }
    triangles = std::move(finer);
}

void recomputeVertexNormals(MeshPart& part) {
    auto faceNormal = [&](size_t, const int32_t* corners, int32_t k) {
        return timesInverseLength(newellNormal(part.vertices, corners, k));
    };
    setVertexNormals(part, faceNormal, timesInverseLength);
}

// The model as its settings entry wants it: culling, inside out, turned, and
// at the overall size.
void orientModel(DisplayMesh& mesh, const ModelSettings& entry, int32_t totalSize) {
    mesh.cullBackFaces = entry.backCull;
    if (entry.reverseNormals) mesh.reverseNormals();
    mesh.rotateXYZ(entry.rotation);
    mesh.scale(sizeFactor(totalSize));
}

// Sets every part's centroid and bounds and returns the core part: the most
// closed one, whose mean normal is nearest zero. The blob hides inside it.
size_t measureParts(DisplayMesh& mesh) {
    size_t core = 0;
    float leastOpenness = 3e38f;
    for (size_t p = 0; p < mesh.parts.size(); ++p) {
        MeshPart& part = mesh.parts[p];
        float openness = 3e38f;
        if (part.vertices.empty()) {
            part.centroid = {0.0f, 0.0f, 0.0f};
            part.bounds = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
        } else {
            Vec3f positionSum{}, normalSum{};
            Bounds box{3e38f, -3e38f, 3e38f, -3e38f, 3e38f, -3e38f};
            for (const MeshVertex& v : part.vertices) {
                positionSum = positionSum + positionOf(v);
                normalSum = normalSum + normalOf(v);
                includePoint(box, v.position);
            }
            const float count = float(part.vertices.size());
            part.centroid = positionSum * (1.0f / count);
            part.bounds = box;
            const Vec3f meanNormal = normalSum * (1.0f / count);
            openness = std::fabs(meanNormal[0]) + std::fabs(meanNormal[1]) + std::fabs(meanNormal[2]);
        }
        if (openness < leastOpenness) {
            leastOpenness = openness;
            core = p;
        }
    }
    return core;
}

// Where the blob dissolves: the centroid of the face of `core` nearest the
// part's middle (the middle itself when no face qualifies).
Vec3f faceCentroidNearestMiddle(const MeshPart& core) {
    Vec3f nearestCentroid = core.centroid;
    float nearest = 0.0f;
    bool found = false;
    forEachFace(core, [&](const int32_t* corners, int32_t k) {
        if (k == 0 || !cornersInRange(core, corners, k)) return;
        Vec3f sum{};
        for (int32_t c = 0; c < k; ++c) sum = sum + positionOf(core.vertices[static_cast<size_t>(corners[c])]);
        const Vec3f faceCentroid = sum * (1.0f / float(k));
        const Vec3f offset = faceCentroid - core.centroid;
        const float distance = dot(offset, offset);
        if (!found || distance < nearest) {
            found = true;
            nearest = distance;
            nearestCentroid = faceCentroid;
        }
    });
    return nearestCentroid;
}

// The model's colour averaged over its faces.
Vec3f averageColour(const DisplayMesh& mesh) {
    Vec3f colorSum{};
    for (const MeshPart& part : mesh.parts) {
        if (part.uniformColor) {
            colorSum = colorSum + part.color * float(part.faceCount);
        } else {
            for (const Vec3f& c : part.faceColors) colorSum = colorSum + c;
        }
    }
    return colorSum * (1.0f / float(mesh.faceCount));
}

// Every model vertex as a direction and a distance from the model's centre.
void setMorphDirections(DisplayMesh& mesh) {
    for (MeshPart& part : mesh.parts) {
        if (part.vertices.empty()) continue;
        part.directions.resize(part.vertices.size());
        part.radii.resize(part.vertices.size());
        for (size_t v = 0; v < part.vertices.size(); ++v) {
            const Vec3f d = positionOf(part.vertices[v]) - mesh.center;
            // A vertex at the centre keeps a tiny radius and a zero direction.
            const float q = std::max(dot(d, d), kMinRadiusSquared);
            const float radius = std::sqrt(q);
            part.radii[v] = radius;
            part.directions[v] = {d[0] / radius, d[1] / radius, d[2] / radius};
        }
    }
}

}  // namespace

float sizeFactor(int32_t totalSize) {
    return 1.0f / (float(inSettingRange(totalSize)) * -0.3333333f + 4.3333335f);
}

// ---------------------------------------------------------------- PulseField

void PulseField::init(int32_t pulseSpeed) {
    const float n = float(size_);
    waveTable.assign(static_cast<size_t>(size_), 0.0f);
    slopeTable.assign(static_cast<size_t>(size_), 0.0f);
    for (size_t i = 0; i < waveTable.size(); ++i) {
        waveTable[i] = std::sin(float(i) / n * kTwoPi) * amplitude * 0.75f;
        // The wave divided by N, not a difference of neighbours: this keeps
        // the interpolation term small, which is the look the lava has.
        slopeTable[i] = waveTable[i] / n;
    }
    speed = float(size_ * inSettingRange(pulseSpeed)) * 0.0033333332f + 0.6666667f;
}

void PulseField::step(StandardRandom& random) {
    if (++stepCount >= kDriftTurnSteps) {
        const float angle = float(random.next()) * kTwoPi * kRandomToUnit;
        driftU += std::cos(angle) * 0.1f;
        driftV += std::sin(angle) * 0.1f;
        const float m = std::max({std::fabs(driftU), std::fabs(driftV), 0.0001f});
        driftU /= m;
        driftV /= m;
        stepCount = 0;
    }
    phaseU += driftU * speed;
    phaseV += driftV * speed;
    // Negative phases stay: the sampler folds them.
    if (phaseU > float(size_)) phaseU -= float(size_ * (static_cast<int32_t>(phaseU) / size_));
    if (phaseV > float(size_)) phaseV -= float(size_ * (static_cast<int32_t>(phaseV) / size_));
}

float PulseField::sample(float a, float b) const {
    if (waveTable.size() != static_cast<size_t>(size_) || slopeTable.size() != waveTable.size()) return 1.0f;
    const float n = float(size_);
    const float A = foldIntoTable(phaseU + a, n);
    const float B = foldIntoTable(phaseV + b + kQuarterTurnEntries, n);
    const int32_t iA = static_cast<int32_t>(A);
    const int32_t iB = static_cast<int32_t>(B);
    const int32_t iA1 = iA + 1 == size_ ? 0 : iA + 1;
    const int32_t iB1 = iB + 1 == size_ ? 0 : iB + 1;
    auto slope = [&](int32_t i) { return slopeTable[static_cast<size_t>(i)]; };
    auto wave = [&](int32_t i) { return waveTable[static_cast<size_t>(i)]; };
    return (slope(iA1) - slope(iA)) * (A - float(iA)) + (slope(iB1) - slope(iB)) * (B - float(iB)) + wave(iB) +
           wave(iA) + 1.0f;
}

// ----------------------------------------------------------------- ModelSlot

void ModelSlot::buildBlob() {
    std::vector<Vec3f> points = {
        {1.0f, 0.0f, 0.0f}, {-0.5f, 0.8660254f, 0.0f}, {-0.5f, -0.8660254f, 0.0f}, {0.0f, 0.0f, 1.0f},
        {0.0f, 0.0f, -1.0f},
    };
    std::vector<Triangle> triangles = {{0, 1, 3}, {2, 3, 1}, {0, 3, 2}, {4, 1, 0}, {2, 1, 4}, {0, 2, 4}};
    for (int i = 0; i < 3; ++i) subdivide(points, triangles);

    MeshPart part;
    part.uniformColor = 1;
    part.vertexCount = static_cast<int32_t>(points.size());
    part.faceCount = static_cast<int32_t>(triangles.size());
    for (const Vec3f& p : points) {
        MeshVertex v;
        setPosition(v, p);
        setNormal(v, p);
        part.vertices.push_back(v);
    }
    for (const Triangle& t : triangles) part.faceIndices.insert(part.faceIndices.end(), {3, t[0], t[1], t[2]});
    // Nothing reads the blob's face normals: its faces are never culled in software.
    part.faceNormals.assign(triangles.size(), {1.0f, 1.0f, 1.0f});
    part.directions.assign(points.begin(), points.end());
    part.radii.assign(points.size(), 1.0f);

    position = {0.0f, 0.0f, 0.0f};
    blob = std::make_unique<DisplayMesh>();
    blob->partCount = 1;
    blob->vertexCount = part.vertexCount;
    blob->faceCount = part.faceCount;
    blob->visible = 0;
    blob->parts.push_back(std::move(part));
}

bool ModelSlot::setUp(int32_t index, const SaverSettings& settings) {
    pulse.init(settings.pulseSpeed);
    buildBlob();
    return prepare(index, settings);
}

bool ModelSlot::prepare(int32_t index, const SaverSettings& settings) {
    if (!model || model->vertexCount == 0 || model->faceCount == 0 || model->partCount == 0 || model->parts.empty()) {
        return false;
    }
    if (index < 0 || index >= MAX_MODELS) return false;
    if (!blob) buildBlob();
    DisplayMesh& mesh = *model;

    settingsIndex = index;
    lavaColor = {settings.lavaRed, settings.lavaGreen, settings.lavaBlue};
    orientModel(mesh, settings.models[static_cast<size_t>(index)], settings.totalSize);
    const MeshPart& core = mesh.parts[measureParts(mesh)];
    mesh.bounds = mesh.parts[0].bounds;
    for (const MeshPart& part : mesh.parts) includeBounds(mesh.bounds, part.bounds);
    mesh.center = centerOf(mesh.bounds);

    const double volume = std::max(double(mesh.volumeEstimate()), kMinBlobVolume);
    blobRadius = float(std::min(double(kMaxBlobRadius), std::pow(volume, kCubeRootExponent) *
                                                            std::pow(kBlobVolumeFactor, kCubeRootExponent)));
    blobCenter = faceCentroidNearestMiddle(core);
    for (MeshPart& part : blob->parts) {
        for (size_t v = 0; v < part.vertices.size() && v < part.radii.size(); ++v) {
            setPosition(part.vertices[v], positionOf(part.vertices[v]) * blobRadius + blobCenter);
            part.radii[v] *= blobRadius;
        }
    }

    modelColor = averageColour(mesh);
    for (MeshPart& part : blob->parts) {
        part.color = modelColor;
        part.uniformColor = 1;
    }
    setMorphDirections(mesh);
    blob->visible = 1;
    return true;
}

void ModelSlot::moveBy(float dx, float dy, float dz) {
    position[0] += dx;
    position[1] += dy;
    position[2] += dz;
}

void ModelSlot::spin(float angle) {
    const Mat4f r = rotationMatrix(angle, 0.0f, 1.0f, 0.0f);
    auto turnVertexData = [&](MeshPart& part) {
        for (Vec3f& d : part.directions) d = transformVector(d, r);
        for (MeshVertex& v : part.vertices) setNormal(v, transformVector(normalOf(v), r));
    };
    if (model) {
        for (MeshPart& part : model->parts) {
            turnVertexData(part);
            for (Vec3f& n : part.faceNormals) n = transformVector(n, r);
        }
        blobCenter = transformVector(blobCenter - model->center, r) + model->center;
    }
    if (blob) {
        for (MeshPart& part : blob->parts) turnVertexData(part);
    }
}

void ModelSlot::shapeFrame(int32_t t, bool spinning, int32_t period, StandardRandom& random) {
    if (!model || !blob) return;
    const float s = period > 0 ? float(t) / float(period) : 1.0f;
    const Vec3f center = model->center;

    // The model grows out of a tiny seed at its centre.
    if (model->visible) {
        const float seed = blobRadius * kSeedSize * (1.0f - s);
        for (MeshPart& part : model->parts) {
            const size_t count = std::min({part.vertices.size(), part.directions.size(), part.radii.size()});
            for (size_t v = 0; v < count; ++v) {
                const float d = part.radii[v] * s + seed;
                setPosition(part.vertices[v], part.directions[v] * d + center + position);
            }
        }
    }

    // A whole blob sits at the model's centre; while it dissolves it moves
    // to blobCenter.
    const Vec3f c = (center - blobCenter) * (1.0f - s) + blobCenter + position;
    pulse.step(random);
    const float n = float(pulse.size());
    for (MeshPart& part : blob->parts) {
        const size_t count = std::min({part.vertices.size(), part.directions.size(), part.radii.size()});
        for (size_t v = 0; v < count; ++v) {
            const Vec3f& u = part.directions[v];
            const float f = pulse.sample((u[0] + u[1]) * n * 0.25f, (u[2] + u[1]) * n * 0.25f);
            const float k = (part.radii[v] * (1.0f - s) + s * kBlobEndSize) * f;
            setPosition(part.vertices[v], u * k + c);
        }
        recomputeVertexNormals(part);
    }

    if (spinning && period > 0) spin(s / float(period) * 720.0f);
}

}  // namespace glowpond
