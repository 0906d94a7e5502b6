#include "engine/animation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "config/settings.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using testing::recordingPlatform;
using P = ModelPhase;

// What one model update left behind (t and velocity after it).
struct Update {
    int32_t model;
    ModelPhase phase;
    int32_t t, now;
    float velocity;
    Vec3f position, blobColor;
    int32_t frame, modelVisible;
};
struct Draw {
    int32_t model, t;
    bool spinning;
    int32_t period;
    float scale;
    int32_t frame;
};
struct SolidMode {
    bool solid, backCull, twoSided;
    size_t beforeUpdate;
};

// Records the loop's frames and stops it after a number of updates.
class RecordingView : public AnimationView {
public:
    explicit RecordingView(std::vector<ModelSlot>& slots) : slots_(slots) {}

    void beginFrame() override { clearedRects.emplace_back(); }
    void clearRect(const ScissorRect& rect) override { clearedRects.back().push_back(rect); }
    void setSolidMode(bool solid, bool backCull, bool twoSided) override {
        solidModes.push_back({solid, backCull, twoSided, updates.size()});
    }
    void drawSlot(ModelSlot& slot, int32_t t, bool spinning, int32_t period, float scale,
                  ScissorRect& rect) override {
        slot.shapeFrame(t, spinning, period);
        const int32_t model = int32_t(&slot - slots_.data());
        draws.push_back({model, t, spinning, period, scale, frames});
        rect = {model, int32_t(draws.size()), 10, 10};  // numbered, so that tests can follow them
    }
    void addSwapHints(const ScissorRect& current, const ScissorRect& previous) override {
        hints.push_back({current, previous});
    }
    void endFrame() override {
        if (++frames >= 100000) animating = 0;  // a loop whose models all stopped would never end
    }
    void modelUpdated(const ModelUpdate& u) override {
        updates.push_back({u.model, u.phase, u.morphStep, u.now, u.velocity, u.slot.position,
                           u.slot.blob->parts[0].color, frames, u.slot.model->visible});
        if (afterUpdate) afterUpdate(updates.back());
        if (int64_t(updates.size()) >= stopAfter) animating = 0;
    }

    std::vector<Update> updates;
    std::vector<Draw> draws;
    std::vector<SolidMode> solidModes;
    std::vector<std::vector<ScissorRect>> clearedRects;  // per frame
    std::vector<std::pair<ScissorRect, ScissorRect>> hints;
    int32_t frames = 0;
    int64_t stopAfter = 1000000;
    std::function<void(const Update&)> afterUpdate;

private:
    std::vector<ModelSlot>& slots_;
};

std::vector<ModelSlot> cubes(const SaverSettings& settings, int32_t count) {
    std::vector<ModelSlot> slots(MAX_MODELS);
    for (int32_t i = 0; i < count; ++i) {
        ModelSlot& slot = slots[size_t(i)];
        slot.model = std::make_unique<DisplayMesh>();
        slot.model->makeCube(1.0f, 0.0f, 0.0f);
        slot.pulse.init(settings.pulseSpeed);
        slot.buildBlob();
        EXPECT_TRUE(slot.prepare(i, settings));
    }
    return slots;
}

void run(RecordingView& view, std::vector<ModelSlot>& slots, int32_t count, const SaverSettings& settings) {
    animating = 1;
    resetClocks = 0;
    runAnimationLoop(view, slots.data(), count, settings);
}

// Runs `count` models until model 0 starts its second turn and returns the
// order in which models started their turns. Checks every hand-over: the
// next model rises in the update right after the one in which the previous
// model's t returned to 0 (later in the same frame, or first in the next
// frame after the last model), and no frame updates more than two models.
std::vector<int32_t> turnsOf(int32_t count, const SaverSettings& settings, std::vector<ModelSlot>& slots) {
    RecordingView view(slots);
    std::vector<int32_t> turns;
    std::vector<bool> active(size_t(count), false);
    view.afterUpdate = [&](const Update& u) {
        const std::vector<Update>& all = view.updates;
        EXPECT_TRUE(all.size() < 3 || all[all.size() - 3].frame != u.frame) << "three models in one frame";
        if (!active[size_t(u.model)]) {
            turns.push_back(u.model);
            active[size_t(u.model)] = true;
            if (all.size() > 1) {
                const Update& previous = all[all.size() - 2];
                EXPECT_EQ(previous.model, (u.model + count - 1) % count);
                EXPECT_EQ(previous.phase, P::Morph);
                EXPECT_EQ(previous.t, 0);
                EXPECT_EQ(u.frame, previous.frame + (u.model == 0 ? 1 : 0));
                EXPECT_EQ(u.phase, P::Rise);
            }
            if (turns.size() == size_t(count) + 1) animating = 0;
        }
        if (u.phase == P::Reset) active[size_t(u.model)] = false;
    };
    run(view, slots, count, settings);
    return turns;
}

