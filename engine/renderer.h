// What a front end draws the lava with: the surface set-up, its size, the
// clearing of the whole surface and the view the animation draws on. The
// OpenGL 1.1 renderer is render/gl_renderer.h; the host layer and the front
// ends see only this interface.
#pragma once

#include <cstdint>

#include "engine/animation.h"
#include "engine/scissor.h"

namespace glowpond {

class Renderer {
public:
    virtual ~Renderer() = default;

    // Sets up a surface of `size`: the fixed drawing state, the light for a
    // `lightHeight` setting (1 from below to 10 from the viewer) and the
    // models' placement.
    virtual void setUpSurface(ClientSize size, int32_t lightHeight) = 0;

    // The surface has a new size: the projection and the squares follow.
    virtual void resize(ClientSize size) = 0;

    // Clears the whole surface to black `times` times, showing each, so that
    // every buffer of the flip chain is black: the frames then draw only the
    // models' squares.
    virtual void clearSurface(int32_t times) = 0;

    // What the animation draws on.
    virtual AnimationView& view() = 0;
};

}  // namespace glowpond
