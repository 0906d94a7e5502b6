#include "saver/modes.h"

#include <gtest/gtest.h>

namespace glowpond {

TEST(SaverModes, previewBeatsPasswordChangeBeatsFullScreenAndAnythingElseIsTheSettings) {
    using M = SaverMode;
    const std::pair<const char*, SaverMode> cases[] = {
        {"/s", M::FullScreen}, {"-S", M::FullScreen}, {"/x /s", M::FullScreen}, {"/s /a", M::ChangePassword},
        {"-A 1", M::ChangePassword}, {"/s /p", M::Preview}, {"/l 99", M::Preview}, {"/a -P 5", M::Preview},
        {nullptr, M::Settings}, {"", M::Settings}, {"/c:1234", M::Settings}, {"s", M::Settings}};
    for (auto [line, mode] : cases) EXPECT_EQ(pickMode(line), mode) << (line ? line : "null");
}

TEST(SaverModes, theHandleAfterTheFirstBlankReadsLikeScanfI) {
    const std::pair<const char*, std::optional<intptr_t>> cases[] = {
        // The system sign-extends 32-bit handles.
        {"/p 1234", 1234}, {"/p 0x1F", 0x1F}, {"/p 017", 15}, {"/p    42 junk", 42}, {"/p +8", 8}, {"/p -2", -2},
        {"/p 4294967295", -1}, {"/p 0x80000000", INT32_MIN}, {"/p 99999999999999999999999", -1},
        {"/p", std::nullopt}, {"/p:1234", std::nullopt}, {"/p window", std::nullopt}, {"/p ", std::nullopt}};
    for (auto [line, value] : cases) {
        const auto handle = windowHandleArgument(line);
        EXPECT_EQ(handle ? std::optional(reinterpret_cast<intptr_t>(*handle)) : std::nullopt, value) << line;
    }
}

TEST(SaverModes, onlyAJumpOfMoreThanTenPixelsCounts) {
    const std::pair<ScreenPoint, bool> cases[] = {
        {{106, 105}, true}, {{105, 105}, false}, {{90, 100}, false}, {{89, 100}, true}, {{100, 111}, true}};
    for (auto [now, moved] : cases) EXPECT_EQ(movedPastThreshold({100, 100}, now), moved) << now.x << "," << now.y;
}

}  // namespace glowpond