TEST(AnimationTiming, followsTheSettingsWithinOneToTen) {
    SaverSettings settings;
    AnimationTiming timing = animationTiming(settings);
    EXPECT_FLOAT_EQ(timing.baseSpeed, 0.36783531f);
    EXPECT_EQ(timing.spinPeriod, 80);
    EXPECT_EQ(timing.holdLimit, 88);
    EXPECT_NEAR(timing.drawScale, 0.75f, 1e-6f);

    const int32_t periods[10] = {320, 280, 240, 200, 160, 160, 120, 80, 40, 40};
    for (int32_t spinSpeed = 1; spinSpeed <= 10; ++spinSpeed) {
        settings.spinSpeed = spinSpeed;
        EXPECT_EQ(animationTiming(settings).spinPeriod, periods[spinSpeed - 1]) << spinSpeed;
    }
    settings.spinSpeed = 8;
    settings.objectDuration = 10;
    EXPECT_EQ(animationTiming(settings).holdLimit, 168);

    // A hand-edited file: every value counts as the nearest end of 1..10.
    settings.speed = 0;
    settings.spinSpeed = 11;
    settings.totalSize = 14;
    settings.objectDuration = -5;
    timing = animationTiming(settings);
    EXPECT_FLOAT_EQ(timing.baseSpeed, 0.052547902f);
    EXPECT_EQ(timing.spinPeriod, 40);
    EXPECT_EQ(timing.holdLimit, 44);
    EXPECT_NEAR(timing.drawScale, 1.0f, 1e-6f);
}

TEST(AnimationLoop, oneModelRisesMorphsHoldsFallsAndRisesAgain) {
    SaverSettings settings;
    settings.backCull[0] = 1;
    settings.twoSided[0] = 0;
    std::vector<ModelSlot> slots = cubes(settings, 1);
    RecordingView view(slots);
    view.stopAfter = 1200;
    run(view, slots, 1, settings);

    const std::vector<Update>& u = view.updates;
    std::vector<P> runs;  // the phases with repeats collapsed
    for (const Update& update : u) {
        if (runs.empty() || runs.back() != update.phase) runs.push_back(update.phase);
    }
    ASSERT_GE(runs.size(), 6u);
    EXPECT_EQ(std::vector<P>(runs.begin(), runs.begin() + 6),
              (std::vector<P>{P::Rise, P::Morph, P::Fall, P::Reset, P::Rise, P::Morph}));

    // The clock advances by exactly one step per update.
    for (size_t i = 0; i < u.size(); ++i) ASSERT_EQ(u[i].now, 1050 + 50 * int32_t(i)) << i;

    // The morph: t counts up to 80, holds until the counter reaches 88 and
    // has come back below 80, and counts down; the update that brings t
    // back to 0 starts the fall.
    std::vector<int32_t> drawnT;
    for (const Draw& d : view.draws) {
        if (d.spinning) drawnT.push_back(d.t);
        if (!d.spinning && !drawnT.empty()) break;
    }
    std::vector<int32_t> expected;
    for (int32_t t = 0; t < 80; ++t) expected.push_back(t);
    expected.insert(expected.end(), 16, 80);
    for (int32_t t = 79; t >= 1; --t) expected.push_back(t);
    EXPECT_EQ(drawnT, expected);

    size_t firstMorph = 0;
    while (u[firstMorph].phase != P::Morph) ++firstMorph;
    EXPECT_NEAR(u[firstMorph].position[1], 0.5f, 0.02f);  // the ballistic rise peaks at 0.5
    EXPECT_EQ(u[firstMorph].modelVisible, 1);
    EXPECT_EQ(u[firstMorph - 1].modelVisible, 0);
    const size_t lastMorph = firstMorph + 174;
    EXPECT_EQ(u[lastMorph].phase, P::Morph);
    EXPECT_EQ(u[lastMorph].t, 0);
    EXPECT_FLOAT_EQ(u[lastMorph].velocity, -0.051f * 0.36783531f);
    EXPECT_EQ(u[lastMorph + 1].phase, P::Fall);

    // Solid mode follows the model's own settings on the way in, and goes
    // off with the first blob update after it.
    ASSERT_GE(view.solidModes.size(), 2u);
    EXPECT_TRUE(view.solidModes[0].solid);
    EXPECT_TRUE(view.solidModes[0].backCull);
    EXPECT_FALSE(view.solidModes[0].twoSided);
    EXPECT_EQ(view.solidModes[0].beforeUpdate, firstMorph);
    EXPECT_FALSE(view.solidModes[1].solid);
    EXPECT_EQ(view.solidModes[1].beforeUpdate, lastMorph + 1);

    // After the reset the lone model rises again at once, from below the screen.
    size_t reset = lastMorph;
    while (u[reset].phase != P::Reset) ++reset;
    EXPECT_LE(u[reset - 1].velocity, -1.1f * 0.36783531f);
    EXPECT_TRUE(u[reset].velocity >= 0.36783531f && u[reset].velocity <= 0.36783531f * 1.6f);
    EXPECT_LT(u[reset].position[1], -1.5f);
    EXPECT_TRUE(u[reset].position[0] >= -0.9f && u[reset].position[0] <= 0.9f);
    EXPECT_EQ(u[reset].position[2], -2.0f);
    EXPECT_EQ(u[reset + 1].phase, P::Rise);
}

