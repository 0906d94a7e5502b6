#include "engine/animation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>

#include "config/settings.h"
#include "saver/frame_loop.h"

namespace glowpond {
namespace {

using P = ModelPhase;
using Pumped = LoopServices::Pumped;
constexpr float kBaseSpeed = 0.36783531f;  // speed 7

struct Update : ModelUpdate {  // with what the update left of its slot
    Vec3f position, blobColor;
    int32_t frame, modelVisible;
};

// Red cubes in `count` slots, animated from `startMs` on by the saver's loop: the rig is the view and
// stands in for the window's thread (with a simulated clock), with a queue of messages that are dispatched
// by calling them (an empty one is a plain message). Each square drawn carries the number of its drawing in y.
struct Rig : AnimationView, LoopServices {
    explicit Rig(int32_t n, const SaverSettings& s = SaverSettings(), int32_t startMs = 1000)
        : settings(s), slots(size_t(n)), count(n), clock(startMs) {
        for (int32_t i = 0; i < count; ++i) {
            slots[size_t(i)].model = std::make_unique<DisplayMesh>();
            slots[size_t(i)].model->makeCube(1.0f, 0.0f, 0.0f);
            EXPECT_TRUE(slots[size_t(i)].setUp(i, settings));
        }
    }
    // Until `limit` updates (or, should every model have stopped, a hundred thousand frames).
    const std::vector<Update>& run(size_t limit) {
        stopAfter = limit;
        runFrameLoop(slots.data(), count, settings, 1, *this, *this, flags);
        return updates;
    }

    void beginFrame() override { cleared.emplace_back(); }
    void clearRect(const ScissorRect& rect) override { cleared.back().push_back(rect.y); }
    void setSolidMode(bool on, bool cull, bool two) override { modes.push_back({on, cull, two, updates.size()}); }
    void drawSlot(const ModelSlot&, float, ScissorRect& rect) override { rect.y = ++draws; }
    void addSwapHints(const ScissorRect& now, const ScissorRect& was) override { hints.emplace_back(now.y, was.y); }
    void endFrame() override { ++frames; }
    void modelUpdated(const ModelUpdate& u) override {
        updates.push_back({u, u.slot.position, u.slot.blob->parts[0].color, frames, u.slot.model->visible});
        if (updates.size() >= stopAfter) flags.animating = false;
        if (onUpdate) onUpdate(updates.back());
    }
    int32_t clockMs() override { return clock; }
    void spinWait(int32_t remainingMs) override { clock += remainingMs; }
    Pumped pumpMessage() override {
        ++pumps;
        if (frames >= 100000) return Pumped::Quit;
        if (queue.empty()) return Pumped::Nothing;
        const std::function<Pumped()> message = std::move(queue.front());
        queue.pop_front();
        return message ? message() : Pumped::Message;
    }

