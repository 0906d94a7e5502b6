#include "render/lava_draw.h"

#include <cstddef>
#include <cstring>
#include <memory>

#include "render/gl.h"

namespace glowpond {
namespace {

constexpr GLenum kArrayBuffer = 0x8892;
constexpr GLenum kElementArrayBuffer = 0x8893;
constexpr GLenum kStreamDraw = 0x88E0;

// An array's address for OpenGL: an offset into the bound buffer object, or
// a pointer into memory.
const void* address(uintptr_t value) { return reinterpret_cast<const void*>(value); }

}  // namespace

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
    std::shared_ptr<const ColourCopies> copies;
    const Colouring colouring = runs_.build(part, cull, copies);
    if (!runs_.runs().empty()) submit(part, colouring, copies);
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
        const size_t indexBytes = runs_.indexCount() * sizeof(uint32_t);
        bindWithRoom(indexBuffer_, kElementArrayBuffer, indexBytes);
        buffers_->bufferSubData(kElementArrayBuffer, 0, ptrdiff_t(indexBytes), runs_.indices());
    } else {
        vertexBase = reinterpret_cast<uintptr_t>(copies ? vertices_.data() : part.vertices.data());
        colourBase = copied ? reinterpret_cast<uintptr_t>(colours->colours.data()) : 0;
        indexBase = reinterpret_cast<uintptr_t>(runs_.indices());
        if (copied) glColorPointer(3, GL_FLOAT, sizeof(Vec3f), address(colourBase));
    }
    glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), address(vertexBase + offsetof(MeshVertex, position)));
    glNormalPointer(GL_FLOAT, sizeof(MeshVertex), address(vertexBase + offsetof(MeshVertex, normal)));
    if (copied) glEnableClientState(GL_COLOR_ARRAY);
    for (const FaceRun& run : runs_.runs()) {
        if (colouring == Colouring::Runs) glColor3f(run.colour[0], run.colour[1], run.colour[2]);
        glDrawElements(run.shape == RunShape::Polygon ? GL_POLYGON : GL_TRIANGLES, run.count, GL_UNSIGNED_INT,
                       address(indexBase + run.first * sizeof(uint32_t)));
    }
    if (copied) glDisableClientState(GL_COLOR_ARRAY);
    // The current colour as face by face drawing left it.
    const Vec3f& last = runs_.lastColour();
    if (colouring != Colouring::Uniform) glColor3f(last[0], last[1], last[2]);
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
