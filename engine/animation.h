// The lava animation. Each model behaves like a drop of lava with its own
// clock: its blob rises on a ballistic path, morphs into the spinning model
// near the top, holds, morphs back, falls and is reset below the screen to
// wait for its turn; the next model rises as soon as the previous one has
// finished its morph.
//
// A host drives it (see host/scheduler.h): the host owns the loop and the
// clock. It starts the animation, then frame by frame updates each active
// model once its step is due (msUntilDue), handing in the time; the
// animation draws through an AnimationView (OpenGL in the programs, a
// recorder in tests).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/clock.h"
#include "engine/model_slot.h"
#include "engine/random.h"
#include "engine/scissor.h"

namespace glowpond {

struct SaverSettings;

// Every model is updated at most once in this many milliseconds.
constexpr int32_t kModelStepMs = 50;

// The values an animation derives from the settings, each computed from the
// setting brought into 1..10.
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

// What the animation draws on. The animation decides what happens and
// shapes the slots; the view turns that into OpenGL calls (or records it).
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
    // Draws the slot, shaped for this frame, inside the square of side
    // `scale` world units around its position, and stores the square.
    virtual void drawSlot(const ModelSlot& slot, float scale, ScissorRect& rect) = 0;
    // Marks the model's new and old squares as the parts of the frame that
    // must reach the screen.
    virtual void addSwapHints(const ScissorRect& current, const ScissorRect& previous) = 0;
    // End of a frame: the back buffer goes to the screen.
    virtual void endFrame() = 0;
    // A model update is complete.
    virtual void modelUpdated(const ModelUpdate&) {}
};

class Animation {
public:
    // Places slots[0 .. count - 1] (set-up slots, see ModelSlot; borrowed
    // until the next start) with their settings entries, and starts model
    // 0's rise at a reading of `clock` (borrowed too) taken at the end; the
    // other models wait for their turns. `seed` seeds the generator behind
    // every random choice. Nothing moves when count is below 1.
    void start(ModelSlot* slots, int32_t count, const SaverSettings& settings, uint32_t seed, Clock& clock);

    int32_t modelCount() const { return static_cast<int32_t>(models_.size()); }
    bool isActive(int32_t model) const { return models_[static_cast<size_t>(model)].active; }
    const AnimationTiming& timing() const { return timing_; }

    // How long the host still has to wait at clock reading `nowMs` before
    // the model's next step is due; 0 when it is due. The step is counted
    // in whole milliseconds, and a reading of 0 or less is always due.
    int32_t msUntilDue(int32_t model, int32_t nowMs) const;

    // Restarts every model's clock at `nowMs`, so that no model jumps by the
    // time the host was held up (a password dialog, say).
    void restartClocks(int32_t nowMs);

    // One frame: beginFrame, then update() for each active model in order,
    // then endFrame.
    void beginFrame(AnimationView& view);
    // Moves and draws the model for its step due at `nowMs` (a reading of 0
    // or less counts as a full second since its last step). Where a model's
    // clock restarts in the update (a morph ends and hands over the turn, a
    // blob is reset), it takes a fresh reading of the clock, after the
    // drawing.
    void update(int32_t model, int32_t nowMs, AnimationView& view);
    void endFrame(AnimationView& view);

private:
    struct ModelState {
        int32_t morphStep = 0;
        int32_t holdCounter = 0;
        int32_t holdDirection = 1;
        float riseSpeed = 0.0f;
        float velocity = 0.0f;
        float gravity = 0.0f;
        int32_t lastUpdate = 0;
        bool active = false;
        bool backCull = false;  // of the slot's settings entry, for solid mode
        bool twoSided = false;
    };

    ModelPhase morph(int32_t model, AnimationView& view);
    ModelPhase fly(int32_t model, float dt, AnimationView& view);
    ModelPhase reset(int32_t model);
    void activate(size_t model, int32_t nowMs);
    float newGravity(float riseSpeed);
    float randomX();

    ModelSlot* slots_ = nullptr;
    Clock* clock_ = nullptr;
    AnimationTiming timing_{};
    StandardRandom random_;
    std::vector<ModelState> models_;
    // The square each model was drawn in, in the last two frames: the one
    // being drawn and the one of the frame before, whose area the back
    // buffer now to be drawn still shows.
    std::vector<ScissorRect> currentRects_, previousRects_;
    bool solid_ = false;  // solid mode is on
};

}  // namespace glowpond
