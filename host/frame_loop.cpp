#include "host/frame_loop.h"

#include <algorithm>
#include <limits>

#include "config/settings.h"
#include "host/scheduler.h"

namespace glowpond {

void runFrameLoop(ModelSlot* slots, int32_t count, const SaverSettings& settings, uint32_t seed,
                  AnimationView& view, LoopServices& services, LoopFlags& flags) {
    runFrameLoops({{slots, count, seed, &view, {}}}, settings, services, flags);
}

void runFrameLoops(const std::vector<LoopScreen>& screens, const SaverSettings& settings, LoopServices& services,
                   LoopFlags& flags) {
    std::vector<Scheduler> schedulers(screens.size());
    std::vector<size_t> running;
    size_t selected = screens.size();
    auto select = [&](size_t i) {
        if (selected == i) return;
        selected = i;
        if (screens[i].select) screens[i].select();
    };
    for (size_t i = 0; i < screens.size(); ++i) {
        if (screens[i].count < 1) continue;
        select(i);
        schedulers[i].start(screens[i].slots, screens[i].count, settings, screens[i].seed, services);
        running.push_back(i);
    }
    if (running.empty()) return;
    while (flags.animating) {
        int32_t wait = std::numeric_limits<int32_t>::max();
        bool allWait = true;
        for (size_t i : running) {
            if (flags.resetClocks) {
                for (size_t r : running) schedulers[r].restartClocks();
                flags.resetClocks = false;
            }
            // A screen that would only wait is not made current for it:
            // switching contexts on every turn of the wait costs.
            if (const int32_t idle = schedulers[i].idleMs(services.nowMs())) {
                wait = std::min(wait, idle);
                continue;
            }
            select(i);
            const Scheduler::Step step = schedulers[i].step(services.nowMs(), *screens[i].view);
            if (step.kind == Scheduler::Step::Wait) {
                wait = std::min(wait, step.waitMs);
                continue;
            }
            allWait = false;
            // One message per model, active or not, so that input reaches
            // the window procedures however few models are moving.
            if (step.kind == Scheduler::Step::Turn && services.pumpMessage() == LoopServices::Pumped::Quit) {
                flags.animating = false;
            }
            if (!flags.animating) return;
        }
        if (!allWait) continue;
        if (!settings.spareProcessor) {
            services.spinWait(wait);
        } else if (services.sleepWait(wait)) {
            // The message that woke the loop must go, or every later
            // sleep would end at once and the loop would spin.
            if (services.pumpMessage() == LoopServices::Pumped::Quit) flags.animating = false;
        }
    }
}

}  // namespace glowpond