TEST(AnimationLoop, threeModelsTakeTurnsInOrder) {
    SaverSettings settings;
    std::vector<ModelSlot> slots = cubes(settings, 3);
    EXPECT_EQ(turnsOf(3, settings, slots), (std::vector<int32_t>{0, 1, 2, 0}));
    for (size_t j = 0; j < 3; ++j) {
        EXPECT_EQ(slots[j].position[2], -2.0f * float(j + 1));
        EXPECT_TRUE(slots[j].position[0] >= -0.9f && slots[j].position[0] <= 0.9f);
    }
}

TEST(AnimationLoop, fifteenModelsTakeTurnsInOrder) {
    SaverSettings settings;
    settings.speed = 10;
    settings.spinSpeed = 10;
    std::vector<ModelSlot> slots = cubes(settings, 15);
    std::vector<int32_t> expected;
    for (int32_t j = 0; j < 15; ++j) expected.push_back(j);
    expected.push_back(0);
    EXPECT_EQ(turnsOf(15, settings, slots), expected);
    EXPECT_EQ(slots[14].position[2], -30.0f);
    // One message is taken per model and frame, active or not.
    EXPECT_GE(recordingPlatform().pumpCount, 15 * (recordingPlatform().clock - 1000) / 50 / 2);
}

TEST(AnimationLoop, eachFrameClearsTheRectanglesOfTwoFramesAgo) {
    SaverSettings settings;
    std::vector<ModelSlot> slots = cubes(settings, 1);
    RecordingView view(slots);
    view.stopAfter = 120;  // far enough for the blob to be on the screen
    run(view, slots, 1, settings);

    // The first drawing's rectangle is cleared two frames later, and the
    // swap hints name the new and the previous frame's rectangle.
    const Draw& firstDraw = view.draws.at(0);
    const int32_t f = firstDraw.frame;
    ASSERT_LT(size_t(f + 2), view.clearedRects.size());
    ASSERT_EQ(view.clearedRects[size_t(f + 2)].size(), 1u);
    EXPECT_EQ(view.clearedRects[size_t(f + 2)][0].y, 1);
    EXPECT_EQ(view.clearedRects[size_t(f + 1)][0].y, 0);  // still the untouched second array
    EXPECT_EQ(view.hints.at(size_t(f + 1)).first.y, 2);
    EXPECT_EQ(view.hints.at(size_t(f + 1)).second.y, 1);
    EXPECT_EQ(recordingPlatform().swapCount, 0);  // the view, not the loop, shows frames
}

TEST(AnimationLoop, quitEndsTheLoopAfterTheModelBeingUpdated) {
    SaverSettings settings;
    std::vector<ModelSlot> slots = cubes(settings, 3);
    RecordingView view(slots);
    recordingPlatform().queue.resize(3);
    recordingPlatform().queue.push_back({true, nullptr});
    run(view, slots, 3, settings);
    EXPECT_EQ(animating, 0);
    EXPECT_EQ(view.updates.size(), 2u);  // model 0 in frames 0 and 1
    EXPECT_EQ(view.frames, 1);
    EXPECT_EQ(recordingPlatform().pumpCount, 4);
}

TEST(AnimationLoop, aCloseThatDestroysTheSlotsIsNotFollowedByAnyTouch) {
    SaverSettings settings;
    auto slots = std::make_unique<std::vector<ModelSlot>>(cubes(settings, 2));
    RecordingView view(*slots);
    recordingPlatform().queue.push_back({false, [&] {
                                             animating = 0;
                                             slots.reset();  // as the saver window's close does
                                         }});
    run(view, *slots, 2, settings);
    EXPECT_EQ(view.updates.size(), 1u);
    EXPECT_EQ(view.frames, 0);
}

