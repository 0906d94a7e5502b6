// The OpenGL surface of a window: pixel format, palette, rendering context
// and the fixed OpenGL state that the whole engine relies on.
//
// The fixed state and the light are plain OpenGL and work on any current
// context; the surface itself (WGL and GDI) exists only in the Windows build.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace glowpond {

// An opaque device context of a window (HDC on Windows).
using DeviceHandle = void*;

// Texts of the failure messages (caption kSurfaceErrorCaption, no owner).
constexpr char kPixelFormatError[] = "Unable to create pixelformatdescriptor.";
constexpr char kMakeCurrentError[] = "Unable to make pixelformat current.";
constexpr char kSurfaceErrorCaption[] = "Error";

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

// The OpenGL surface of one window. All handles are empty when not held.
struct RenderSurface {
    void* palette = nullptr;          // HPALETTE made for a palette-based format
    void* previousPalette = nullptr;  // the one selected before it
    void* glContext = nullptr;        // HGLRC
    DeviceHandle deviceContext = nullptr;
};

#if defined(_WIN32)

// Gets the window's device context and runs setupOpenGL. False when the
// window has no device context or setupOpenGL fails.
bool createRenderSurface(RenderSurface& surface, WindowHandle window, int32_t allowAcceleration, Platform& platform);

// Chooses and sets the pixel format (with its palette), creates the
// rendering context, makes it current and sets the fixed state. Shows
// kPixelFormatError or kMakeCurrentError where those steps fail (not when
// the context cannot be created) and returns false; whatever it had made is
// released again then.
bool setupOpenGL(RenderSurface& surface, WindowHandle window, DeviceHandle deviceContext, int32_t allowAcceleration,
                 Platform& platform);

// Sets the format closest to the request on the device context, or with
// acceleration not allowed an unaccelerated one (see
// choosePixelFormatIndex), and makes and realises the palette the format
// needs, recording it in `surface`. Returns the format's index, or 0.
int32_t choosePixelFormat(RenderSurface& surface, DeviceHandle deviceContext, int32_t allowAcceleration);

// A logical palette (HPALETTE) for the device context's pixel format, or
// null when the format needs none or is not an 8-bit one.
void* makePalette(DeviceHandle deviceContext);

// Deletes the context, puts back the previous palette and deletes ours, and
// releases the device context of the window.
void releaseRenderSurface(RenderSurface& surface, WindowHandle window);

#endif

}  // namespace glowpond
