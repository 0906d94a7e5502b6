// The WGL and GDI surface (Windows build only).
#include <windows.h>

#include <string>
#include <vector>

#include "saver/wgl_surface.h"

#include "render/fixed_state.h"
#include "saver/pixel_format.h"
#include "render/gl.h"
#include "render/gl_extensions.h"

namespace glowpond {
namespace {

HDC dc(DeviceHandle handle) { return static_cast<HDC>(handle); }

PixelFormatInfo infoOf(const PIXELFORMATDESCRIPTOR& d) {
    PixelFormatInfo info;
    info.flags = d.dwFlags;
    info.colorBits = d.cColorBits;
    info.redBits = d.cRedBits;
    info.redShift = d.cRedShift;
    info.greenBits = d.cGreenBits;
    info.greenShift = d.cGreenShift;
    info.blueBits = d.cBlueBits;
    info.blueShift = d.cBlueShift;
    info.depthBits = d.cDepthBits;
    return info;
}

// Describes format `index`; the result's second half is the number of
// formats the device context has (0 when the description failed).
std::pair<PixelFormatInfo, int> describe(HDC deviceContext, int index) {
    PIXELFORMATDESCRIPTOR d{};
    int count = DescribePixelFormat(deviceContext, index, sizeof d, &d);
    return {infoOf(d), count};
}

template <typename Function>
Function wglEntry(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

// Asks the current context for a swap interval of 1 where its driver offers
// one, so that each frame reaches the screen whole, between two refreshes.
// Older drivers name WGL extensions among the OpenGL ones.
void askForWholeFrames(HDC deviceContext) {
    using ExtensionsArb = const char*(WINAPI*)(HDC);
    using ExtensionsExt = const char*(WINAPI*)();
    using SwapInterval = BOOL(WINAPI*)(int);
    const char* gl = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    std::string extensions = gl ? gl : "";
    const char* wgl = nullptr;
    if (auto arb = wglEntry<ExtensionsArb>("wglGetExtensionsStringARB")) {
        wgl = arb(deviceContext);
    } else if (auto ext = wglEntry<ExtensionsExt>("wglGetExtensionsStringEXT")) {
        wgl = ext();
    }
    if (wgl) extensions += std::string(" ") + wgl;
    if (swapControlFor(extensions.c_str()) != SwapControl::WglExt) return;
    if (auto set = wglEntry<SwapInterval>("wglSwapIntervalEXT")) set(1);
}

}  // namespace

void* makePalette(DeviceHandle deviceContext) {
    const int current = GetPixelFormat(dc(deviceContext));
    if (current <= 0) return nullptr;
    const std::optional<Palette> colors = paletteFor(describe(dc(deviceContext), current).first);
    if (!colors) return nullptr;

    // LOGPALETTE ends in a one-entry array: room for all 256 follows it.
    std::vector<unsigned char> storage(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = 256;
    for (size_t i = 0; i < colors->size(); ++i) {
        const PaletteColor& c = (*colors)[i];
        logical->palPalEntry[i] = {c.red, c.green, c.blue, 0};
    }
    return CreatePalette(logical);
}

int32_t choosePixelFormat(RenderSurface& surface, DeviceHandle deviceContext, int32_t allowAcceleration) {
    PIXELFORMATDESCRIPTOR request{};
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = kRequestedFormatFlags;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = kRequestedColorBits;
    request.cDepthBits = kRequestedDepthBits;
    request.iLayerType = PFD_MAIN_PLANE;

    HDC device = dc(deviceContext);
    const int offered = ChoosePixelFormat(device, &request);
    if (offered == 0) return 0;
    const auto [offeredInfo, count] = describe(device, offered);
    std::vector<PixelFormatInfo> formats;
    if (!allowAcceleration && isAccelerated(offeredInfo)) {
        for (int i = 1; i <= count; ++i) formats.push_back(describe(device, i).first);
    }
    const int32_t chosen = choosePixelFormatIndex(offered, offeredInfo, formats, allowAcceleration != 0);
    if (chosen == 0) return 0;

    PIXELFORMATDESCRIPTOR chosenDescription{};
    DescribePixelFormat(device, chosen, sizeof chosenDescription, &chosenDescription);
    if (!SetPixelFormat(device, chosen, &chosenDescription)) return 0;
    if (chosenDescription.dwFlags & PFD_NEED_PALETTE) {
        HPALETTE palette = static_cast<HPALETTE>(makePalette(deviceContext));
        if (!palette) return 0;
        surface.previousPalette = SelectPalette(device, palette, FALSE);
        RealizePalette(device);
        surface.palette = palette;
    }
    return chosen;
}

bool setupOpenGL(RenderSurface& surface, WindowHandle window, DeviceHandle deviceContext, int32_t allowAcceleration,
                 SystemServices& platform) {
    if (choosePixelFormat(surface, deviceContext, allowAcceleration) == 0) {
        platform.messageBox(nullptr, kPixelFormatError, kSurfaceErrorCaption);
        return false;
    }
    HGLRC context = wglCreateContext(dc(deviceContext));
    if (!context) return false;
    if (!wglMakeCurrent(dc(deviceContext), context)) {
        wglDeleteContext(context);
        platform.messageBox(nullptr, kMakeCurrentError, kSurfaceErrorCaption);
        return false;
    }
    surface.glContext = context;
    askForWholeFrames(dc(deviceContext));
    RECT client{};
    GetClientRect(static_cast<HWND>(window), &client);
    setupFixedState(client.right, client.bottom, GetDeviceCaps(dc(deviceContext), NUMCOLORS) != -1);
    return true;
}

bool createRenderSurface(RenderSurface& surface, WindowHandle window, int32_t allowAcceleration,
                         SystemServices& platform) {
    HDC device = GetDC(static_cast<HWND>(window));
    if (!device) return false;
    surface.deviceContext = device;
    if (setupOpenGL(surface, window, device, allowAcceleration, platform)) return true;
    releaseRenderSurface(surface, window);
    return false;
}

void releaseRenderSurface(RenderSurface& surface, WindowHandle window) {
    if (surface.glContext) {
        // Deleting the current context also makes it not current.
        wglDeleteContext(static_cast<HGLRC>(surface.glContext));
        surface.glContext = nullptr;
    }
    if (surface.palette) {
        SelectPalette(dc(surface.deviceContext), static_cast<HPALETTE>(surface.previousPalette), TRUE);
        DeleteObject(static_cast<HPALETTE>(surface.palette));
        surface.palette = nullptr;
        surface.previousPalette = nullptr;
    }
    if (surface.deviceContext) {
        ReleaseDC(static_cast<HWND>(window), dc(surface.deviceContext));
        surface.deviceContext = nullptr;
    }
}

}  // namespace glowpond
