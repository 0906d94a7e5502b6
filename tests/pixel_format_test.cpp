#include "saver/pixel_format.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

namespace glowpond {
namespace {

constexpr uint32_t kWindowGl = kPfdDrawToWindow | kPfdSupportOpenGl;
constexpr uint32_t kSoftware = kWindowGl | kPfdDoubleBuffer | kPfdGenericFormat;
constexpr PixelFormatInfo kHardware{kWindowGl | kPfdDoubleBuffer, 24, 0, 0, 0, 0, 0, 0, 24};

PixelFormatInfo format(uint32_t flags, uint8_t depthBits) { return {flags, 24, 0, 0, 0, 0, 0, 0, depthBits}; }
std::array<int, 4> entry(const Palette& p, size_t i) { return {int(i), p[i].red, p[i].green, p[i].blue}; }

TEST(PixelFormat, withoutAccelerationTheDeepestSoftwareFormatIsChosenAndAPaletteFollowsTheBitFields) {
    const PixelFormatInfo accelerated = format(kSoftware | kPfdGenericAccelerated, 32);
    // 3: single-buffered, 5: the deepest, 6: as deep but later, 7: not for windows.
    const PixelFormatInfo singleBuffered = format(kSoftware & ~kPfdDoubleBuffer, 32);
    const std::vector<PixelFormatInfo> formats = {kHardware, format(kSoftware, 16), singleBuffered, accelerated,
        format(kSoftware, 24), format(kSoftware, 24), format(kSoftware & ~kPfdDrawToWindow, 32)};
    // The offered format is taken as it is with acceleration allowed, or when it is a software one
    // (a generic format that is accelerated counts as hardware); at least 16 depth bits must be had.
    const std::tuple<int32_t, PixelFormatInfo, std::vector<PixelFormatInfo>, bool, int32_t> cases[] = {
        {7, kHardware, {}, true, 7}, {0, kHardware, formats, true, 0}, {3, format(kSoftware, 16), {}, false, 3},
        {1, kHardware, formats, false, 5}, {4, accelerated, formats, false, 5}, {1, kHardware, {}, false, 0},
        {1, kHardware, {kHardware, format(kSoftware, 15), singleBuffered}, false, 0}};
    for (const auto& [offered, offeredFormat, all, allowAcceleration, chosen] : cases) {
        EXPECT_EQ(choosePixelFormatIndex(offered, offeredFormat, all, allowAcceleration), chosen) << offered;
    }
    // Only an eight-bit format that needs a palette gets one, and it follows the format's bit fields.
    const uint32_t paletted = kSoftware | kPfdNeedPalette;
    // {index, red, green, blue}. In 3-3-2, entry 3 is system red 0x80 where the ramps would give 0x6D,
    // and 100 is red 4, green 4, blue 1 of the ramps; blue in the low bits gets the ramps only, and
    // component widths without a ramp give 0. No entries: no palette.
    const std::pair<PixelFormatInfo, std::vector<std::array<int, 4>>> palettes[] = {
        {{paletted, 8, 3, 0, 3, 3, 2, 6, 0}, {{0, 0, 0, 0}, {255, 0xFF, 0xFF, 0xFF}, {3, 0x80, 0, 0},
            {91, 0x80, 0x80, 0x80}, {247, 0xFF, 0xFB, 0xF0}, {7, 0xFF, 0, 0}, {100, 0x92, 0x92, 0x55}}},
        {{paletted, 8, 3, 5, 3, 2, 2, 0, 0}, {{3, 0, 0, 0xFF}, {255, 0xFF, 0xFF, 0xFF}}},
        {{paletted, 8, 4, 0, 2, 4, 2, 6, 0}, {{255, 0, 0xFF, 0xFF}}},
        {{kSoftware, 8, 3, 0, 3, 3, 2, 6, 0}, {}}, {{paletted, 16, 5, 0, 6, 5, 5, 11, 0}, {}}};
    for (const auto& [pixelFormat, entries] : palettes) {
        const std::optional<Palette> colors = paletteFor(pixelFormat);
        ASSERT_EQ(colors.has_value(), !entries.empty()) << pixelFormat.flags << int(pixelFormat.colorBits);
        for (const auto& e : entries) EXPECT_EQ(entry(*colors, size_t(e[0])), e);
    }
}

}  // namespace
}  // namespace glowpond
