// OpenGL 1.1 for the drawing layer, without <windows.h>: MinGW's <GL/gl.h>
// pulls it in unless the two calling-convention macros are already there.
// A Windows file that needs <windows.h> includes it before this header.
#pragma once

#if defined(_WIN32) && !(defined(WINGDIAPI) && defined(APIENTRY))
#define APIENTRY __stdcall
#define WINGDIAPI __declspec(dllimport)
#define GLOWPOND_DEFINED_GL_MACROS
#endif

#include <GL/gl.h>

#ifdef GLOWPOND_DEFINED_GL_MACROS
#undef APIENTRY
#undef WINGDIAPI
#undef GLOWPOND_DEFINED_GL_MACROS
#endif
