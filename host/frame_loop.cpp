#include "host/frame_loop.h"

#include "config/settings.h"
#include "host/scheduler.h"

namespace glowpond {

void runFrameLoop(ModelSlot* slots, int32_t count, const SaverSettings& settings, uint32_t seed,
                  AnimationView& view, LoopServices& services, LoopFlags& flags) {
    if (count < 1) return;
    Scheduler scheduler;
    scheduler.start(slots, count, settings, seed, services);
    while (flags.animating) {
        if (flags.resetClocks) {
            scheduler.restartClocks();
            flags.resetClocks = false;
        }
        const Scheduler::Step step = scheduler.step(services.nowMs(), view);
        if (step.kind == Scheduler::Step::Wait) {
            if (!settings.spareProcessor) {
                services.spinWait(step.waitMs);
            } else if (services.sleepWait(step.waitMs)) {
                // The message that woke the loop must go, or every later
                // sleep would end at once and the loop would spin.
                if (services.pumpMessage() == LoopServices::Pumped::Quit) flags.animating = false;
            }
        } else if (step.kind == Scheduler::Step::Turn) {
            // One message per model, active or not, so that input reaches
            // the window procedures however few models are moving.
            if (services.pumpMessage() == LoopServices::Pumped::Quit) flags.animating = false;
        }
    }
}

}  // namespace glowpond
