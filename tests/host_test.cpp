// The host layer: the frame loop of a host that pumps its own messages, on the scheduler.
#include "host/frame_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "host/scheduler.h"
#include "host/screen_start.h"
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

// Lava on several monitors from one thread: each screen is a view over cubes of its own, started with
// model k on screen k; the clock and the message queue are the loop's. With `refreshHz` a frame's end
// waits for the display's next refresh, as a swap interval of 1 does.
struct Screens : LoopServices {
    struct Screen : AnimationView {
        void drawn() {
            EXPECT_EQ(all->selected, number) << "drawn on another screen's surface";
            EXPECT_FALSE(all->quitTaken) << "drawn after the run ended";
        }
        void beginFrame() override { drawn(); }
        void clearRect(const ScissorRect&) override { drawn(); }
        void setSolidMode(bool, bool, bool) override { drawn(); }
        void drawSlot(const ModelSlot&, float, ScissorRect&) override { drawn(); }
        void addSwapHints(const ScissorRect&, const ScissorRect&) override {}
        void endFrame() override {
            drawn();
            ++frames;
            if (all->refreshHz) all->clock = (all->clock * all->refreshHz / 1000 + 1) * 1000 / all->refreshHz + 1;
        }
        void modelUpdated(const ModelUpdate& u) override {
            if (firstModel < 0) std::tie(firstModel, firstX) = std::tuple(u.slot.settingsIndex, u.slot.position[0]);
            ++updates;
        }
        Screens* all = nullptr;
        int32_t number = 0, frames = 0, updates = 0, firstModel = -1;
        float firstX = 0.0f;
        std::vector<ModelSlot> slots;
    };

    Screens(int32_t screens, int32_t models) : views(size_t(screens)) {
        for (int32_t k = 0; k < screens; ++k) {
            Screen& screen = views[size_t(k)];
            std::tie(screen.all, screen.number) = std::tuple(this, k);
            screen.slots.resize(size_t(models));
            for (int32_t i = 0; i < models; ++i) {
                screen.slots[size_t(i)].model = std::make_unique<DisplayMesh>();
                screen.slots[size_t(i)].model->makeCube(1.0f, 0.0f, 0.0f);
                EXPECT_TRUE(screen.slots[size_t(i)].setUp(i, settings));
            }
            startWith(screen.slots.data(), models, models ? k % models : 0);
        }
    }
    void run(int32_t untilMs) {
        endMs = untilMs;
        std::vector<LoopScreen> loops;
        for (Screen& s : views) {
            loops.push_back({s.slots.data(), int32_t(s.slots.size()), screenSeed(7, uint64_t(s.number)), &s,
                             [this, &s] { selected = s.number; }});
        }
        runFrameLoops(loops, settings, *this, flags);
    }
    int32_t nowMs() override { return clock; }
    void spinWait(int32_t remainingMs) override { clock += remainingMs; }
    bool sleepWait(int32_t remainingMs) override {
        clock += remainingMs;
        return false;
    }
    Pumped pumpMessage() override {
        quitTaken = ++pumps == quitAtPump || clock >= endMs;
        return quitTaken ? Pumped::Quit : Pumped::Nothing;
    }

    SaverSettings settings;
    std::vector<Screen> views;
    LoopFlags flags{true, false};
    int32_t clock = 1000, endMs = 0, refreshHz = 0, selected = -1, pumps = 0, quitAtPump = -1;
    bool quitTaken = false;
};

TEST(FrameLoops, driveEveryScreenOnItsOwnSurfaceFromItsOwnFirstModelAndSeedUntilAQuitOnAnyOfThem) {
    for (int32_t spare : {0, 1}) {  // spinning or sleeping while every screen waits
        Screens three(3, 3);
        three.settings.spareProcessor = spare;
        three.run(61000);
        for (const Screens::Screen& s : three.views) {
            EXPECT_EQ(s.firstModel, s.number);
            // Some model steps every 50 ms on every screen, as alone.
            EXPECT_GE(s.updates, 60 * 20 - 20) << s.number;
        }
        EXPECT_TRUE(three.views[0].firstX != three.views[1].firstX && three.views[1].firstX != three.views[2].firstX);
    }
    // A quit taken after any model's turn, here the second screen's first, ends all at once.
    Screens quitting(3, 2);
    quitting.quitAtPump = 3;
    quitting.run(1000000);
    EXPECT_EQ(std::make_tuple(quitting.flags.animating, quitting.pumps, quitting.views[2].frames),
              std::make_tuple(false, 3, 0));
    // No models anywhere: nothing runs.
    Screens empty(2, 0);
    empty.run(1000000);
    EXPECT_EQ(empty.pumps, 0);
}

TEST(FrameLoops, withASwapIntervalOfOneKeepTheModelStepsOnThreeScreensAndDivideTheRefreshAmongMore) {
    for (const auto& [screens, floorFps] : {std::pair(1, 19.5), std::pair(3, 19.0), std::pair(4, 14.5)}) {
        Screens s(screens, 3);
        s.refreshHz = 60;
        s.run(61000);
        for (const Screens::Screen& view : s.views) {
            const double fps = view.frames / 60.0;
            EXPECT_GE(fps, floorFps) << screens << " screens";
            EXPECT_LE(fps, 20.5) << screens << " screens";
        }
    }
}

TEST(ScreenStart, windowsStartedTogetherGetTheirOwnFirstModelAndSeed) {
    const uint32_t now = 1765000000;
    // One client's windows (xscreensaver's, one per screen) and the first windows of neighbouring clients.
    for (const auto& [a, b] : {std::pair(0x1400005ull, 0x1400006ull), std::pair(0x1400005ull, 0x140000aull),
                               std::pair(0x1400001ull, 0x1600001ull), std::pair(0x1e00002ull, 0x2000002ull)}) {
        for (int32_t count : {2, 3, 15}) {
            EXPECT_NE(firstModelOfWindow(a, now, count), firstModelOfWindow(b, now, count)) << a << " " << b;
        }
        EXPECT_NE(screenSeed(now, a), screenSeed(now, b));
    }
    EXPECT_NE(screenSeed(now, 1), screenSeed(now, 2));
    // The same window shows another model first a minute later; single and no models start at 0.
    EXPECT_NE(firstModelOfWindow(0x1400005, now, 3), firstModelOfWindow(0x1400005, now + 60, 3));
    EXPECT_EQ(firstModelOfWindow(0x1400005, now, 1) + firstModelOfWindow(0x1400005, now, 0), 0);
}

}  // namespace
}  // namespace glowpond
