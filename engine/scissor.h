// Where a slot is drawn on the window: the square scissor rectangle of side
// `scale` world units around the slot's position. Pure arithmetic, so that
// the animation and the tests need no OpenGL for it.
#pragma once

#include <cstdint>

#include "mesh/matrix.h"

namespace glowpond {

// Size of a window's client area in pixels.
struct ClientSize {
    int32_t width = 0;
    int32_t height = 0;
};

// A rectangle in window pixels, origin at the bottom left (as glScissor).
struct ScissorRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// The world-unit extents of an orthographic projection.
struct ViewExtents {
    float left = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    float top = 0.0f;
};

// The extents of an orthographic projection matrix (column by column, as
// glGetFloatv returns it): exactly l, r, b, t of glOrtho(l, r, b, t, n, f).
ViewExtents extentsFromProjection(const Mat4f& projection);

// What the scissor squares of one window at one scale derive from.
struct ScissorGeometry {
    float scale = 0.0f;
    int32_t windowWidth = 0;
    int32_t windowHeight = 1;  // at least 1
    ViewExtents view;
    int32_t scissorWidth = 0;  // pixel size of `scale` world units across
    int32_t scissorHeight = 0;
};

ScissorGeometry scissorGeometry(ClientSize client, const ViewExtents& view, float scale);

// The square around (x, y); a corner left of or below the window is raised
// to 0, so the square then keeps its size but no longer centres on (x, y).
ScissorRect scissorSquare(const ScissorGeometry& geometry, float x, float y);

}  // namespace glowpond
