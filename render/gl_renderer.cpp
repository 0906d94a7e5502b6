#include "render/gl_renderer.h"

#include <utility>

#include "render/gl.h"
#include "render/fixed_state.h"

namespace glowpond {

GlRenderer::GlRenderer(std::function<void()> present, bool paletteDisplay, ProcLookup lookup)
    : present_(std::move(present)), paletteDisplay_(paletteDisplay), view_({1, 1}, nullptr, present_, lookup) {}

void GlRenderer::setUpSurface(ClientSize size, int32_t lightHeight) {
    setupFixedState(size.width, size.height, paletteDisplay_);
    setLightHeight(lightHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    view_.resize(size);
}

void GlRenderer::resize(ClientSize size) {
    setProjection(size.width, size.height);
    glMatrixMode(GL_MODELVIEW);
    view_.resize(size);
}

void GlRenderer::clearSurface(int32_t times) {
    glDisable(GL_SCISSOR_TEST);
    for (int32_t i = 0; i < times; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (present_) present_();
    }
    glEnable(GL_SCISSOR_TEST);
}

}  // namespace glowpond
