// Colours from base-colour textures: a PNG or JPEG image decoded into 8-bit
// RGB, and the colour at a texture coordinate. Readers give a face the
// colour at the centre of its texture coordinates, so that a textured model
// with a white base colour does not come out white.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "scene/values.h"

namespace glowpond {

// Larger images are not decoded: they would take hundreds of megabytes.
constexpr int32_t kMaxTextureSide = 8192;

// Releases what the decoder allocated.
struct TexelsFree {
    void operator()(uint8_t* texels) const;
};

struct TextureImage {
    int32_t width = 0;
    int32_t height = 0;
    // Rows from the top, 3 bytes per texel, as the decoder left them: an
    // image of the largest size is 200 MB, not to be copied.
    std::unique_ptr<uint8_t[], TexelsFree> rgb;

    bool empty() const { return !rgb; }
};

enum class TextureDecode { Decoded, Unreadable, TooLarge };

// Decodes PNG or JPEG bytes (any channel count; alpha is dropped) into
// `image`. On failure `image` is left empty.
TextureDecode decodeTexture(const uint8_t* data, size_t size, TextureImage& image);

// The colour (0 to 1 per channel) of the texel at (u, v): u runs from the
// left column to the right, v from the top row down, and both repeat
// outside 0..1. Readers whose v runs up from the bottom row pass 1 - v.
// A coordinate that is not finite counts as 0; an empty image is white.
Vec3 textureColour(const TextureImage& image, double u, double v);

}  // namespace glowpond
