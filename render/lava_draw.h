// Drawing meshes and model slots with OpenGL 1.1. The current context must
// have the fixed state of render/fixed_state.h.
//
// A part's faces reach OpenGL in the runs of engine/face_runs.h, each one
// glDrawElements over the part's interleaved array (a face of five or more
// corners as one GL_POLYGON). Runs of one colour take it with glColor3f;
// colour copies go in a colour array. The lit colour at a corner is then
// what it was with glColor3f, and so is every pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/face_runs.h"
#include "engine/model_slot.h"
#include "engine/scissor.h"
#include "render/gl_extensions.h"

namespace glowpond {

// Draws meshes on the current context, the one it was first used with.
// With buffer objects (OpenGL 1.5, or GL_ARB_vertex_buffer_object) it puts
// each part's arrays into them once per draw, and draws every batch from
// there; without them it draws from the part's own arrays. It keeps its
// lists and its buffer objects from one draw to the next, so that
// drawing allocates nothing once the largest part has been drawn.
//
// Its destructor calls no OpenGL (the context may be gone by then): the
// buffer objects go with the context, or earlier with releaseBuffers().
class MeshDrawer {
public:
    // `lookup` (may be null: no buffer objects) finds the entry points of
    // the context.
    MeshDrawer() = default;
    explicit MeshDrawer(ProcLookup lookup) : lookup_(lookup) {}
    MeshDrawer(MeshDrawer&&) = default;
    MeshDrawer& operator=(MeshDrawer&&) = default;

    // Deletes the buffer objects; the context must be current.
    void releaseBuffers();

    // Draws `mesh` inside the scissor square of `geometry` around (x, y)
    // (the vertices already carry their place) and stores that square in
    // `rect` when given. Skips faces whose normal has z <= 0 when
    // cullBackFaces is set. Does nothing unless the mesh is visible and not
    // empty.
    void drawMesh(const DisplayMesh& mesh, const ScissorGeometry& geometry, float x, float y, ScissorRect* rect);

    // Draws a slot as ModelSlot::shapeFrame left it: the model (when
    // visible) and the blob inside the scissor square of `geometry` around
    // the slot's position; stores the blob's square in `rect` when given.
    void drawSlot(const ModelSlot& slot, const ScissorGeometry& geometry, ScissorRect* rect);

    // Whether the draws go through buffer objects; known from the first draw on.
    bool usesBufferObjects() const { return buffers_.has_value(); }

private:
    struct Buffer {
        uint32_t name = 0;
        size_t capacity = 0;  // bytes
    };
    void drawPart(const MeshPart& part, bool cull);
    void submit(const MeshPart& part, Colouring colouring, const std::shared_ptr<const ColourCopies>& colours);
    // Binds `buffer` to `target` with room for `bytes` at least; true when
    // that took a new store, whose contents are undefined.
    bool bindWithRoom(Buffer& buffer, uint32_t target, size_t bytes);

    ProcLookup lookup_ = nullptr;
    bool lookedUp_ = false;
    std::optional<BufferFunctions> buffers_;
    Buffer vertexBuffer_, colourBuffer_, indexBuffer_;
    std::weak_ptr<const ColourCopies> colourSource_;  // whose colours colourBuffer_ holds
    FaceRuns runs_;
    LargeVector<MeshVertex> vertices_;  // the copies of a draw (with client arrays, all its vertices)
};

// The extents of the current projection. Leaves the projection matrix
// current.
ViewExtents orthoExtents();

}  // namespace glowpond
