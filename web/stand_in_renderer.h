// STAND-IN RENDERER, to be replaced by the WebGL 2 renderer of the ES
// rendering layer: it draws no meshes, only fills each model's square with
// the blob's colour (the lava glow while it flies) by a scissored clear, so
// that the page, its controls and its tests run before the real renderer
// lands. Needs a current WebGL 2 context.
#pragma once

#include "engine/renderer.h"

namespace glowpond {

class StandInRenderer final : public Renderer, private AnimationView {
public:
    void setUpSurface(ClientSize size, int32_t lightHeight) override;
    void resize(ClientSize size) override;
    void clearSurface(int32_t times) override;
    AnimationView& view() override { return *this; }

private:
    void beginFrame() override;
    void clearRect(const ScissorRect& rect) override;
    void setSolidMode(bool, bool, bool) override {}
    void drawSlot(const ModelSlot& slot, float scale, ScissorRect& rect) override;
    void addSwapHints(const ScissorRect&, const ScissorRect&) override {}
    void endFrame() override {}

    ClientSize size_;
};

}  // namespace glowpond
