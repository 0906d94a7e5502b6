#include <gtest/gtest.h>

#include "saver/modes.h"

namespace glowpond {
namespace {

TEST(SaverModes, switchesAreFoundAnywhereAndPreviewBeatsPasswordBeatsFullScreen) {
    using M = SaverMode;
    const std::pair<const char*, SaverMode> cases[] = {
        {"/s", M::FullScreen},        {"/S", M::FullScreen},     {"-s", M::FullScreen},    {"/x /s", M::FullScreen},
        {"/s /a", M::ChangePassword}, {"-A 1234", M::ChangePassword}, {"/s /p", M::Preview}, {"/l 99", M::Preview},
        {"/a -P 5", M::Preview}};
    for (auto [line, mode] : cases) EXPECT_EQ(pickMode(line), mode) << line;
}

TEST(SaverModes, anythingElseOpensTheSettings) {
    for (const char* line : {"", "/c", "/c:1234", "-C", "s", "x/y"}) EXPECT_EQ(pickMode(line), SaverMode::Settings) << line;
    EXPECT_EQ(pickMode(nullptr), SaverMode::Settings);
}

TEST(SaverModes, theHandleAfterTheFirstBlankReadsLikeScanfI) {
    auto handle = [](const char* line) { return windowHandleArgument(line); };
    EXPECT_EQ(handle("/p 1234"), reinterpret_cast<WindowHandle>(1234));
    EXPECT_EQ(handle("/p 0x1F"), reinterpret_cast<WindowHandle>(0x1F));
    EXPECT_EQ(handle("/p 017"), reinterpret_cast<WindowHandle>(15));
    EXPECT_EQ(handle("/p    42 junk"), reinterpret_cast<WindowHandle>(42));
    // The system sign-extends 32-bit handles.
    EXPECT_EQ(handle("/p -2"), reinterpret_cast<WindowHandle>(static_cast<intptr_t>(-2)));
    EXPECT_FALSE(handle("/p"));
    EXPECT_FALSE(handle("/p:1234"));
    EXPECT_FALSE(handle("/p window"));
    EXPECT_FALSE(handle("/p "));
}

TEST(SaverModes, onlyAJumpOfMoreThanTenPixelsCounts) {
    EXPECT_TRUE(movedPastThreshold({100, 100}, {106, 105}));
    EXPECT_FALSE(movedPastThreshold({100, 100}, {105, 105}));
    EXPECT_FALSE(movedPastThreshold({100, 100}, {90, 100}));
    EXPECT_TRUE(movedPastThreshold({100, 100}, {89, 100}));
    EXPECT_TRUE(movedPastThreshold({0, 0}, {0, -11}));
}

}  // namespace
}  // namespace glowpond
