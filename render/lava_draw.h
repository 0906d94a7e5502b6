// Drawing meshes and model slots with OpenGL 1.1. The current context must
// have the fixed state of render/fixed_state.h.
//
// A part's faces reach OpenGL in batches, in their own order: consecutive
// triangles and quads (each quad as the triangles 0 1 2 and 0 2 3, as Mesa
// splits one between glBegin and glEnd) share one glDrawElements over the
// part's interleaved array, and a face of five or more corners is one
// GL_POLYGON. A part of one colour is drawn in that colour. A part whose
// faces change colour a few times is drawn in runs of one colour; one whose
// colour changes often carries its colours in a colour array instead, each
// vertex in the colour of the faces around it, with a copy of the vertex
// for every further colour among them. The lit colour at a corner is then
// what it was with glColor3f, and so is every pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/model_slot.h"
#include "engine/scissor.h"
#include "render/gl_extensions.h"

namespace glowpond {

// Specular strength of the two meshes of a slot.
constexpr float kModelSpecular[4] = {0.6f, 0.6f, 0.6f, 1.0f};
constexpr float kBlobSpecular[4] = {0.2f, 0.2f, 0.2f, 1.0f};

// How a part of many colours is drawn: each vertex in the colour of the
// first face that uses it, and a copy of it for every further colour among
// its faces.
struct ColourCopies {
    bool used = false;          // false: the part changes colour too seldom to need them
    size_t vertexCount = 0;     // of the part they were made for
    size_t cornerListSize = 0;  // its faceIndices' size
    size_t colourCount = 0;     // its faceColors' size
    // faceIndices with each corner replaced by the vertex or copy in the
    // face's colour (a face with a corner out of range keeps its own).
    LargeVector<int32_t> corners;
    LargeVector<int32_t> copyOf;  // the vertex each copy copies; copy i is vertex vertexCount + i
    LargeVector<Vec3f> colours;   // of every vertex, then of every copy
};

// The copies for `part`, when its per-face colours change more than a few
// times in the order of its faces (a face past the end of faceColors has
// the part's `color`).
ColourCopies colourCopiesOf(const MeshPart& part);

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
    enum class Colouring {
        Uniform,  // the part's one colour
        Runs,     // glColor3f before each batch of one colour
        Copies,   // a colour array over the vertices and their copies
    };
    struct Buffer {
        uint32_t name = 0;
        size_t capacity = 0;  // bytes
    };
    struct Batch {
        uint32_t mode;   // GL_TRIANGLES or GL_POLYGON
        uint32_t first;  // in indices_
        int32_t count;
        Vec3f colour;  // with Colouring::Runs
    };

    void drawPart(const MeshPart& part, bool cull);
    // Fills indices_ and batches_ with the faces to draw; false when the
    // colour copies no longer fit the part's faces.
    bool collect(const MeshPart& part, bool cull, Colouring colouring, const ColourCopies* colours);
    template <Colouring kColouring>
    bool collectAs(const MeshPart& part, bool cull, const ColourCopies* colours);
    void submit(const MeshPart& part, Colouring colouring, const std::shared_ptr<const ColourCopies>& colours);
    // Binds `buffer` to `target` with room for `bytes` at least; true when
    // that took a new store, whose contents are undefined.
    bool bindWithRoom(Buffer& buffer, uint32_t target, size_t bytes);

    ProcLookup lookup_ = nullptr;
    bool lookedUp_ = false;
    std::optional<BufferFunctions> buffers_;
    Buffer vertexBuffer_, colourBuffer_, indexBuffer_;
    std::weak_ptr<const ColourCopies> colourSource_;  // whose colours colourBuffer_ holds
    LargeVector<uint32_t> indices_;
    size_t indexCount_ = 0;
    std::vector<Batch> batches_;
    LargeVector<MeshVertex> vertices_;  // the copies of a draw (with client arrays, all its vertices)
    Vec3f lastColour_{};                // of the last face drawn
};

// The extents of the current projection. Leaves the projection matrix
// current.
ViewExtents orthoExtents();

}  // namespace glowpond
