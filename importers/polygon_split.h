// Polygons of more than three corners into triangles, for the formats whose
// faces the display takes only as triangles (OBJ, PLY, glTF fans and the
// like): ear clipping, so concave outlines come out right.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/values.h"

namespace glowpond {

// Splits the polygon whose corners are `corners[0 .. count)`, in order, into
// count - 2 triangles and appends them to `triangles` as corner numbers
// (0 .. count - 1), three per triangle, each turning the way the polygon
// turns. Fewer than three corners give nothing. A polygon that is not
// planar is split as its projection on the plane it lies closest to;
// degenerate ones (corners in a line or on top of each other, crossing
// outlines, non-finite points) still give count - 2 triangles, some of them
// thin, and the work stays bounded for any input.
void splitPolygon(const Vec3* corners, size_t count, std::vector<uint32_t>& triangles);

}  // namespace glowpond
