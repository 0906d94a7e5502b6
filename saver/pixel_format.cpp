#include "saver/pixel_format.h"

namespace glowpond {
namespace {

constexpr uint8_t kRamp1[2] = {0x00, 0xFF};
constexpr uint8_t kRamp2[4] = {0x00, 0x55, 0xAA, 0xFF};
constexpr uint8_t kRamp3[8] = {0x00, 0x24, 0x49, 0x6D, 0x92, 0xB6, 0xDB, 0xFF};

uint8_t ramp(int index, uint8_t bits, uint8_t shift) {
    // A shift of 8 or more leaves nothing of an 8-bit index.
    const int value = shift < 8 ? index >> shift : 0;
    switch (bits) {
    case 1: return kRamp1[value & 0x1];
    case 2: return kRamp2[value & 0x3];
    case 3: return kRamp3[value & 0x7];
    default: return 0;
    }
}

// The static colours of the system palette that a 3-3-2 ramp would move.
struct FixedColor {
    int index;
    PaletteColor color;
};
constexpr FixedColor kSystemColors[12] = {
    {3, {0x80, 0x00, 0x00}},   {24, {0x00, 0x80, 0x00}},  {27, {0x80, 0x80, 0x00}},  {64, {0x00, 0x00, 0x80}},
    {67, {0x80, 0x00, 0x80}},  {88, {0x00, 0x80, 0x80}},  {173, {0xC0, 0xC0, 0xC0}}, {181, {0xC0, 0xDC, 0xC0}},
    {236, {0xA6, 0xCA, 0xF0}}, {247, {0xFF, 0xFB, 0xF0}}, {164, {0xA0, 0xA0, 0xA4}}, {91, {0x80, 0x80, 0x80}},
};

bool is332(const PixelFormatInfo& f) {
    return f.colorBits == 8 && f.redBits == 3 && f.redShift == 0 && f.greenBits == 3 && f.greenShift == 3 &&
           f.blueBits == 2 && f.blueShift == 6;
}

bool qualifiesUnaccelerated(const PixelFormatInfo& f) {
    constexpr uint32_t needed = kPfdDrawToWindow | kPfdSupportOpenGl | kPfdDoubleBuffer | kPfdGenericFormat;
    return (f.flags & needed) == needed && !(f.flags & kPfdGenericAccelerated) && f.depthBits >= 16;
}

}  // namespace

bool isAccelerated(const PixelFormatInfo& format) {
    return !(format.flags & kPfdGenericFormat) || (format.flags & kPfdGenericAccelerated);
}

int32_t choosePixelFormatIndex(int32_t offered, const PixelFormatInfo& offeredFormat,
                               const std::vector<PixelFormatInfo>& formats, bool allowAcceleration) {
    if (offered <= 0) return 0;
    if (allowAcceleration || !isAccelerated(offeredFormat)) return offered;
    int32_t best = 0;
    int mostDepth = -1;
    for (size_t i = 0; i < formats.size(); ++i) {
        if (qualifiesUnaccelerated(formats[i]) && formats[i].depthBits > mostDepth) {
            mostDepth = formats[i].depthBits;
            best = static_cast<int32_t>(i + 1);
        }
    }
    return best;
}

std::optional<Palette> paletteFor(const PixelFormatInfo& f) {
    if (!(f.flags & kPfdNeedPalette) || f.colorBits != 8) return std::nullopt;
    Palette palette;
    for (int i = 0; i < 256; ++i) {
        palette[static_cast<size_t>(i)] = {ramp(i, f.redBits, f.redShift), ramp(i, f.greenBits, f.greenShift),
                                           ramp(i, f.blueBits, f.blueShift)};
    }
    if (is332(f)) {
        for (const FixedColor& fixed : kSystemColors) palette[static_cast<size_t>(fixed.index)] = fixed.color;
    }
    return palette;
}

}  // namespace glowpond
