#include "render/lava_draw.h"

#include <climits>
#include <cstddef>
#include <cstring>
#include <memory>

#include "render/gl.h"

namespace glowpond {
namespace {

constexpr GLenum kArrayBuffer = 0x8892;
constexpr GLenum kElementArrayBuffer = 0x8893;
constexpr GLenum kStreamDraw = 0x88E0;

// Up to this many runs of one colour cost less as draws of their own than
// a colour array over every vertex and its copies.
constexpr size_t kFewColourRuns = 64;

// The sign test on the bit pattern: +0.0, -0.0 and every negative z count
// as facing away, while the tiniest positive z still faces the viewer.
bool facesAway(const Vec3f& normal) {
    int32_t bits;
    std::memcpy(&bits, &normal[2], sizeof bits);
    return bits < 1;
}

// Colours compare by their bits: equal bits give equal pixels.
bool sameColour(const Vec3f& a, const Vec3f& b) { return std::memcmp(a.data(), b.data(), sizeof a) == 0; }

const Vec3f& faceColour(const MeshPart& part, size_t face) {
    return face < part.faceColors.size() ? part.faceColors[face] : part.color;
}

// An array's address for OpenGL: an offset into the bound buffer object, or
// a pointer into memory.
const void* address(uintptr_t value) { return reinterpret_cast<const void*>(value); }

}  // namespace

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

ViewExtents orthoExtents() {
    glMatrixMode(GL_PROJECTION);
    Mat4f projection{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    return extentsFromProjection(projection);
}

void MeshDrawer::drawMesh(const DisplayMesh& mesh, const ScissorGeometry& geometry, float x, float y,
                          ScissorRect* rect) {
    if (!mesh.visible || mesh.faceCount == 0 || mesh.vertexCount == 0) return;

    const ScissorRect square = scissorSquare(geometry, x, y);
    glScissor(square.x, square.y, square.width, square.height);
    glEnable(GL_SCISSOR_TEST);
    if (rect) *rect = square;

    if (!lookedUp_) {
        lookedUp_ = true;
        const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        buffers_ = findBufferFunctions(bufferObjectsFor(version, extensions), lookup_);
    }
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    for (const MeshPart& part : mesh.parts) {
        if (part.vertexCount == 0 || part.faceCount == 0 || part.vertices.empty()) continue;
        if (part.uniformColor) glColor3f(part.color[0], part.color[1], part.color[2]);
        drawPart(part, mesh.cullBackFaces != 0);
    }
}

void MeshDrawer::drawSlot(const ModelSlot& slot, const ScissorGeometry& geometry, ScissorRect* rect) {
    if (!slot.model || !slot.blob) return;
    const Vec3f& p = slot.position;
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kModelSpecular);
    drawMesh(*slot.model, geometry, p[0], p[1], nullptr);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kBlobSpecular);
    drawMesh(*slot.blob, geometry, p[0], p[1], rect);
}

void MeshDrawer::drawPart(const MeshPart& part, bool cull) {
    Colouring colouring = Colouring::Uniform;
    std::shared_ptr<const ColourCopies> copies;
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
    if (!batches_.empty()) submit(part, colouring, copies);
}

