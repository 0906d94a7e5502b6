#include "render/animation_gl.h"

#include <cstring>

#include "config/settings.h"
#include "render/gl.h"
#include "render/lava_draw.h"

namespace glowpond {

SwapHintFunction addSwapHintRect = nullptr;

namespace {

void lookUpSwapHintOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (hasExtension(extensions, "GL_WIN_swap_hint")) {
        addSwapHintRect = reinterpret_cast<SwapHintFunction>(platform().glProcAddress("glAddSwapHintRectWIN"));
    }
}

}  // namespace

bool hasExtension(const char* extensions, const char* extension) {
    if (!extensions || !extension || !*extension) return false;
    const size_t length = std::strlen(extension);
    for (const char* at = extensions; (at = std::strstr(at, extension)) != nullptr; at += length) {
        const bool starts = at == extensions || at[-1] == ' ';
        const bool ends = at[length] == ' ' || at[length] == '\0';
        if (starts && ends) return true;
    }
    return false;
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

void GlAnimationView::drawSlot(ModelSlot& slot, int32_t t, bool spinning, int32_t period, float scale,
                               ScissorRect& rect) {
    glowpond::drawSlot(slot, window_, t, spinning, period, scale, &rect);
}

void GlAnimationView::addSwapHints(const ScissorRect& current, const ScissorRect& previous) {
    if (!addSwapHintRect) return;
    addSwapHintRect(current.x, current.y, current.width, current.height);
    addSwapHintRect(previous.x, previous.y, previous.width, previous.height);
}

void GlAnimationView::endFrame() { platform().swapBuffers(deviceContext_); }

void runAnimation(WindowHandle window, DeviceHandle deviceContext, ModelSlot* slots, int32_t modelCount) {
    lookUpSwapHintOnce();
    GlAnimationView view(window, deviceContext);
    runAnimationLoop(view, slots, modelCount, savedSettings());
}

}  // namespace glowpond
