// The animation drawn with OpenGL on a window's current context.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/animation.h"
#include "render/gl_extensions.h"
#include "render/lava_draw.h"

namespace glowpond {

// glAddSwapHintRectWIN, with OpenGL's calling convention.
#if defined(_WIN32)
using SwapHintFunction = void(__stdcall*)(int32_t x, int32_t y, int32_t width, int32_t height);
#else
using SwapHintFunction = void (*)(int32_t x, int32_t y, int32_t width, int32_t height);
#endif

// The swap-hint entry point of the current context, found through
// `procAddress` (the system's lookup of extension functions); null when the
// context does not have "GL_WIN_swap_hint".
SwapHintFunction findSwapHint(ProcLookup procAddress);

// Draws the animation's frames with the current OpenGL context, whose
// projection fills a client area of `size`. `swapHint` (may be null) marks
// the changed squares; `present` (may be empty) shows each finished frame.
// `lookup` (may be null) finds the context's entry points, for drawing
// through buffer objects where there are any.
class GlAnimationView : public AnimationView {
public:
    GlAnimationView(ClientSize size, SwapHintFunction swapHint, std::function<void()> present,
                    ProcLookup lookup = nullptr);

    // The client area has a new size (the projection must follow).
    void resize(ClientSize size);
    void setSwapHint(SwapHintFunction swapHint) { swapHint_ = swapHint; }

    void beginFrame() override;
    void clearRect(const ScissorRect& rect) override;
    void setSolidMode(bool solid, bool backCull, bool twoSided) override;
    void drawSlot(const ModelSlot& slot, float scale, ScissorRect& rect) override;
    void addSwapHints(const ScissorRect& current, const ScissorRect& previous) override;
    void endFrame() override;

private:
    // The scissor geometry for `scale`, reading the projection only when the
    // scale or the size has changed since the last draw.
    const ScissorGeometry& geometryFor(float scale);

    ClientSize size_;
    SwapHintFunction swapHint_;
    std::function<void()> present_;
    ScissorGeometry geometry_;
    bool geometryValid_ = false;
    MeshDrawer drawer_;
};

}  // namespace glowpond