bool MeshDrawer::collect(const MeshPart& part, bool cull, Colouring colouring, const ColourCopies* colours) {
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

template <MeshDrawer::Colouring kColouring>
bool MeshDrawer::collectAs(const MeshPart& part, bool cull, const ColourCopies* colours) {
    constexpr bool kCopied = kColouring == Colouring::Copies;
    indexCount_ = 0;
    batches_.clear();
    const int32_t* list = part.faceIndices.data();
    const size_t size = part.faceIndices.size();
    if (kCopied && colours->corners.size() != size) return false;
    const int32_t* drawnList = kCopied ? colours->corners.data() : list;
    // A quad's six indices take the room of its five entries and one more.
    const size_t room = size + size / 5 + 1;
    if (indices_.size() < room) indices_.resize(room);
    uint32_t* const out = indices_.data();
    size_t count = 0;
    const size_t vertexCount = part.vertices.size();
    const size_t normalCount = cull ? part.faceNormals.size() : 0;

    GLenum openMode = 0;  // of the batch being filled, 0 before the first
    const Vec3f* openColour = nullptr;
    const Vec3f* last = nullptr;
    auto open = [&](GLenum mode, const Vec3f& colour) {
        if (!batches_.empty()) batches_.back().count = static_cast<int32_t>(count - batches_.back().first);
        batches_.push_back({mode, static_cast<uint32_t>(count), 0, colour});
        openMode = mode;
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

        uint32_t* to = out + count;
        if (k <= 4) {
            if (openMode != GL_TRIANGLES || (kColouring == Colouring::Runs && !sameColour(*openColour, colour))) {
                open(GL_TRIANGLES, colour);
            }
            to[0] = static_cast<uint32_t>(drawn[0]);
            to[1] = static_cast<uint32_t>(drawn[1]);
            to[2] = static_cast<uint32_t>(drawn[2]);
            if (k == 4) {
                to[3] = static_cast<uint32_t>(drawn[0]);
                to[4] = static_cast<uint32_t>(drawn[2]);
                to[5] = static_cast<uint32_t>(drawn[3]);
            }
            count += k == 4 ? 6 : 3;
        } else {
            open(GL_POLYGON, colour);
            for (int32_t i = 0; i < k; ++i) to[i] = static_cast<uint32_t>(drawn[i]);
            count += static_cast<size_t>(k);
        }
    }
    if (!batches_.empty()) batches_.back().count = static_cast<int32_t>(count - batches_.back().first);
    indexCount_ = count;
    if (last) lastColour_ = *last;
    return true;
}

void MeshDrawer::submit(const MeshPart& part, Colouring colouring, const std::shared_ptr<const ColourCopies>& colours) {
    const size_t n = part.vertices.size();
    const bool copied = colouring == Colouring::Copies;
    const size_t copies = copied ? colours->copyOf.size() : 0;
    const size_t vertexBytes = (n + copies) * sizeof(MeshVertex);

    // The copies take their place and normal from their vertex as shaped for this frame.
    const size_t gathered = buffers_ ? 0 : (copies ? n : 0);
    if (vertices_.size() < gathered + copies) vertices_.resize(gathered + copies);
    if (gathered) std::memcpy(vertices_.data(), part.vertices.data(), n * sizeof(MeshVertex));
    for (size_t c = 0; c < copies; ++c) {
        vertices_[gathered + c] = part.vertices[static_cast<size_t>(colours->copyOf[c])];
    }

    // Addresses in the buffer objects count from 0; without them they are the arrays' own.
    uintptr_t vertexBase = 0, colourBase = 0, indexBase = 0;
    if (buffers_) {
        if (copied) {
            // The colours stay the same as long as the copies do.
            const size_t colourBytes = colours->colours.size() * sizeof(Vec3f);
            if (bindWithRoom(colourBuffer_, kArrayBuffer, colourBytes) || colourSource_.lock() != colours) {
                buffers_->bufferSubData(kArrayBuffer, 0, ptrdiff_t(colourBytes), colours->colours.data());
                colourSource_ = colours;
            }
            glColorPointer(3, GL_FLOAT, sizeof(Vec3f), address(0));
        }
        const size_t vertexPart = n * sizeof(MeshVertex);
        bindWithRoom(vertexBuffer_, kArrayBuffer, vertexBytes);
        buffers_->bufferSubData(kArrayBuffer, 0, ptrdiff_t(vertexPart), part.vertices.data());
        if (copies) {
            buffers_->bufferSubData(kArrayBuffer, ptrdiff_t(vertexPart), ptrdiff_t(vertexBytes - vertexPart),
                                    vertices_.data());
        }
        bindWithRoom(indexBuffer_, kElementArrayBuffer, indexCount_ * sizeof(uint32_t));
        buffers_->bufferSubData(kElementArrayBuffer, 0, ptrdiff_t(indexCount_ * sizeof(uint32_t)), indices_.data());
    } else {
        vertexBase = reinterpret_cast<uintptr_t>(copies ? vertices_.data() : part.vertices.data());
        colourBase = copied ? reinterpret_cast<uintptr_t>(colours->colours.data()) : 0;
        indexBase = reinterpret_cast<uintptr_t>(indices_.data());
        if (copied) glColorPointer(3, GL_FLOAT, sizeof(Vec3f), address(colourBase));
    }
    glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), address(vertexBase + offsetof(MeshVertex, position)));
    glNormalPointer(GL_FLOAT, sizeof(MeshVertex), address(vertexBase + offsetof(MeshVertex, normal)));
    if (copied) glEnableClientState(GL_COLOR_ARRAY);
    for (const Batch& batch : batches_) {
        if (colouring == Colouring::Runs) glColor3f(batch.colour[0], batch.colour[1], batch.colour[2]);
        glDrawElements(batch.mode, batch.count, GL_UNSIGNED_INT, address(indexBase + batch.first * sizeof(uint32_t)));
    }
    if (copied) glDisableClientState(GL_COLOR_ARRAY);
    // The current colour as face by face drawing left it.
    if (colouring != Colouring::Uniform) glColor3f(lastColour_[0], lastColour_[1], lastColour_[2]);
    if (buffers_) {
        buffers_->bindBuffer(kArrayBuffer, 0);
        buffers_->bindBuffer(kElementArrayBuffer, 0);
    }
}

bool MeshDrawer::bindWithRoom(Buffer& buffer, uint32_t target, size_t bytes) {
    if (!buffer.name) buffers_->genBuffers(1, &buffer.name);
    buffers_->bindBuffer(target, buffer.name);
    if (bytes <= buffer.capacity) return false;
    // Room to grow by half again, so that a part drawn with a few more faces
    // than last time does not make a new store each time.
    buffer.capacity = bytes + bytes / 2;
    buffers_->bufferData(target, ptrdiff_t(buffer.capacity), nullptr, kStreamDraw);
    return true;
}

void MeshDrawer::releaseBuffers() {
    for (Buffer* buffer : {&vertexBuffer_, &colourBuffer_, &indexBuffer_}) {
        if (buffers_ && buffer->name) buffers_->deleteBuffers(1, &buffer->name);
        *buffer = Buffer();
    }
    colourSource_.reset();
}

}  // namespace glowpond
