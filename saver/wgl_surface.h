// The OpenGL surface of a window on Windows: pixel format, palette and
// rendering context (WGL and GDI), with the fixed state of
// render/fixed_state.h set on it.
#pragma once

#include <cstdint>

#include "system/system_services.h"

namespace glowpond {

// An opaque device context of a window (HDC).
using DeviceHandle = void*;

// Texts of the failure messages (caption kSurfaceErrorCaption, no owner).
constexpr char kPixelFormatError[] = "Unable to create pixelformatdescriptor.";
constexpr char kMakeCurrentError[] = "Unable to make pixelformat current.";
constexpr char kSurfaceErrorCaption[] = "Error";

// The OpenGL surface of one window. All handles are empty when not held.
struct RenderSurface {
    void* palette = nullptr;          // HPALETTE made for a palette-based format
    void* previousPalette = nullptr;  // the one selected before it
    void* glContext = nullptr;        // HGLRC
    DeviceHandle deviceContext = nullptr;
};

// Gets the window's device context and runs setupOpenGL. False when the
// window has no device context or setupOpenGL fails.
bool createRenderSurface(RenderSurface& surface, WindowHandle window, int32_t allowAcceleration,
                         SystemServices& platform);

// Chooses and sets the pixel format (with its palette), creates the
// rendering context, makes it current and sets the fixed state. Shows
// kPixelFormatError or kMakeCurrentError where those steps fail (not when
// the context cannot be created) and returns false; whatever it had made is
// released again then.
bool setupOpenGL(RenderSurface& surface, WindowHandle window, DeviceHandle deviceContext, int32_t allowAcceleration,
                 SystemServices& platform);

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


}  // namespace glowpond
