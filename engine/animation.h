// The saver's frame loop. Each model behaves like a drop of lava with its
// own clock: its blob rises on a ballistic path, morphs into the spinning
// model near the top, holds, morphs back, falls and is reset below the
// screen to wait for its turn; the next model rises as soon as the previous
// one has finished its morph.
//
// The loop is the host: it reads the clock, draws pseudo-random values and
// pumps the thread's messages through platform(), and draws through an
// AnimationView (OpenGL in the saver, a recorder in tests).
#pragma once

#include <cstdint>

#include "engine/model_slot.h"
#include "engine/scissor.h"

namespace glowpond {

struct SaverSettings;

// The loop runs while this is nonzero. The caller sets it before the loop;
// the window procedures clear it when the saver closes.
extern int32_t animating;
// Set by the saver window at a close attempt; the loop then restarts every
// model's clock, so that nothing jumps by the time a dialog was open.
extern int32_t resetClocks;

// Every model is updated at most once in this many milliseconds.
constexpr int32_t kModelStepMs = 50;

// The values one run of the loop derives from the settings, each computed
// from the setting brought into 1..10.
struct AnimationTiming {
    float drawScale;    // the size factor of the models and their squares
    float baseSpeed;    // world units per second
    int32_t spinPeriod; // P, frames of a morph-in
    float holdFactor;
    int32_t holdLimit;  // the hold counter turns back here
};
AnimationTiming animationTiming(const SaverSettings& settings);

enum class ModelPhase {
    Rise,   // blob moving up (velocity above 0 at the start of the update)
    Fall,   // blob moving down
    Morph,  // near the top: morphing, holding, morphing back
    Reset,  // fallen far enough: placed below the screen again
};

// One model update, reported after its drawing.
struct ModelUpdate {
    int32_t model;        // slot number
    ModelPhase phase;
    int32_t morphStep;    // t after the update
    int32_t holdCounter;  // after the update
    int32_t now;          // clock reading of the update, ms
    float velocity;       // after the update
    const ModelSlot& slot;
};

// What the loop draws on. The loop decides what happens; the view turns it
// into OpenGL calls (or records it).
class AnimationView {
public:
    virtual ~AnimationView() = default;

    // Start of a frame: the scissor test goes on.
    virtual void beginFrame() = 0;
    // Clears colour and depth inside `rect`.
    virtual void clearRect(const ScissorRect& rect) = 0;
    // Solid mode (for a morphing model): depth test on, face culling and
    // two-sided lighting as given. Off (for blobs): depth test off, culling on.
    virtual void setSolidMode(bool solid, bool backCull, bool twoSided) = 0;
    // Draws the slot at morph position t and stores its scissor square.
    virtual void drawSlot(ModelSlot& slot, int32_t t, bool spinning, int32_t period, float scale,
                          ScissorRect& rect) = 0;
    // Marks the model's new and old squares as the parts of the frame that
    // must reach the screen.
    virtual void addSwapHints(const ScissorRect& current, const ScissorRect& previous) = 0;
    // End of a frame: the back buffer goes to the screen.
    virtual void endFrame() = 0;
    // A model update is complete.
    virtual void modelUpdated(const ModelUpdate&) {}
};

// Runs the frame loop over slots[0 .. modelCount - 1] (prepared slots, see
// ModelSlot) until `animating` is cleared, by a dispatched message or by a
// WM_QUIT that the loop itself removes from the queue. Returns at once when
// modelCount is below 1. After a dispatch that cleared `animating` the
// slots are not touched again: the close may have destroyed them.
void runAnimationLoop(AnimationView& view, ModelSlot* slots, int32_t modelCount, const SaverSettings& settings);

}  // namespace glowpond
