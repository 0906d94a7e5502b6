#include "importers/texture_colour.h"

#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <utility>

// Only the two formats models use, decoded from memory. No failure texts:
// they live in a variable of the whole process.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#include <stb/stb_image.h>

namespace glowpond {
namespace {

// The texel index of coordinate `t` on a side of `size` texels, repeating.
int32_t texel(double t, int32_t size) {
    if (!std::isfinite(t)) t = 0.0;
    double fraction = t - std::floor(t);
    // floor() of a tiny negative number leaves exactly 1.0.
    if (!(fraction < 1.0)) fraction = 0.0;
    const int32_t at = static_cast<int32_t>(fraction * size);
    return at < size ? at : size - 1;
}

}  // namespace

void TexelsFree::operator()(uint8_t* texels) const { stbi_image_free(texels); }

TextureDecode decodeTexture(const uint8_t* data, size_t size, TextureImage& image) {
    image = TextureImage{};
    if (!data || size == 0 || size > static_cast<size_t>(std::numeric_limits<int>::max())) {
        return TextureDecode::Unreadable;
    }
    const int length = static_cast<int>(size);
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) return TextureDecode::Unreadable;
    if (width <= 0 || height <= 0) return TextureDecode::Unreadable;
    if (width > kMaxTextureSide || height > kMaxTextureSide) return TextureDecode::TooLarge;
    std::unique_ptr<uint8_t[], TexelsFree> pixels(stbi_load_from_memory(data, length, &width, &height, &channels, 3));
    if (!pixels || width <= 0 || height <= 0 || width > kMaxTextureSide || height > kMaxTextureSide) {
        return TextureDecode::Unreadable;
    }
    image.rgb = std::move(pixels);
    image.width = width;
    image.height = height;
    return TextureDecode::Decoded;
}

Vec3 textureColour(const TextureImage& image, double u, double v) {
    if (image.empty()) return {1.0, 1.0, 1.0};
    const size_t x = static_cast<size_t>(texel(u, image.width));
    const size_t y = static_cast<size_t>(texel(v, image.height));
    const uint8_t* p = &image.rgb[(y * static_cast<size_t>(image.width) + x) * 3];
    constexpr double kFromByte = 1.0 / 255.0;
    return {p[0] * kFromByte, p[1] * kFromByte, p[2] * kFromByte};
}

}  // namespace glowpond
