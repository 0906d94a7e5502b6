#include "engine/face_runs.h"

#include <climits>
#include <cstring>

namespace glowpond {
namespace {

// Up to this many runs of one colour cost less as draws of their own than
// a colour array over every vertex and its copies.
constexpr size_t kFewColourRuns = 64;

// Colours compare by their bits: equal bits give equal pixels.
bool sameColour(const Vec3f& a, const Vec3f& b) { return std::memcmp(a.data(), b.data(), sizeof a) == 0; }

const Vec3f& faceColour(const MeshPart& part, size_t face) {
    return face < part.faceColors.size() ? part.faceColors[face] : part.color;
}

}  // namespace

bool facesAway(const Vec3f& normal) {
    int32_t bits;
    std::memcpy(&bits, &normal[2], sizeof bits);
    return bits < 1;
}

ColourCopies colourCopiesOf(const MeshPart& part) {
    ColourCopies made;
    const size_t n = part.vertices.size();
    made.vertexCount = n;
    made.cornerListSize = part.faceIndices.size();
    made.colourCount = part.faceColors.size();

    size_t runs = 0, face = 0;
    const Vec3f* previous = nullptr;
    forEachFace(part, [&](const int32_t*, int32_t) {
        const Vec3f& colour = faceColour(part, face++);
        if (!previous || !sameColour(*previous, colour)) ++runs;
        previous = &colour;
    });
    // Every vertex and copy must have an index of its own.
    if (runs <= kFewColourRuns || made.cornerListSize >= size_t(INT32_MAX) - n) return made;

    made.used = true;
    made.corners.assign(part.faceIndices.begin(), part.faceIndices.end());
    made.colours.assign(n, part.color);
    LargeVector<uint8_t> coloured(n, 0);
    LargeVector<int32_t> firstCopy(n, -1);
    LargeVector<int32_t> nextCopy;  // of the same vertex
    face = 0;
    const size_t size = made.corners.size();
    for (size_t at = 0; at < size;) {
        const int32_t k = made.corners[at];
        if (k < 0 || size - at - 1 < static_cast<size_t>(k)) break;
        int32_t* corners = made.corners.data() + at + 1;
        at += 1 + static_cast<size_t>(k);
        const Vec3f colour = faceColour(part, face++);
        if (!cornersInRange(part, corners, k)) continue;
        for (int32_t i = 0; i < k; ++i) {
            const size_t v = static_cast<size_t>(corners[i]);
            if (!coloured[v]) {
                coloured[v] = 1;
                made.colours[v] = colour;
                continue;
            }
            if (sameColour(made.colours[v], colour)) continue;
            int32_t copy = firstCopy[v];
            while (copy >= 0 && !sameColour(made.colours[n + static_cast<size_t>(copy)], colour)) {
                copy = nextCopy[static_cast<size_t>(copy)];
            }
            if (copy < 0) {
                copy = static_cast<int32_t>(made.copyOf.size());
                made.copyOf.push_back(corners[i]);
                made.colours.push_back(colour);
                nextCopy.push_back(firstCopy[v]);
                firstCopy[v] = copy;
            }
            corners[i] = static_cast<int32_t>(n) + copy;
        }
    }
    return made;
}

Colouring FaceRuns::build(const MeshPart& part, bool cull, std::shared_ptr<const ColourCopies>& copies) {
    Colouring colouring = Colouring::Uniform;
    copies.reset();
    auto chooseColouring = [&](bool reuse) {
        copies = std::static_pointer_cast<const ColourCopies>(part.drawingCache);
        if (!reuse || !copies || copies->vertexCount != part.vertices.size() ||
            copies->cornerListSize != part.faceIndices.size() || copies->colourCount != part.faceColors.size()) {
            copies = std::make_shared<const ColourCopies>(colourCopiesOf(part));
            part.drawingCache = copies;
        }
        colouring = copies->used ? Colouring::Copies : Colouring::Runs;
    };
    if (!part.uniformColor) chooseColouring(true);
    if (!collect(part, cull, colouring, copies.get())) {
        // The faces or their colours have changed since the copies were made.
        chooseColouring(false);
        if (!collect(part, cull, colouring, copies.get())) collect(part, cull, colouring = Colouring::Runs, nullptr);
    }
    return colouring;
}

bool FaceRuns::collect(const MeshPart& part, bool cull, Colouring colouring, const ColourCopies* colours) {
    switch (colouring) {
    case Colouring::Uniform:
        return collectAs<Colouring::Uniform>(part, cull, colours);
    case Colouring::Runs:
        return collectAs<Colouring::Runs>(part, cull, colours);
    case Colouring::Copies:
        return collectAs<Colouring::Copies>(part, cull, colours);
    }
    return false;
}

template <Colouring kColouring>
bool FaceRuns::collectAs(const MeshPart& part, bool cull, const ColourCopies* colours) {
    constexpr bool kCopied = kColouring == Colouring::Copies;
    indexCount_ = 0;
    runs_.clear();
    const int32_t* list = part.faceIndices.data();
    const size_t size = part.faceIndices.size();
    if (kCopied && colours->corners.size() != size) return false;
    const int32_t* drawnList = kCopied ? colours->corners.data() : list;
    // A quad's six indices take the room of its five entries and one more;
    // only fans of larger polygons may need more.
    const size_t room = size + size / 5 + 1;
    if (indices_.size() < room) indices_.resize(room);
    uint32_t* out = indices_.data();
    size_t count = 0;
    const size_t vertexCount = part.vertices.size();
    const size_t normalCount = cull ? part.faceNormals.size() : 0;

    bool open = false;  // a run is being filled
    RunShape openShape = RunShape::Triangles;
    const Vec3f* openColour = nullptr;
    const Vec3f* last = nullptr;
    auto start = [&](RunShape shape, const Vec3f& colour) {
        if (!runs_.empty()) runs_.back().count = static_cast<int32_t>(count - runs_.back().first);
        runs_.push_back({shape, static_cast<uint32_t>(count), 0, colour});
        open = true;
        openShape = shape;
        openColour = &colour;
    };
    size_t face = 0;
    for (size_t at = 0; at < size; ++face) {
        const int32_t k = list[at];
        if (k < 0 || size - at - 1 < static_cast<size_t>(k)) break;
        if (kCopied && drawnList[at] != k) return false;
        const int32_t* corners = list + at + 1;
        const int32_t* drawn = drawnList + at + 1;
        at += 1 + static_cast<size_t>(k);
        if (face < normalCount && facesAway(part.faceNormals[face])) continue;
        if (!cornersInRange(part, corners, k)) continue;
        const Vec3f& colour = kColouring == Colouring::Uniform ? part.color : faceColour(part, face);
        if (kCopied) {
            for (int32_t i = 0; i < k; ++i) {
                const int32_t m = drawn[i];
                if (m == corners[i]) continue;
                // Else a copy of the corner, numbered after the vertices.
                const size_t copy = static_cast<size_t>(m) - vertexCount;
                if (m < 0 || copy >= colours->copyOf.size() || colours->copyOf[copy] != corners[i]) return false;
            }
            if (k > 0 && !sameColour(colours->colours[static_cast<size_t>(drawn[0])], colour)) return false;
        }
        last = &colour;
        if (k < 3) continue;  // no area: OpenGL draws nothing

        if (k <= 4 || fans_) {
            if (!open || openShape != RunShape::Triangles ||
                (kColouring == Colouring::Runs && !sameColour(*openColour, colour))) {
                start(RunShape::Triangles, colour);
            }
            const size_t need = 3 * static_cast<size_t>(k - 2);
            if (indices_.size() - count < need) {
                indices_.resize(indices_.size() + indices_.size() / 2 + need);
                out = indices_.data();
            }
            uint32_t* to = out + count;
            for (int32_t i = 2; i < k; ++i, to += 3) {
                to[0] = static_cast<uint32_t>(drawn[0]);
                to[1] = static_cast<uint32_t>(drawn[i - 1]);
                to[2] = static_cast<uint32_t>(drawn[i]);
            }
            count += need;
        } else {
            start(RunShape::Polygon, colour);
            uint32_t* to = out + count;
            for (int32_t i = 0; i < k; ++i) to[i] = static_cast<uint32_t>(drawn[i]);
            count += static_cast<size_t>(k);
        }
    }
    if (!runs_.empty()) runs_.back().count = static_cast<int32_t>(count - runs_.back().first);
    indexCount_ = count;
    if (last) lastColour_ = *last;
    return true;
}

}  // namespace glowpond
