#include "web/stand_in_renderer.h"

#include <GLES3/gl3.h>

#include "engine/model_slot.h"

namespace glowpond {

void StandInRenderer::setUpSurface(ClientSize size, int32_t) { resize(size); }

void StandInRenderer::resize(ClientSize size) {
    size_ = size;
    glViewport(0, 0, size.width, size.height);
}

void StandInRenderer::clearSurface(int32_t) {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void StandInRenderer::beginFrame() { glEnable(GL_SCISSOR_TEST); }

void StandInRenderer::clearRect(const ScissorRect& rect) {
    glScissor(rect.x, rect.y, rect.width, rect.height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void StandInRenderer::drawSlot(const ModelSlot& slot, float scale, ScissorRect& rect) {
    if (!slot.blob || slot.blob->parts.empty()) return;
    const float aspect = float(size_.width) / float(size_.height > 0 ? size_.height : 1);
    const ScissorGeometry geometry = scissorGeometry(size_, {-aspect, aspect, -1.0f, 1.0f}, scale);
    rect = scissorSquare(geometry, slot.position[0], slot.position[1]);
    // The middle third of the square, so that the frames' clears of the old
    // squares leave no trail.
    const Vec3f colour = slot.blob->visible ? slot.blob->parts[0].color : slot.modelColor;
    glScissor(rect.x + rect.width / 3, rect.y + rect.height / 3, rect.width / 3, rect.height / 3);
    glClearColor(colour[0], colour[1], colour[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace glowpond
