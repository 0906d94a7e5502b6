#include "saver/frame_loop.h"

namespace glowpond {

void runFrameLoop(ModelSlot* slots, int32_t count, const SaverSettings& settings, uint32_t seed,
                  AnimationView& view, LoopServices& services, LoopFlags& flags) {
    if (count < 1) return;
    Animation animation;
    animation.start(slots, count, settings, seed, services.clockMs());
    while (flags.animating) {
        animation.beginFrame(view);
        for (int32_t j = 0; j < count; ++j) {
            if (animation.isActive(j)) {
                if (flags.resetClocks) {
                    animation.restartClocks(services.clockMs());
                    flags.resetClocks = false;
                }
                int32_t now = services.clockMs();
                while (const int32_t wait = animation.msUntilDue(j, now)) {
                    services.spinWait(wait);
                    now = services.clockMs();
                }
                animation.update(j, now, view);
            }
            // One message per model, active or not, so that input reaches
            // the window procedures however few models are moving.
            if (services.pumpMessage() == LoopServices::Pumped::Quit) flags.animating = false;
            if (!flags.animating) return;
        }
        animation.endFrame(view);
    }
}

}  // namespace glowpond