TEST(AnimationLoop, resetClocksKeepsAModelFromJumping) {
    SaverSettings settings;
    std::vector<ModelSlot> slots = cubes(settings, 1);
    RecordingView view(slots);
    view.stopAfter = 6;
    // A close attempt that the password dialog refuses after ten seconds.
    recordingPlatform().queue.resize(2);
    recordingPlatform().queue.push_back({false, [] {
                                             recordingPlatform().clock += 10000;
                                             resetClocks = 1;
                                         }});
    run(view, slots, 1, settings);
    const std::vector<Update>& u = view.updates;
    ASSERT_EQ(u.size(), 6u);
    EXPECT_EQ(resetClocks, 0);
    EXPECT_EQ(u[3].now - u[2].now, 10050);
    const float stepBefore = u[2].velocity - u[1].velocity;
    EXPECT_FLOAT_EQ(u[3].velocity - u[2].velocity, stepBefore);
    EXPECT_NEAR(u[3].position[1] - u[2].position[1], u[2].position[1] - u[1].position[1], 1e-3f);
}

TEST(AnimationLoop, aBlobThatMissesItsMorphStillHandsOverItsTurn) {
    SaverSettings settings;
    std::vector<ModelSlot> slots = cubes(settings, 3);
    RecordingView view(slots);
    view.stopAfter = 400;
    // The machine stalls for 20 s right after the first update: model 0's next
    // step takes it from rising straight to falling, past its morph.
    recordingPlatform().queue.push_back({false, [] { recordingPlatform().clock += 20000; }});
    run(view, slots, 3, settings);
    const std::vector<Update>& u = view.updates;
    ASSERT_GE(u.size(), 3u);
    EXPECT_EQ(u[1].phase, P::Rise);
    EXPECT_LT(u[1].velocity, 0.0f);  // the stalled step carried it past the top
    EXPECT_EQ(u[2].phase, P::Fall);
    bool morphed = false, nextRose = false;
    for (const Update& update : u) {
        if (update.model == 0 && update.phase == P::Morph) morphed = true;
        if (update.model == 1 && update.phase == P::Rise) nextRose = true;
    }
    EXPECT_FALSE(morphed);
    EXPECT_TRUE(nextRose);
    EXPECT_EQ(u.size(), 400u);
}

TEST(AnimationLoop, aClockReadingOfZeroOrLessCountsAsAFullSecond) {
    SaverSettings settings;
    std::vector<ModelSlot> slots = cubes(settings, 1);
    RecordingView view(slots);
    view.stopAfter = 2;
    recordingPlatform().clock = 0;
    run(view, slots, 1, settings);
    const float gravity = view.updates[1].velocity - view.updates[0].velocity;  // a whole second's worth
    EXPECT_EQ(view.updates[0].now, 0);  // no waiting on such a clock
    EXPECT_FLOAT_EQ(view.updates[0].velocity, 0.36783531f + gravity);
    EXPECT_LT(gravity, -0.25f * 0.36783531f * 0.36783531f * 0.99f);
}

TEST(AnimationLoop, noModelsReturnsAtOnce) {
    SaverSettings settings;
    std::vector<ModelSlot> slots;
    RecordingView view(slots);
    run(view, slots, 0, settings);
    EXPECT_EQ(animating, 1);
    EXPECT_TRUE(view.clearedRects.empty());
    EXPECT_EQ(recordingPlatform().pumpCount, 0);
}

TEST(AnimationLoop, settingsOutsideOneToTenNeverBreakTheMotion) {
    SaverSettings settings;
    settings.speed = 0;           // would give a start height of 0 / 0
    settings.spinSpeed = 11;      // would give a spin period of 0
    settings.totalSize = 14;      // would give a negative size
    settings.objectDuration = -5; // would never turn the hold counter back
    settings.pulseSpeed = 100000;
    std::vector<ModelSlot> slots = cubes(settings, 2);
    RecordingView view(slots);
    view.stopAfter = 8000;
    run(view, slots, 2, settings);

    std::vector<int32_t> turns;
    for (const Update& u : view.updates) {
        ASSERT_TRUE(std::isfinite(u.velocity));
        for (float c : u.position) ASSERT_TRUE(std::isfinite(c));
        for (float c : u.blobColor) ASSERT_TRUE(std::isfinite(c));
        if (turns.empty() || turns.back() != u.model) turns.push_back(u.model);
    }
    for (const Draw& d : view.draws) {
        ASSERT_EQ(d.period, 40);
        ASSERT_NEAR(d.scale, 1.0f, 1e-6f);
    }
    for (size_t j = 0; j < 2; ++j) {
        for (const MeshVertex& v : slots[j].blob->parts[0].vertices) {
            for (float c : v.position) ASSERT_TRUE(std::isfinite(c));
        }
    }
    // Both models had their turn: the morph ended and handed over.
    EXPECT_GE(turns.size(), 3u);
}

}  // namespace
}  // namespace glowpond
