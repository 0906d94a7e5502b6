// The per-model loop of every front end. A frame gives each model in turn
// its chance: an active model is updated once its 50 ms step is due, a
// waiting one passes. The scheduler takes the frame one step at a time, so
// that each host waits in its own way between the steps: the Windows saver
// sleeps until the model is due or a message comes (or spins on the clock)
// and dispatches one message after each model's turn, the X11 program
// sleeps until the model is due, glowpond-trace moves a simulated clock.
//
//   scheduler.start(slots, count, settings, seed, clock);
//   for (;;) {
//       const Scheduler::Step step = scheduler.step(clock.nowMs(), renderer.view());
//       if (step.kind == Scheduler::Step::Wait) wait up to step.waitMs;
//       ...
//   }
#pragma once

#include <cstdint>

#include "engine/animation.h"
#include "engine/clock.h"

namespace glowpond {

struct SaverSettings;

class Scheduler {
public:
    struct Step {
        enum Kind {
            Turn,      // a model had its turn of the frame: it was updated, or it waits for its turn
            Wait,      // the model whose turn it is is due in waitMs: step again then (or sooner)
            FrameEnd,  // the frame is complete and shown; the next step begins a new one
        };
        Kind kind = Turn;
        int32_t waitMs = 0;
        bool updated = false;  // for Turn: the model moved
    };

    // Starts the animation of slots[0 .. count - 1] (set-up slots, borrowed
    // until the next start) with `clock` (borrowed too; see Animation::start).
    void start(ModelSlot* slots, int32_t count, const SaverSettings& settings, uint32_t seed, Clock& clock);

    int32_t modelCount() const { return animation_.modelCount(); }

    // The next step of the frame at clock reading `nowMs`: begins the frame
    // when none is under way, then gives the next model its turn when it
    // waits or is due (drawing on `view`), or says how long until it is due;
    // after the last model it ends the frame. Nothing happens without models.
    Step step(int32_t nowMs, AnimationView& view);

    // How long the next step would only wait at `nowMs`, touching nothing:
    // 0 when it would begin or end a frame, update a model or pass one.
    int32_t idleMs(int32_t nowMs) const;

    // Before the next update, every model's clock restarts, so that no model
    // jumps by the time the host was held up (a password dialog, say).
    void restartClocks() { restartPending_ = true; }

private:
    Animation animation_;
    Clock* clock_ = nullptr;
    int32_t next_ = 0;  // the model whose turn comes next in the frame
    bool inFrame_ = false;
    bool restartPending_ = false;
};

}  // namespace glowpond
