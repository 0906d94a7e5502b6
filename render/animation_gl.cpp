#include "render/animation_gl.h"

#include <utility>

#include "render/gl.h"
#include "render/lava_draw.h"

namespace glowpond {

SwapHintFunction findSwapHint(ProcLookup procAddress) {
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!hasExtension(extensions, "GL_WIN_swap_hint")) return nullptr;
    return reinterpret_cast<SwapHintFunction>(procAddress("glAddSwapHintRectWIN"));
}

GlAnimationView::GlAnimationView(ClientSize size, SwapHintFunction swapHint, std::function<void()> present,
                                 ProcLookup lookup)
    : size_(size), swapHint_(swapHint), present_(std::move(present)), drawer_(lookup) {}

void GlAnimationView::resize(ClientSize size) {
    size_ = size;
    geometryValid_ = false;
}

const ScissorGeometry& GlAnimationView::geometryFor(float scale) {
    if (!geometryValid_ || geometry_.scale != scale) {
        geometry_ = scissorGeometry(size_, orthoExtents(), scale);
        geometryValid_ = true;
    }
    return geometry_;
}

void GlAnimationView::beginFrame() { glEnable(GL_SCISSOR_TEST); }

void GlAnimationView::clearRect(const ScissorRect& rect) {
    glScissor(rect.x, rect.y, rect.width, rect.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GlAnimationView::setSolidMode(bool solid, bool backCull, bool twoSided) {
    if (solid) {
        glEnable(GL_DEPTH_TEST);
        if (backCull) {
            glEnable(GL_CULL_FACE);
        } else {
            glDisable(GL_CULL_FACE);
        }
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, twoSided ? 1 : 0);
    } else {
        // A blob is convex: culling alone hides its far side.
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
    }
}

void GlAnimationView::drawSlot(const ModelSlot& slot, float scale, ScissorRect& rect) {
    drawer_.drawSlot(slot, geometryFor(scale), &rect);
}

void GlAnimationView::addSwapHints(const ScissorRect& current, const ScissorRect& previous) {
    if (!swapHint_) return;
    swapHint_(current.x, current.y, current.width, current.height);
    swapHint_(previous.x, previous.y, previous.width, previous.height);
}

void GlAnimationView::endFrame() {
    if (present_) present_();
}

}  // namespace glowpond
