// The OpenGL surface on a real window. Needs a display: under Wine without
// one no window can be created, and the test skips.
#include <windows.h>

#include <gtest/gtest.h>

#include "render/gl.h"
#include "render/render_surface.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

TEST(RenderSurface, aWindowGetsACurrentContextAndAFailureReleasesWhatItMadeAndSaysWhy) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr);
    if (!window) GTEST_SKIP() << "no display";
    testing::RecordingPlatform platform;
    RenderSurface surface;
    auto released = [&] { return !surface.glContext && !surface.deviceContext && !surface.palette; };
    ASSERT_TRUE(createRenderSurface(surface, window, 1, platform));
    EXPECT_TRUE(wglGetCurrentContext() == surface.glContext && glIsEnabled(GL_COLOR_MATERIAL));
    releaseRenderSurface(surface, window);
    EXPECT_TRUE(released() && !wglGetCurrentContext() && platform.messages.empty());
    // Without acceleration only a software format will do; systems without one (Wine has none) say so.
    if (!createRenderSurface(surface, window, 0, platform)) {
        EXPECT_EQ(platform.messages, "Error: Unable to create pixelformatdescriptor.\n");
        EXPECT_TRUE(released());
    }
    releaseRenderSurface(surface, window);
    DestroyWindow(window);  // no window, no surface
    EXPECT_FALSE(createRenderSurface(surface, window, 1, platform));
    EXPECT_TRUE(released());
}

}  // namespace
}  // namespace glowpond
