// The frame loop of a host that runs inside its window system's dispatch of
// the start command, as the Windows saver does: it pumps the thread's
// messages itself, one after each model's turn, so that the window
// procedures run inside it and talk back through LoopFlags.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/animation.h"
#include "engine/clock.h"

namespace glowpond {

// What the loop needs of the thread it runs on.
class LoopServices : public Clock {
public:
    enum class Pumped {
        Nothing,
        Message,  // a message was removed, translated and dispatched
        Quit,     // the message was WM_QUIT (dispatched like any other)
    };

    // One turn of the busy wait for a model's step, `remainingMs` before it
    // is due. The system's clock moves by itself; a simulated one moves on.
    virtual void spinWait(int32_t remainingMs) = 0;
    // Sleeps until `remainingMs` have passed or a message arrives for the
    // thread, whichever comes first. True when a message waits in the queue
    // (left there): then the sleep ends at once however often it is begun.
    virtual bool sleepWait(int32_t remainingMs) = 0;
    // Removes at most one waiting message of the thread's queue (for any
    // window), translates and dispatches it.
    virtual Pumped pumpMessage() = 0;
};

// Shared with the window procedures, which run inside the loop's dispatch.
struct LoopFlags {
    bool animating = false;    // the loop runs while set; a close clears it
    bool resetClocks = false;  // a close was refused: restart every model's clock
};

// Runs the animation of slots[0 .. count - 1] on `view` until
// flags.animating is cleared, by a dispatched message or by a WM_QUIT that
// the loop itself removes. Seeds the animation with `seed`. Per frame, for
// each model in order: if it is active, waits for its step and updates it;
// then dispatches at most one message, and returns at once, touching no
// slot, when that ended the run (the close may have destroyed the slots).
// The wait is a busy one when settings.spareProcessor is 0; otherwise the
// loop sleeps, and a message that ends the sleep early is dispatched then,
// as one of its own, before the model's turn. Returns at once when count is
// below 1.
void runFrameLoop(ModelSlot* slots, int32_t count, const SaverSettings& settings, uint32_t seed,
                  AnimationView& view, LoopServices& services, LoopFlags& flags);

// One window's animation among several that one loop drives (lava on every
// monitor): its own slots, seed and view.
struct LoopScreen {
    ModelSlot* slots = nullptr;
    int32_t count = 0;
    uint32_t seed = 0;
    AnimationView* view = nullptr;
    // Makes the screen's surface the one drawn on; called before its steps
    // whenever another screen stepped last. May be empty.
    std::function<void()> select;
};

// runFrameLoop over several screens on one thread: the screens take their
// steps in turn, each as the single loop would, and the loop waits only
// when every screen waits, for the earliest. A message is dispatched after
// each model's turn on any screen, and the loop returns at once, touching
// no slot of any screen, when that ended the run. With one screen it is
// runFrameLoop exactly.
void runFrameLoops(const std::vector<LoopScreen>& screens, const SaverSettings& settings, LoopServices& services,
                   LoopFlags& flags);

}  // namespace glowpond
