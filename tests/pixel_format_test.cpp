#include "render/pixel_format.h"

#include <gtest/gtest.h>

#include <array>

namespace glowpond {
namespace {

constexpr uint32_t kWindowGl = kPfdDrawToWindow | kPfdSupportOpenGl;

PixelFormatInfo format(uint32_t flags, uint8_t depthBits) {
    PixelFormatInfo f;
    f.flags = flags;
    f.colorBits = 24;
    f.depthBits = depthBits;
    return f;
}

const PixelFormatInfo kHardware = format(kWindowGl | kPfdDoubleBuffer, 24);

TEST(PixelFormat, theOfferedFormatIsUsedWhenAccelerationIsAllowed) {
    EXPECT_EQ(choosePixelFormatIndex(7, kHardware, {}, true), 7);
    EXPECT_EQ(choosePixelFormatIndex(0, kHardware, {kHardware}, true), 0);
    // An offered software format needs no search either way.
    const PixelFormatInfo software = format(kWindowGl | kPfdDoubleBuffer | kPfdGenericFormat, 16);
    EXPECT_EQ(choosePixelFormatIndex(3, software, {}, false), 3);
}

TEST(PixelFormat, withoutAccelerationTheDeepestSoftwareFormatIsChosen) {
    const uint32_t software = kWindowGl | kPfdDoubleBuffer | kPfdGenericFormat;
    const std::vector<PixelFormatInfo> formats = {
        kHardware,                                                           // 1: hardware
        format(software, 16),                                                // 2
        format(kWindowGl | kPfdGenericFormat, 32),                           // 3: single-buffered
        format(software | kPfdGenericAccelerated, 32),                       // 4: accelerated generic
        format(software, 24),                                                // 5: the deepest
        format(software, 24),                                                // 6: as deep, later
        format(kPfdSupportOpenGl | kPfdDoubleBuffer | kPfdGenericFormat, 32),  // 7: not for windows
    };
    EXPECT_EQ(choosePixelFormatIndex(1, kHardware, formats, false), 5);
    // A generic format that is accelerated counts as hardware too.
    EXPECT_EQ(choosePixelFormatIndex(4, formats[3], formats, false), 5);
}

TEST(PixelFormat, withoutAccelerationAndNoFitTheChoiceFails) {
    const uint32_t software = kWindowGl | kPfdDoubleBuffer | kPfdGenericFormat;
    const std::vector<PixelFormatInfo> formats = {kHardware, format(software, 8), format(software, 15),
                                                  format(kWindowGl | kPfdGenericFormat, 24)};
    EXPECT_EQ(choosePixelFormatIndex(1, kHardware, formats, false), 0);
    EXPECT_EQ(choosePixelFormatIndex(1, kHardware, {}, false), 0);
}

PixelFormatInfo paletteFormat(uint8_t redShift, uint8_t greenShift, uint8_t blueShift, uint8_t red = 3,
                              uint8_t green = 3, uint8_t blue = 2) {
    return {kWindowGl | kPfdDoubleBuffer | kPfdNeedPalette, 8, red, redShift, green, greenShift, blue, blueShift, 0};
}

// Entries as {index, red, green, blue}.
void expectEntries(const std::optional<Palette>& palette, std::initializer_list<std::array<int, 4>> entries) {
    ASSERT_TRUE(palette);
    for (const auto& e : entries) {
        const PaletteColor& c = (*palette)[size_t(e[0])];
        EXPECT_EQ((std::array<int, 3>{c.red, c.green, c.blue}), (std::array<int, 3>{e[1], e[2], e[3]})) << e[0];
    }
}

TEST(PixelFormat, theThreeThreeTwoPaletteKeepsTheSystemColours) {
    // Entry 3 is system red 0x80 where the ramps would give 0x6D; 100 is red 4, green 4, blue 1 of the ramps.
    expectEntries(paletteFor(paletteFormat(0, 3, 6)), {{0, 0, 0, 0}, {255, 0xFF, 0xFF, 0xFF}, {3, 0x80, 0, 0},
                                                         {91, 0x80, 0x80, 0x80}, {247, 0xFF, 0xFB, 0xF0},
                                                         {7, 0xFF, 0, 0}, {100, 0x92, 0x92, 0x55}});
}

TEST(PixelFormat, otherPaletteLayoutsGetTheRampsOnly) {
    // Blue in the low bits: a layout the system colours were not placed for.
    expectEntries(paletteFor(paletteFormat(5, 2, 0)), {{3, 0, 0, 0xFF}, {255, 0xFF, 0xFF, 0xFF}});
    // Component widths without a ramp give 0.
    expectEntries(paletteFor(paletteFormat(0, 4, 6, 4, 2, 2)), {{255, 0, 0xFF, 0xFF}});
}

TEST(PixelFormat, onlyAnEightBitFormatThatNeedsAPaletteGetsOne) {
    PixelFormatInfo trueColor = paletteFormat(0, 3, 6);
    trueColor.flags &= ~kPfdNeedPalette;
    EXPECT_FALSE(paletteFor(trueColor));
    PixelFormatInfo sixteen = paletteFormat(0, 5, 11, 5, 6, 5);
    sixteen.colorBits = 16;
    EXPECT_FALSE(paletteFor(sixteen));
}

}  // namespace
}  // namespace glowpond
