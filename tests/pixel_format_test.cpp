#include "engine/pixel_format.h"

#include <gtest/gtest.h>

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

PixelFormatInfo paletteFormat(uint8_t red, uint8_t redShift, uint8_t green, uint8_t greenShift, uint8_t blue,
                              uint8_t blueShift) {
    PixelFormatInfo f;
    f.flags = kWindowGl | kPfdDoubleBuffer | kPfdNeedPalette;
    f.colorBits = 8;
    f.redBits = red;
    f.redShift = redShift;
    f.greenBits = green;
    f.greenShift = greenShift;
    f.blueBits = blue;
    f.blueShift = blueShift;
    return f;
}

void expectColor(const PaletteColor& c, int red, int green, int blue) {
    EXPECT_EQ(c.red, red);
    EXPECT_EQ(c.green, green);
    EXPECT_EQ(c.blue, blue);
}

TEST(PixelFormat, theThreeThreeTwoPaletteKeepsTheSystemColours) {
    const std::optional<Palette> palette = paletteFor(paletteFormat(3, 0, 3, 3, 2, 6));
    ASSERT_TRUE(palette);
    expectColor((*palette)[0], 0, 0, 0);
    expectColor((*palette)[255], 0xFF, 0xFF, 0xFF);
    expectColor((*palette)[3], 0x80, 0x00, 0x00);     // the ramps would give 0x6D, 0, 0
    expectColor((*palette)[91], 0x80, 0x80, 0x80);
    expectColor((*palette)[247], 0xFF, 0xFB, 0xF0);
    expectColor((*palette)[7], 0xFF, 0x00, 0x00);
    expectColor((*palette)[100], 0x92, 0x92, 0x55);  // red 4, green 4, blue 1
}

TEST(PixelFormat, otherPaletteLayoutsGetTheRampsOnly) {
    // Blue in the low bits: a layout the system colours were not placed for.
    const std::optional<Palette> palette = paletteFor(paletteFormat(3, 5, 3, 2, 2, 0));
    ASSERT_TRUE(palette);
    expectColor((*palette)[3], 0x00, 0x00, 0xFF);
    expectColor((*palette)[255], 0xFF, 0xFF, 0xFF);
    // Component widths without a ramp give 0.
    const std::optional<Palette> wide = paletteFor(paletteFormat(4, 0, 2, 4, 2, 6));
    ASSERT_TRUE(wide);
    expectColor((*wide)[255], 0x00, 0xFF, 0xFF);
}

TEST(PixelFormat, onlyAnEightBitFormatThatNeedsAPaletteGetsOne) {
    PixelFormatInfo trueColor = paletteFormat(3, 0, 3, 3, 2, 6);
    trueColor.flags &= ~kPfdNeedPalette;
    EXPECT_FALSE(paletteFor(trueColor));
    PixelFormatInfo sixteen = paletteFormat(5, 0, 6, 5, 5, 11);
    sixteen.colorBits = 16;
    EXPECT_FALSE(paletteFor(sixteen));
}

}  // namespace
}  // namespace glowpond
