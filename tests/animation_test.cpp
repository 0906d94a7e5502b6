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
constexpr float kBaseSpeed = 0.36783531f;  // speed 7

// What one model update left behind (t and velocity after it), each drawing, each solid mode switch.
struct Update {
    int32_t model;
    ModelPhase phase;
    int32_t t, now;
    float velocity;
    Vec3f position, blobColor;
    int32_t frame, modelVisible;
};
struct Draw { int32_t t; bool spinning; int32_t period; float scale; int32_t frame; };
struct SolidMode { bool solid, backCull, twoSided; size_t beforeUpdate; };

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
        draws.push_back({t, spinning, period, scale, frames});
        rect = {int32_t(&slot - slots_.data()), int32_t(draws.size()), 10, 10};  // numbered, for following
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

// Prepared cubes in the first `count` of MAX_MODELS slots, and a view recording the loop over them.
struct Rig {
    Rig(const SaverSettings& s, int32_t n) : settings(s), count(n), slots(MAX_MODELS) {
        for (int32_t i = 0; i < count; ++i) {
            ModelSlot& slot = slots[size_t(i)];
            slot.model = std::make_unique<DisplayMesh>();
            slot.model->makeCube(1.0f, 0.0f, 0.0f);
            slot.pulse.init(settings.pulseSpeed);
            slot.buildBlob();
            EXPECT_TRUE(slot.prepare(i, settings));
        }
    }
    const std::vector<Update>& run(int64_t stopAfter = 1000000) {
        view.stopAfter = stopAfter;
        animating = 1;
        resetClocks = 0;
        runAnimationLoop(view, slots.data(), count, settings);
        return view.updates;
    }
    SaverSettings settings;
    int32_t count;
    std::vector<ModelSlot> slots;
    RecordingView view{slots};
};

TEST(AnimationTiming, spinPeriodAndHoldFollowTheSettings) {
    SaverSettings settings;
    const int32_t periods[10] = {320, 280, 240, 200, 160, 160, 120, 80, 40, 40};
    for (int32_t spinSpeed = 1; spinSpeed <= 10; ++spinSpeed) {
        settings.spinSpeed = spinSpeed;
        EXPECT_EQ(animationTiming(settings).spinPeriod, periods[spinSpeed - 1]) << spinSpeed;
    }
    settings.spinSpeed = 8;
    settings.objectDuration = 10;
    EXPECT_EQ(animationTiming(settings).holdLimit, 168);
}

TEST(AnimationLoop, oneModelRisesMorphsHoldsFallsAndRisesAgain) {
    SaverSettings settings;
    settings.backCull[0] = 1;
    settings.twoSided[0] = 0;
    Rig rig(settings, 1);
    const std::vector<Update>& u = rig.run(1200);

    std::vector<P> runs;  // the phases with repeats collapsed
    for (size_t i = 0; i < u.size(); ++i) {
        if (runs.empty() || runs.back() != u[i].phase) runs.push_back(u[i].phase);
        ASSERT_EQ(u[i].now, 1050 + 50 * int32_t(i)) << i;  // one clock step per update
    }
    ASSERT_GE(runs.size(), 6u);
    EXPECT_EQ(std::vector<P>(runs.begin(), runs.begin() + 6),
              (std::vector<P>{P::Rise, P::Morph, P::Fall, P::Reset, P::Rise, P::Morph}));

    // The morph: t counts up to 80, holds until the counter reaches 88 and
    // has come back below 80, and counts down; the update that brings t
    // back to 0 starts the fall.
    std::vector<int32_t> drawnT, expected;
    for (const Draw& d : rig.view.draws) {
        if (d.spinning) drawnT.push_back(d.t);
        if (!d.spinning && !drawnT.empty()) break;
    }
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
    EXPECT_FLOAT_EQ(u[lastMorph].velocity, -0.051f * kBaseSpeed);
    EXPECT_EQ(u[lastMorph + 1].phase, P::Fall);

    // Solid mode follows the model's own settings on the way in, and goes
    // off with the first blob update after it.
    const std::vector<SolidMode>& modes = rig.view.solidModes;
    ASSERT_GE(modes.size(), 2u);
    EXPECT_TRUE(modes[0].solid && modes[0].backCull && !modes[0].twoSided);
    EXPECT_EQ(modes[0].beforeUpdate, firstMorph);
    EXPECT_FALSE(modes[1].solid);
    EXPECT_EQ(modes[1].beforeUpdate, lastMorph + 1);

    // After the reset the lone model rises again at once, from below the screen.
    size_t reset = lastMorph;
    while (u[reset].phase != P::Reset) ++reset;
    EXPECT_LE(u[reset - 1].velocity, -1.1f * kBaseSpeed);
    EXPECT_TRUE(u[reset].velocity >= kBaseSpeed && u[reset].velocity <= kBaseSpeed * 1.6f);
    EXPECT_LT(u[reset].position[1], -1.5f);
    EXPECT_TRUE(u[reset].position[0] >= -0.9f && u[reset].position[0] <= 0.9f);
    EXPECT_EQ(u[reset].position[2], -2.0f);
    EXPECT_EQ(u[reset + 1].phase, P::Rise);
}

