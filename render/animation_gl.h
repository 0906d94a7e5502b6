// The frame loop on an OpenGL window (library glowpond_gl).
#pragma once

#include <cstdint>

#include "engine/animation.h"
#include "platform/platform.h"

namespace glowpond {

// glAddSwapHintRectWIN, with OpenGL's calling convention.
#if defined(_WIN32)
using SwapHintFunction = void(__stdcall*)(int32_t x, int32_t y, int32_t width, int32_t height);
#else
using SwapHintFunction = void (*)(int32_t x, int32_t y, int32_t width, int32_t height);
#endif

// The swap-hint entry point of the current context, looked up on the first
// call of runAnimation in the process; null when the context does not have
// "GL_WIN_swap_hint".
extern SwapHintFunction addSwapHintRect;

// True when the space-separated extension list names `extension` exactly.
bool hasExtension(const char* extensions, const char* extension);

// Draws the loop's frames with the current OpenGL context on `window`,
// shows them with the platform's buffer swap on `deviceContext`.
class GlAnimationView : public AnimationView {
public:
    GlAnimationView(WindowHandle window, DeviceHandle deviceContext)
        : window_(window), deviceContext_(deviceContext) {}

    void beginFrame() override;
    void clearRect(const ScissorRect& rect) override;
    void setSolidMode(bool solid, bool backCull, bool twoSided) override;
    void drawSlot(ModelSlot& slot, int32_t t, bool spinning, int32_t period, float scale,
                  ScissorRect& rect) override;
    void addSwapHints(const ScissorRect& current, const ScissorRect& previous) override;
    void endFrame() override;

private:
    WindowHandle window_;
    DeviceHandle deviceContext_;
};

// The saver's frame loop: runs runAnimationLoop over slots[0 .. modelCount
// - 1] with savedSettings() on the window's current OpenGL context until
// `animating` is cleared. The caller sets `animating` to 1 first.
void runAnimation(WindowHandle window, DeviceHandle deviceContext, ModelSlot* slots, int32_t modelCount);

}  // namespace glowpond
