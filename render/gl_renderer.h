// The renderer of every program: OpenGL 1.1 on the current context.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/renderer.h"
#include "render/animation_gl.h"

namespace glowpond {

class GlRenderer final : public Renderer {
public:
    // `present` (may be empty) shows a finished frame; on a palette display
    // colours are dithered. `lookup` (may be null) finds the context's entry
    // points, so that drawing can use buffer objects where they exist.
    explicit GlRenderer(std::function<void()> present, bool paletteDisplay = false, ProcLookup lookup = nullptr);

    // Marks the changed squares of each frame from now on (may be null).
    void setSwapHint(SwapHintFunction swapHint) { view_.setSwapHint(swapHint); }

    // The fixed state of render/fixed_state.h for `size`, the light, and
    // the identity as the model-view matrix.
    void setUpSurface(ClientSize size, int32_t lightHeight) override;
    void resize(ClientSize size) override;
    void clearSurface(int32_t times) override;
    GlAnimationView& view() override { return view_; }

private:
    std::function<void()> present_;
    bool paletteDisplay_;
    GlAnimationView view_;
};

}  // namespace glowpond