TEST(AnimationLoop, modelsTakeTurnsInOrderHandingOverWhenTheMorphEnds) {
    for (int32_t count : {3, 15}) {
        SCOPED_TRACE(count);
        recordingPlatform().resetEngineServices();
        SaverSettings settings;
        settings.speed = settings.spinSpeed = count == 15 ? 10 : 7;
        Rig rig(settings, count);
        // The next model rises in the update right after the one in which the
        // previous model's t returned to 0 (later in the same frame, or first
        // in the next frame after the last model); no frame updates three models.
        std::vector<int32_t> turns;
        std::vector<bool> active(size_t(count), false);
        rig.view.afterUpdate = [&](const Update& u) {
            const std::vector<Update>& all = rig.view.updates;
            EXPECT_TRUE(all.size() < 3 || all[all.size() - 3].frame != u.frame) << "three models in one frame";
            if (!active[size_t(u.model)]) {
                turns.push_back(u.model);
                active[size_t(u.model)] = true;
                if (all.size() > 1) {
                    const Update& previous = all[all.size() - 2];
                    EXPECT_EQ(previous.model, (u.model + count - 1) % count);
                    EXPECT_TRUE(previous.phase == P::Morph && previous.t == 0);
                    EXPECT_EQ(u.frame, previous.frame + (u.model == 0 ? 1 : 0));
                    EXPECT_EQ(u.phase, P::Rise);
                }
                if (turns.size() == size_t(count) + 1) animating = 0;
            }
            if (u.phase == P::Reset) active[size_t(u.model)] = false;
        };
        rig.run();
        std::vector<int32_t> expected;
        for (int32_t j = 0; j <= count; ++j) expected.push_back(j % count);
        EXPECT_EQ(turns, expected);
        for (int32_t j = 0; j < count; ++j) {
            EXPECT_EQ(rig.slots[size_t(j)].position[2], -2.0f * float(j + 1));
            EXPECT_TRUE(std::fabs(rig.slots[size_t(j)].position[0]) <= 0.9f);
        }
        // One message is taken per model and frame, active or not.
        EXPECT_GE(recordingPlatform().pumpCount, count * (recordingPlatform().clock - 1000) / 50 / 2);
    }
}

TEST(AnimationLoop, eachFrameClearsTheRectanglesOfTwoFramesAgo) {
    Rig rig(SaverSettings(), 1);
    rig.run(120);  // far enough for the blob to be on the screen
    // The first drawing's rectangle is cleared two frames later, and the
    // swap hints name the new and the previous frame's rectangle.
    const size_t f = size_t(rig.view.draws.at(0).frame);
    const auto& cleared = rig.view.clearedRects;
    ASSERT_LT(f + 2, cleared.size());
    ASSERT_EQ(cleared[f + 2].size(), 1u);
    EXPECT_EQ(cleared[f + 2][0].y, 1);
    EXPECT_EQ(cleared[f + 1][0].y, 0);  // still the untouched second array
    EXPECT_EQ(rig.view.hints.at(f + 1).first.y, 2);
    EXPECT_EQ(rig.view.hints.at(f + 1).second.y, 1);
    EXPECT_EQ(recordingPlatform().swapCount, 0);  // the view, not the loop, shows frames
}

TEST(AnimationLoop, quitEndsTheLoopAfterTheModelBeingUpdated) {
    Rig rig(SaverSettings(), 3);
    recordingPlatform().queue.resize(3);
    recordingPlatform().queue.push_back({true, nullptr});
    EXPECT_EQ(rig.run().size(), 2u);  // model 0 in frames 0 and 1
    EXPECT_EQ(animating, 0);
    EXPECT_EQ(rig.view.frames, 1);
    EXPECT_EQ(recordingPlatform().pumpCount, 4);
}

TEST(AnimationLoop, aCloseThatDestroysTheSlotsIsNotFollowedByAnyTouch) {
    auto rig = std::make_unique<Rig>(SaverSettings(), 2);
    RecordingView& view = rig->view;
    std::vector<ModelSlot>& slots = rig->slots;
    recordingPlatform().queue.push_back({false, [&] {
                                             animating = 0;
                                             std::vector<ModelSlot>().swap(slots);  // as the saver window's close does
                                         }});
    animating = 1;
    runAnimationLoop(view, slots.data(), 2, rig->settings);
    EXPECT_EQ(view.updates.size(), 1u);
    EXPECT_EQ(view.frames, 0);
}

