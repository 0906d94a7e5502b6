// OpenGL ES 3.0: WebGL 2 under Emscripten; natively the same functions of
// whatever library the program links (OSMesa's core profile in the tests).
#pragma once

#include <GLES3/gl3.h>