    SaverSettings settings;
    std::vector<ModelSlot> slots;
    int32_t count, clock, draws = 0, frames = 0, pumps = 0;
    size_t stopAfter = 0;
    LoopFlags flags{true, false};
    std::deque<std::function<Pumped()>> queue;
    std::function<void(const Update&)> onUpdate;
    std::vector<Update> updates;
    std::vector<std::tuple<bool, bool, bool, size_t>> modes;  // solid mode switches, by the update they come before
    std::vector<std::vector<int32_t>> cleared;       // per frame, the drawings of the cleared squares
    std::vector<std::pair<int32_t, int32_t>> hints;  // per update, those of the current and previous squares
};

TEST(Animation, timingFollowsTheSettingsBroughtIntoOneToTenAndAClockReadingOfZeroOrLessCountsAsASecond) {
    const int32_t periods[12] = {320, 320, 280, 240, 200, 160, 160, 120, 80, 40, 40, 40};  // by spin speed, 0 to 11
    SaverSettings s;
    for (s.spinSpeed = 0; s.spinSpeed < 12; ++s.spinSpeed) {
        EXPECT_EQ(animationTiming(s).spinPeriod, periods[s.spinSpeed]) << s.spinSpeed;
    }
    // {speed, spinSpeed, objectDuration}, base speed, hold limit
    const std::tuple<std::array<int32_t, 3>, float, int32_t> cases[] = {{{7, 8, 1}, kBaseSpeed, 88},
        {{7, 8, 10}, kBaseSpeed, 168}, {{0, 11, -5}, 0.052547902f, 44}, {{1000, 0, 1000}, 0.52547902f, 672}};
    for (const auto& [values, speed, hold] : cases) {
        std::tie(s.speed, s.spinSpeed, s.objectDuration) = std::tie(values[0], values[1], values[2]);
        EXPECT_EQ(std::pair(animationTiming(s).baseSpeed, animationTiming(s).holdLimit), std::pair(speed, hold));
    }
    for (int32_t reading : {0, -40}) {  // no waiting on such a clock, and a whole second's gravity
        const std::vector<Update> u = Rig(1, SaverSettings(), reading).run(2);
        const float gravity = u[1].velocity - u[0].velocity;
        EXPECT_EQ(std::make_pair(u[0].now, u[0].velocity), std::make_pair(reading, kBaseSpeed + gravity));
        EXPECT_LT(gravity, -0.25f * kBaseSpeed * kBaseSpeed * 0.99f);
    }
}

TEST(Animation, oneModelRisesMorphsInSolidModeAsItsEntrySaysHoldsFallsAndRisesAgainClearingTheSquaresOfTwoFramesAgo) {
    SaverSettings culled;
    std::tie(culled.models[0].backCull, culled.models[0].twoSided) = std::tuple(1, 0);
    Rig rig(1, culled);
    const std::vector<Update>& u = rig.run(1200);
    std::vector<P> runs;  // the phases with repeats collapsed
    for (size_t i = 0; i < u.size(); ++i) {
        if (runs.empty() || runs.back() != u[i].phase) runs.push_back(u[i].phase);
        ASSERT_EQ(u[i].now, 1050 + 50 * int32_t(i)) << i;  // a step every 50 ms
    }
    runs.resize(6);
    EXPECT_EQ(runs, (std::vector<P>{P::Rise, P::Morph, P::Fall, P::Reset, P::Rise, P::Morph}));
    // t counts up to P = 80, holds until the counter reaches 88 and has come back below 80, and
    // counts down; the update that brings t back to 0 starts the fall.
    const size_t first = std::find_if(u.begin(), u.end(), [](auto& v) { return v.phase == P::Morph; }) - u.begin();
    std::vector<int32_t> t, expected;
    for (auto i = first; u[i].phase == P::Morph; ++i) t.push_back(u[i].morphStep);
    for (int32_t i = 1; i <= 175; ++i) expected.push_back(std::min({i, 80, 175 - i}));
    EXPECT_EQ(std::make_pair(t, u[first + 87].holdCounter), std::make_pair(expected, 87));  // the counter's peak
    // The ballistic rise peaks at 0.5, where the model shows. The blob glows in the lava colour (green)
    // while fast and takes on the model's (red) as it slows down.
    EXPECT_TRUE(std::fabs(u[first].position[1] - 0.5f) < 0.02f && !u[first - 1].modelVisible && u[first].modelVisible);
    EXPECT_TRUE(u[0].blobColor == (Vec3f{0, 1, 0}) && u[first - 1].blobColor[0] > 0.99f) << u[first - 1].blobColor[0];
    // Fast enough to be reset; from below the screen, the lone model rises again at once.
    const size_t r = std::find_if(u.begin(), u.end(), [](auto& v) { return v.phase == P::Reset; }) - u.begin();
    EXPECT_TRUE(u[r - 1].velocity <= -1.1f * kBaseSpeed && u[r].position[1] < -1.5f && u[r + 1].phase == P::Rise);
    // Solid mode as the model's own entry has it (culled, lit on one side) right before its first morph update;
    // the fall after the morph switches it off.
    EXPECT_EQ(rig.modes.at(0), std::make_tuple(true, true, false, first));
    EXPECT_EQ(std::pair(std::get<0>(rig.modes.at(1)), std::get<3>(rig.modes[1])), std::pair(false, first + t.size()));
    // The first drawing is cleared two frames later; the hints name the new and the previous square.
    EXPECT_EQ(std::make_tuple(rig.cleared[1], rig.cleared[2], rig.hints[1]),
              std::make_tuple(std::vector{0}, std::vector{1}, std::make_pair(2, 1)));
}

TEST(Animation, modelsTakeTurnsInOrderHandingOverWhenTheMorphEndsEvenWithOddSettingsOrAfterAStall) {
    SaverSettings fast, odd;
    fast.speed = fast.spinSpeed = 10;
    // These would give a start height of 0 / 0, a spin period of 0, a negative size and a hold counter
    // that never turns back.
    std::tie(odd.speed, odd.spinSpeed, odd.totalSize, odd.objectDuration) = std::tuple(0, 11, 14, -5);
    for (const auto& [count, settings] : {std::pair(3, SaverSettings()), std::pair(15, fast), std::pair(2, odd)}) {
        Rig rig(count, settings);
        // The next model rises in the update right after the one in which the previous model's t
        // returned to 0 (later in the same frame, or first in the next frame after the last model).
        std::vector<int32_t> turns;
        std::vector<bool> active(size_t(count), false);
        rig.onUpdate = [&, n = count](const Update& u) {
            const std::vector<Update>& all = rig.updates;
            const Update& before = all[all.size() - std::min<size_t>(all.size(), 2)];
            const float blobY = u.slot.blob->parts[0].vertices[7].position[1];
            ASSERT_TRUE(std::isfinite(u.velocity + u.position[1] + u.blobColor[1] + blobY));
            EXPECT_TRUE(all.size() < 3 || all[all.size() - 3].frame != u.frame) << n << ": three models in a frame";
            if (!active[size_t(u.model)]) {
                turns.push_back(u.model);
                EXPECT_TRUE(all.size() == 1 || (before.model == (u.model + n - 1) % n && before.phase == P::Morph &&
                                                before.morphStep == 0 && u.phase == P::Rise &&
                                                u.frame == before.frame + (u.model == 0))) << n << ": " << all.size();
                if (turns.size() == size_t(n) + 1) rig.flags.animating = false;
            }
            active[size_t(u.model)] = u.phase != P::Reset;
        };
        rig.run(1000000);
        for (int32_t j = 0; j <= count; ++j) EXPECT_EQ(turns.at(size_t(j)), j % count) << count;
    }
    // The machine stalls for 20 s after the first update: model 0's next step takes it from rising
    // straight to falling, past its morph, and its reset hands over the turn instead.
    Rig stalled(3);
    stalled.onUpdate = [&](const Update&) { stalled.clock += stalled.updates.size() == 1 ? 20000 : 0; };
    const std::vector<Update>& u = stalled.run(400);
    EXPECT_EQ(std::make_tuple(u[1].phase, u[1].velocity < 0, u[2].phase), std::make_tuple(P::Rise, true, P::Fall));
    EXPECT_TRUE(std::any_of(u.begin(), u.end(), [](auto& v) { return v.model == 1; }));
}

TEST(FrameLoop, takesOneMessagePerModelAndFrameEndsAfterTheUpdateOnAQuitOrACloseAndAfterARefusalRestartsTheClocks) {
    Rig rig(3);
    rig.queue.resize(3);
    rig.queue.push_back([] { return Pumped::Quit; });
    EXPECT_EQ(rig.run(1000000).size(), 2u);  // model 0 in frames 0 and 1
    EXPECT_EQ(std::make_tuple(rig.flags.animating, rig.frames, rig.pumps), std::make_tuple(false, 1, 4));
    Rig closing(2);
    closing.queue.push_back([&] {  // as the saver window's close does
        closing.flags.animating = false;
        std::vector<ModelSlot>().swap(closing.slots);
        return Pumped::Message;
    });
    EXPECT_EQ(closing.run(1000000).size(), 1u);
    EXPECT_EQ(closing.frames, 0);
    // One message per model and frame, active or not; none without models.
    for (int32_t count : {3, 15, 0}) {
        Rig many(count);
        many.run(600);
        EXPECT_GE(many.pumps, count * (many.clock - 1000) / 50 / 2) << count;
        EXPECT_EQ(many.pumps, count ? count * many.frames + many.updates.back().model + 1 : 0) << count;
        EXPECT_EQ(std::make_pair(many.flags.animating, many.cleared.empty()), std::make_pair(!count, !count)) << count;
    }
    // The password dialog refuses after ten seconds: the model must not jump.
    Rig refused(1);
    refused.queue.resize(2);
    refused.queue.push_back([&] {
        refused.clock += 10000;
        refused.flags.resetClocks = true;
        return Pumped::Message;
    });
    const std::vector<Update>& u = refused.run(6);
    ASSERT_EQ(u.size(), 6u);
    EXPECT_EQ(std::make_pair(refused.flags.resetClocks, u[3].now - u[2].now), std::make_pair(false, 10050));
    EXPECT_FLOAT_EQ(u[3].velocity - u[2].velocity, u[2].velocity - u[1].velocity);
    EXPECT_NEAR(u[3].position[1] - u[2].position[1], u[2].position[1] - u[1].position[1], 1e-3f);
}

}  // namespace
}  // namespace glowpond
