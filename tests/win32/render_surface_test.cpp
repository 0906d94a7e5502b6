// The OpenGL surface on a real window. Needs a display: under Wine without
// one no window can be created, and the tests skip.
#include <windows.h>

#include <gtest/gtest.h>

#include "render/gl.h"
#include "render/pixel_format.h"
#include "render/render_surface.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using testing::recordingPlatform;

class Window {
public:
    Window() {
        handle = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    ~Window() {
        if (handle) DestroyWindow(handle);
    }
    HWND handle;
};

TEST(RenderSurface, aWindowGetsAContextWithTheFixedState) {
    Window window;
    if (!window.handle) GTEST_SKIP() << "no display";
    RenderSurface surface;
    ASSERT_TRUE(createRenderSurface(surface, window.handle, 1));
    EXPECT_NE(surface.deviceContext, nullptr);
    EXPECT_NE(surface.glContext, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), static_cast<HGLRC>(surface.glContext));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 240);
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(recordingPlatform().messages.empty());

    releaseRenderSurface(surface, window.handle);
    EXPECT_EQ(surface.glContext, nullptr);
    EXPECT_EQ(surface.deviceContext, nullptr);
    EXPECT_EQ(surface.palette, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST(RenderSurface, withoutAccelerationOnlyASoftwareFormatWillDo) {
    Window window;
    if (!window.handle) GTEST_SKIP() << "no display";
    RenderSurface surface;
    if (createRenderSurface(surface, window.handle, 0)) {
        PIXELFORMATDESCRIPTOR format{};
        HDC device = static_cast<HDC>(surface.deviceContext);
        DescribePixelFormat(device, GetPixelFormat(device), sizeof format, &format);
        EXPECT_TRUE(format.dwFlags & PFD_GENERIC_FORMAT);
        EXPECT_FALSE(format.dwFlags & PFD_GENERIC_ACCELERATED);
        releaseRenderSurface(surface, window.handle);
    } else {
        // Systems without generic formats (Wine offers none) refuse, and say so.
        ASSERT_EQ(recordingPlatform().messages.size(), 1u);
        EXPECT_EQ(recordingPlatform().messages[0].text, kPixelFormatError);
        EXPECT_EQ(recordingPlatform().messages[0].caption, "Error");
        EXPECT_EQ(surface.deviceContext, nullptr);  // released again
        EXPECT_EQ(surface.glContext, nullptr);
    }
}

TEST(RenderSurface, noWindowNoSurface) {
    Window window;
    if (!window.handle) GTEST_SKIP() << "no display";
    HWND gone = window.handle;
    DestroyWindow(window.handle);
    window.handle = nullptr;
    RenderSurface surface;
    EXPECT_FALSE(createRenderSurface(surface, gone, 1));
    EXPECT_EQ(surface.deviceContext, nullptr);
}

}  // namespace
}  // namespace glowpond
