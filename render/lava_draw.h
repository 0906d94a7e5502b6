// Drawing a model slot with OpenGL 1.1 (library glowpond_gl). The current
// context must have the fixed state of engine/render_surface.h.
#pragma once

#include <cstdint>

#include "engine/model_slot.h"
#include "engine/scissor.h"
#include "platform/platform.h"

namespace glowpond {

// Specular strength of the two meshes of a slot.
constexpr float kModelSpecular[4] = {0.6f, 0.6f, 0.6f, 1.0f};
constexpr float kBlobSpecular[4] = {0.2f, 0.2f, 0.2f, 1.0f};

// Draws one frame of the slot at morph position t of `period` (0 <= t <=
// period; 0 = pure blob): shapes it (ModelSlot::shapeFrame, which spins it
// when `spinning`), then draws the model (when visible) and the blob inside
// the square of side `scale` world units around the slot's position, and
// stores the blob's square in `rect` when given. `window` is the window
// whose client area the current projection fills.
void drawSlot(ModelSlot& slot, WindowHandle window, int32_t t, bool spinning, int32_t period, float scale,
              ScissorRect* rect);

// The extents of the current projection. Leaves the projection matrix
// current.
ViewExtents orthoExtents();

// The scissor geometry in use: the window and scale of the last draw, the
// window's client size and the projection's extents read then. It is
// recomputed whenever a draw names another window or scale or the window's
// size has changed (a dialog's picture window is not the saver's window).
const ScissorGeometry& currentScissorGeometry();

}  // namespace glowpond
