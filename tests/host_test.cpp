// The host layer: the frame loop of a host that pumps its own messages, on the scheduler.
#include "host/frame_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "host/scheduler.h"
#include "tests/animation_rig.h"

namespace glowpond {
namespace {

using Pumped = LoopServices::Pumped;
using testing::Rig;
using testing::Update;

SaverSettings busyLoop() {
    SaverSettings settings;
    settings.spareProcessor = 0;
    return settings;
}

// Which model moved, at which reading, to where.
std::vector<std::tuple<int32_t, int32_t, float, float>> motion(const std::vector<Update>& updates) {
    std::vector<std::tuple<int32_t, int32_t, float, float>> out;
    for (const Update& u : updates) out.emplace_back(u.model, u.now, u.position[0], u.position[1]);
    return out;
}

TEST(FrameLoop, takesOneMessagePerModelAndFrameEndsAfterTheUpdateOnAQuitOrACloseAndAfterARefusalRestartsTheClocks) {
    Rig rig(3, busyLoop());
    rig.queue.resize(3);
    rig.queue.push_back([] { return Pumped::Quit; });
    EXPECT_EQ(rig.run(1000000).size(), 2u);  // model 0 in frames 0 and 1
    EXPECT_EQ(std::make_tuple(rig.flags.animating, rig.frames, rig.pumps), std::make_tuple(false, 1, 4));
    Rig closing(2, busyLoop());
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
    Rig refused(1, busyLoop());
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

TEST(FrameLoop, sleepsToTheSameStepsAsTheBusyLoopAndTakesTheMessageThatWakesItSoAStreamOfThemCannotMakeItSpin) {
    Rig busy(3, busyLoop()), sleeping(3);
    ASSERT_EQ(busy.run(400).size(), 400u);
    EXPECT_EQ(motion(sleeping.run(400)), motion(busy.updates));
    EXPECT_EQ(std::make_tuple(busy.sleeps, sleeping.spins, sleeping.pumps), std::make_tuple(0, 0, busy.pumps));
    EXPECT_GT(busy.spins, 0);
    // Timers or paints every 7 ms wake each sleep several times: every one is taken when it wakes the loop,
    // the steps keep their readings, and no sleep begins with a message left in the queue.
    Rig streamed(3);
    for (int32_t t = 1003; t < 200000; t += 7) streamed.arrivals.emplace_back(t, nullptr);
    const size_t posted = streamed.arrivals.size();
    EXPECT_EQ(motion(streamed.run(400)), motion(busy.updates));
    const size_t taken = posted - streamed.arrivals.size() - streamed.queue.size();
    EXPECT_EQ(streamed.wokeAtOnce, 0);
    EXPECT_GE(taken, size_t(streamed.clock - 1003) / 7);
    EXPECT_LE(streamed.sleeps, sleeping.sleeps + int32_t(taken));
    // A WM_QUIT or a close that arrives during a sleep ends the loop before the model's step.
    Rig quit(2);
    quit.arrivals.emplace_back(1020, [] { return Pumped::Quit; });
    EXPECT_EQ(quit.run(100).size(), 0u);
    EXPECT_EQ(std::make_tuple(quit.flags.animating, quit.clock, quit.frames), std::make_tuple(false, 1020, 0));
    Rig closing(2);
    closing.arrivals.emplace_back(1120, [&] {
        closing.flags.animating = false;
        std::vector<ModelSlot>().swap(closing.slots);
        return Pumped::Message;
    });
    EXPECT_EQ(closing.run(100).size(), 2u);
    EXPECT_EQ(closing.clock, 1120);
}

TEST(Scheduler, saysHowLongUntilTheModelIsDueGivesEachModelItsTurnAndEndsTheFrameAfterTheLast) {
    // A host that sleeps: it steps, and on Wait lets the clock run on by what the step said.
    Rig rig(3);
    Scheduler scheduler;
    scheduler.start(rig.slots.data(), 3, rig.settings, 1, rig);
    auto steps = [&](int n) {
        std::string kinds;  // W wait, U update, t a waiting model's turn, E frame end
        for (int i = 0; i < n; ++i) {
            const Scheduler::Step step = scheduler.step(rig.clock, rig);
            const bool ended = step.kind == Scheduler::Step::FrameEnd;
            kinds += step.kind == Scheduler::Step::Wait ? 'W' : ended ? 'E' : step.updated ? 'U' : 't';
            if (step.kind == Scheduler::Step::Wait) rig.clock += step.waitMs;
        }
        return kinds;
    };
    EXPECT_EQ(steps(10), "WUttEWUttE");
    // The next frame begins with the next step.
    EXPECT_EQ(std::make_tuple(rig.clock, rig.frames, rig.cleared.size()), std::make_tuple(1100, 2, size_t(2)));
    // Held up for ten seconds: after a restart the model waits its full step instead of jumping.
    rig.clock += 10000;
    scheduler.restartClocks();
    EXPECT_EQ(scheduler.step(rig.clock, rig).waitMs, 50);
    Scheduler empty;
    empty.start(nullptr, 0, rig.settings, 1, rig);
    EXPECT_EQ(empty.step(rig.clock, rig).kind, Scheduler::Step::FrameEnd);
    EXPECT_EQ(rig.frames, 2);
}

}  // namespace
}  // namespace glowpond
