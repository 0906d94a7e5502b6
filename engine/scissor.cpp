#include "engine/scissor.h"

#include <cmath>
#include <limits>

namespace glowpond {
namespace {

// Truncation towards zero that cannot overflow: a degenerate projection or a
// slot far off the screen must not make the conversion undefined.
int32_t truncToInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483520.0f) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace

ViewExtents extentsFromProjection(const Mat4f& m) {
    ViewExtents view;
    view.left = -(m[12] + 1.0f) / m[0];
    view.right = 2.0f / m[0] + view.left;
    view.bottom = -(m[13] + 1.0f) / m[5];
    view.top = 2.0f / m[5] + view.bottom;
    return view;
}

ScissorGeometry scissorGeometry(ClientSize client, const ViewExtents& view, float scale) {
    ScissorGeometry geometry;
    geometry.scale = scale;
    geometry.windowWidth = client.width;
    geometry.windowHeight = client.height < 1 ? 1 : client.height;
    geometry.view = view;
    int32_t width = truncToInt(float(geometry.windowWidth) / (view.right - view.left) * scale);
    int32_t height = truncToInt(float(geometry.windowHeight) / (view.top - view.bottom) * scale);
    geometry.scissorWidth = width < 0 ? 0 : width;
    geometry.scissorHeight = height < 0 ? 0 : height;
    return geometry;
}

ScissorRect scissorSquare(const ScissorGeometry& g, float x, float y) {
    const ViewExtents& v = g.view;
    int32_t x0 = truncToInt((x - v.left - g.scale * 0.5f) / (v.right - v.left) * float(g.windowWidth));
    int32_t y0 = truncToInt((y - v.bottom - g.scale * 0.5f) / (v.top - v.bottom) * float(g.windowHeight));
    return {x0 < 0 ? 0 : x0, y0 < 0 ? 0 : y0, g.scissorWidth, g.scissorHeight};
}

}  // namespace glowpond
