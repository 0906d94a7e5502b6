// An offscreen OpenGL context for the native tests and tools (Mesa's
// OSMesa): an RGBA colour buffer and a 24-bit depth buffer in memory,
// current on the calling thread while the object lives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glowpond {

struct Rgb {
    uint8_t red = 0, green = 0, blue = 0;
};

class OffscreenContext {
public:
    // Compatibility: every OpenGL version, the fixed functions included.
    // Core: OpenGL 3.3 core, which also compiles OpenGL ES 3.0 shaders.
    enum class Profile { Compatibility, Core };

    OffscreenContext(int32_t width, int32_t height, Profile profile = Profile::Compatibility);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    // False when no context could be made; nothing else works then.
    bool ok() const { return context_ != nullptr; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

    // Makes this context the current one again, where several are in use.
    bool makeCurrent();

    // The pixel at (x, y), origin at the bottom left as in OpenGL, after
    // every drawing command so far has finished.
    Rgb pixel(int32_t x, int32_t y) const;

    // The whole picture, RGB rows from the top.
    std::vector<uint8_t> readRgbTopDown() const;

    // OSMesa's lookup of OpenGL entry points by name (null when unknown).
    static void* procAddress(const char* name);

private:
    struct Context;
    Context* context_ = nullptr;
    int32_t width_;
    int32_t height_;
    std::vector<uint8_t> buffer_;
};

// Writes an 8-bit RGB picture (rows from the top) as a PNG file.
bool writePng(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgbTopDown);

}  // namespace glowpond
