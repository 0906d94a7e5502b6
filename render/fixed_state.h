// The fixed OpenGL state that the whole engine relies on, and the light.
// Plain OpenGL on any current context: each front end makes its own
// context (WGL in the Windows program, GLX in the X11 program, OSMesa in
// the tests and tools).
#pragma once

#include <cstdint>

namespace glowpond {

// Sets the fixed OpenGL state on the current context, in this order:
// dithering only on a palette-based display; filled polygons; smooth
// shading; lighting with light 0 (ambient 0.2, diffuse 0.85, specular 0.6,
// directional from the viewer) and two-sided lighting; material specular 0.6
// and shininess 8; colour-material tracking; black clear colour; depth test
// (less or equal, range 0..1, clear depth 1); both buffers cleared once; an
// orthographic projection two units high, -w/h..w/h by -1..1, near 1, far
// 100, and the viewport over the whole client area. A height below 1
// counts as 1.
void setupFixedState(int32_t clientWidth, int32_t clientHeight, bool paletteDisplay);

// The projection and viewport part of setupFixedState, for a new size;
// leaves the projection matrix current.
void setProjection(int32_t clientWidth, int32_t clientHeight);

// Points light 0 for a `lightHeight` setting: 1 lights from below, 10 from
// the viewer. Values outside 1..10 count as the nearest end. Takes the
// current model-view matrix into account, as every light position does.
void setLightHeight(int32_t lightHeight);

}  // namespace glowpond
