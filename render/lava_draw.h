// Drawing meshes and model slots with OpenGL 1.1. The current context must
// have the fixed state of render/fixed_state.h.
#pragma once

#include <cstdint>

#include "engine/model_slot.h"
#include "engine/scissor.h"

namespace glowpond {

// Specular strength of the two meshes of a slot.
constexpr float kModelSpecular[4] = {0.6f, 0.6f, 0.6f, 1.0f};
constexpr float kBlobSpecular[4] = {0.2f, 0.2f, 0.2f, 1.0f};

// Draws `mesh` inside the scissor square of `geometry` around (x, y) (the
// vertices already carry their place) and stores that square in `rect` when
// given. Skips faces whose normal has z <= 0 when cullBackFaces is set.
// Does nothing unless the mesh is visible and not empty.
void drawMesh(const DisplayMesh& mesh, const ScissorGeometry& geometry, float x, float y, ScissorRect* rect);

// Draws a slot as ModelSlot::shapeFrame left it: the model (when visible)
// and the blob inside the scissor square of `geometry` around the slot's
// position; stores the blob's square in `rect` when given.
void drawSlot(const ModelSlot& slot, const ScissorGeometry& geometry, ScissorRect* rect);

// The extents of the current projection. Leaves the projection matrix
// current.
ViewExtents orthoExtents();

}  // namespace glowpond
