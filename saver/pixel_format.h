// The choice of a pixel format and the logical palette of a palette-based
// format, as pure functions over pixel-format descriptions, so that every
// path can be tested without the system that offers the formats.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace glowpond {

// PIXELFORMATDESCRIPTOR flag values.
constexpr uint32_t kPfdDoubleBuffer = 0x1;
constexpr uint32_t kPfdDrawToWindow = 0x4;
constexpr uint32_t kPfdSupportOpenGl = 0x20;
constexpr uint32_t kPfdGenericFormat = 0x40;
constexpr uint32_t kPfdNeedPalette = 0x80;
constexpr uint32_t kPfdGenericAccelerated = 0x1000;

// The format the saver asks for: a double-buffered window format with 24
// colour and 24 depth bits. The generic flag only tells the system that a
// software format is welcome; systems drop it from what they offer.
constexpr uint32_t kRequestedFormatFlags = kPfdDrawToWindow | kPfdSupportOpenGl | kPfdDoubleBuffer | kPfdGenericFormat;
constexpr uint8_t kRequestedColorBits = 24;
constexpr uint8_t kRequestedDepthBits = 24;

// The fields of a pixel-format description that the choice and the palette read.
struct PixelFormatInfo {
    uint32_t flags = 0;
    uint8_t colorBits = 0;
    uint8_t redBits = 0, redShift = 0;
    uint8_t greenBits = 0, greenShift = 0;
    uint8_t blueBits = 0, blueShift = 0;
    uint8_t depthBits = 0;
};

// True for a hardware format: not generic, or generic but accelerated.
bool isAccelerated(const PixelFormatInfo& format);

// The format to use, as a 1-based index, or 0 for none. `offered` is the
// system's closest match to the request (0 when it had none) and
// `offeredFormat` its description; `formats` describes formats 1 to
// formats.size(). When acceleration is not allowed and the offered format is
// accelerated, the choice is the unaccelerated double-buffered window format
// with the most depth bits (at least 16; the first of equal ones).
int32_t choosePixelFormatIndex(int32_t offered, const PixelFormatInfo& offeredFormat,
                               const std::vector<PixelFormatInfo>& formats, bool allowAcceleration);

struct PaletteColor {
    uint8_t red = 0, green = 0, blue = 0;
};
using Palette = std::array<PaletteColor, 256>;

// The logical palette for a format: none unless it needs a palette and has
// 8 colour bits. Each entry takes its components from the format's bit
// fields through fixed ramps; the 3-3-2 layout also keeps the system's
// static colours in their places.
std::optional<Palette> paletteFor(const PixelFormatInfo& format);

}  // namespace glowpond
