// What an OpenGL context offers beyond OpenGL 1.1, decided from its version
// and extension strings, and the entry points found through the lookup of
// the system that made the context (wglGetProcAddress,
// glXGetProcAddressARB, OSMesaGetProcAddress). The decisions are pure, so
// that every branch can be tested with given strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace glowpond {

// The system's lookup of an entry point by name; null when it has none.
using ProcLookup = void* (*)(const char* name);

// OpenGL's calling convention, for entry points found through a ProcLookup.
#if defined(_WIN32)
#define GLOWPOND_GL_CALL __stdcall
#else
#define GLOWPOND_GL_CALL
#endif

// True when the space-separated extension list names `extension` exactly.
bool hasExtension(const char* extensions, const char* extension);

// Buffer objects: core since OpenGL 1.5, before that the ARB extension,
// whose functions carry the suffix "ARB".
enum class BufferObjects { ClientArrays, Core, Arb };
BufferObjects bufferObjectsFor(const char* version, const char* extensions);

// The buffer-object functions drawing needs.
struct BufferFunctions {
    void(GLOWPOND_GL_CALL* genBuffers)(int32_t count, uint32_t* names);
    void(GLOWPOND_GL_CALL* bindBuffer)(uint32_t target, uint32_t name);
    void(GLOWPOND_GL_CALL* bufferData)(uint32_t target, ptrdiff_t bytes, const void* data, uint32_t usage);
    void(GLOWPOND_GL_CALL* bufferSubData)(uint32_t target, ptrdiff_t offset, ptrdiff_t bytes, const void* data);
    void(GLOWPOND_GL_CALL* deleteBuffers)(int32_t count, const uint32_t* names);
};

// The functions of `kind` through `lookup`; none unless every one is there.
std::optional<BufferFunctions> findBufferFunctions(BufferObjects kind, ProcLookup lookup);

// How a swap interval can be asked for, the first of WGL_EXT_swap_control,
// GLX_EXT_swap_control and GLX_MESA_swap_control that `extensions` names.
// An interval of 1 lets a frame reach the screen only whole, between two
// refreshes: no tearing.
enum class SwapControl { Unavailable, WglExt, GlxExt, GlxMesa };
SwapControl swapControlFor(const char* extensions);

}  // namespace glowpond