TEST(AnimationLoop, resetClocksKeepsAModelFromJumping) {
    Rig rig(SaverSettings(), 1);
    // A close attempt that the password dialog refuses after ten seconds.
    recordingPlatform().queue.resize(2);
    recordingPlatform().queue.push_back({false, [] {
                                             recordingPlatform().clock += 10000;
                                             resetClocks = 1;
                                         }});
    const std::vector<Update>& u = rig.run(6);
    ASSERT_EQ(u.size(), 6u);
    EXPECT_EQ(resetClocks, 0);
    EXPECT_EQ(u[3].now - u[2].now, 10050);
    EXPECT_FLOAT_EQ(u[3].velocity - u[2].velocity, u[2].velocity - u[1].velocity);
    EXPECT_NEAR(u[3].position[1] - u[2].position[1], u[2].position[1] - u[1].position[1], 1e-3f);
}

TEST(AnimationLoop, aBlobThatMissesItsMorphStillHandsOverItsTurn) {
    Rig rig(SaverSettings(), 3);
    // The machine stalls for 20 s right after the first update: model 0's next
    // step takes it from rising straight to falling, past its morph.
    recordingPlatform().queue.push_back({false, [] { recordingPlatform().clock += 20000; }});
    const std::vector<Update>& u = rig.run(400);
    ASSERT_EQ(u.size(), 400u);
    EXPECT_EQ(u[1].phase, P::Rise);
    EXPECT_LT(u[1].velocity, 0.0f);  // the stalled step carried it past the top
    EXPECT_EQ(u[2].phase, P::Fall);
    bool morphed = false, nextRose = false;
    for (const Update& update : u) {
        morphed |= update.model == 0 && update.phase == P::Morph;
        nextRose |= update.model == 1 && update.phase == P::Rise;
    }
    EXPECT_FALSE(morphed);
    EXPECT_TRUE(nextRose);
}

TEST(AnimationLoop, aClockReadingOfZeroOrLessCountsAsAFullSecond) {
    Rig rig(SaverSettings(), 1);
    recordingPlatform().clock = 0;
    const std::vector<Update>& u = rig.run(2);
    const float gravity = u[1].velocity - u[0].velocity;  // a whole second's worth
    EXPECT_EQ(u[0].now, 0);  // no waiting on such a clock
    EXPECT_FLOAT_EQ(u[0].velocity, kBaseSpeed + gravity);
    EXPECT_LT(gravity, -0.25f * kBaseSpeed * kBaseSpeed * 0.99f);
}

TEST(AnimationLoop, noModelsReturnsAtOnce) {
    Rig rig(SaverSettings(), 0);
    rig.run();
    EXPECT_EQ(animating, 1);
    EXPECT_TRUE(rig.view.clearedRects.empty());
    EXPECT_EQ(recordingPlatform().pumpCount, 0);
}

TEST(AnimationLoop, settingsOutsideOneToTenNeverBreakTheMotion) {
    SaverSettings settings;
    settings.speed = 0;           // would give a start height of 0 / 0
    settings.spinSpeed = 11;      // would give a spin period of 0
    settings.totalSize = 14;      // would give a negative size
    settings.objectDuration = -5; // would never turn the hold counter back
    settings.pulseSpeed = 100000;
    const AnimationTiming timing = animationTiming(settings);  // each counts as the nearest end of 1..10
    EXPECT_FLOAT_EQ(timing.baseSpeed, 0.052547902f);
    EXPECT_EQ(timing.holdLimit, 44);
    Rig rig(settings, 2);
    std::vector<int32_t> turns;
    for (const Update& u : rig.run(8000)) {
        ASSERT_TRUE(std::isfinite(u.velocity));
        for (float c : u.position) ASSERT_TRUE(std::isfinite(c));
        for (float c : u.blobColor) ASSERT_TRUE(std::isfinite(c));
        if (turns.empty() || turns.back() != u.model) turns.push_back(u.model);
    }
    for (const Draw& d : rig.view.draws) {
        ASSERT_EQ(d.period, 40);
        ASSERT_NEAR(d.scale, 1.0f, 1e-6f);
    }
    for (size_t j = 0; j < 2; ++j) {
        for (const MeshVertex& v : rig.slots[j].blob->parts[0].vertices) {
            for (float c : v.position) ASSERT_TRUE(std::isfinite(c));
        }
    }
    EXPECT_GE(turns.size(), 3u);  // both models had their turn: the morph ended and handed over
}

}  // namespace
}  // namespace glowpond
