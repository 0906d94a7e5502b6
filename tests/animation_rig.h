// A test rig for the animation as the Windows saver's frame loop drives it.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "engine/animation.h"
#include "host/frame_loop.h"

namespace glowpond::testing {

struct Update : ModelUpdate {  // with what the update left of its slot
    Vec3f position, blobColor;
    int32_t frame, modelVisible;
};

// Red cubes in `count` slots, animated from `startMs` on by the saver's loop: the rig is the view and
// stands in for the window's thread (with a simulated clock), with a queue of messages that are dispatched
// by calling them (an empty one is a plain message), and messages that other threads post at given times
// (`arrivals`, in time order), which end a sleep. Each square drawn carries the number of its drawing in y.
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
    void drawSlot(const ModelSlot&, float, ScissorRect& rect) override {
        rect.y = ++draws;
        clock += drawMs;
    }
    void addSwapHints(const ScissorRect& now, const ScissorRect& was) override { hints.emplace_back(now.y, was.y); }
    void endFrame() override { ++frames; }
    void modelUpdated(const ModelUpdate& u) override {
        updates.push_back({u, u.slot.position, u.slot.blob->parts[0].color, frames, u.slot.model->visible});
        if (updates.size() >= stopAfter) flags.animating = false;
        if (onUpdate) onUpdate(updates.back());
    }
    int32_t nowMs() override { return clock; }
    void spinWait(int32_t remainingMs) override {
        ++spins;
        clock += remainingMs;
    }
    bool sleepWait(int32_t remainingMs) override {
        ++sleeps;
        deliver();
        if (!queue.empty()) {
            // A loop that leaves the message would come straight back: stop it rather than hang.
            if (++wokeAtOnce > 100000) flags.animating = false;
            return true;
        }
        const int32_t due = clock + remainingMs;
        if (!arrivals.empty() && arrivals.front().first < due) {
            clock = arrivals.front().first;
            deliver();
            return true;
        }
        clock = due;
        return false;
    }
    void deliver() {
        for (; !arrivals.empty() && arrivals.front().first <= clock; arrivals.pop_front()) {
            queue.push_back(std::move(arrivals.front().second));
        }
    }
    Pumped pumpMessage() override {
        deliver();
        ++pumps;
        if (frames >= 100000) return Pumped::Quit;
        if (queue.empty()) return Pumped::Nothing;
        const std::function<Pumped()> message = std::move(queue.front());
        queue.pop_front();
        return message ? message() : Pumped::Message;
    }

    SaverSettings settings;
    std::vector<ModelSlot> slots;
    int32_t count, clock, draws = 0, frames = 0, pumps = 0, spins = 0, sleeps = 0, wokeAtOnce = 0;
    int32_t drawMs = 0;  // how far the clock moves while a slot is drawn
    size_t stopAfter = 0;
    LoopFlags flags{true, false};
    std::deque<std::function<Pumped()>> queue;
    std::deque<std::pair<int32_t, std::function<Pumped()>>> arrivals;
    std::function<void(const Update&)> onUpdate;
    std::vector<Update> updates;
    std::vector<std::tuple<bool, bool, bool, size_t>> modes;  // solid mode switches, by the update they come before
    std::vector<std::vector<int32_t>> cleared;       // per frame, the drawings of the cleared squares
    std::vector<std::pair<int32_t, int32_t>> hints;  // per update, those of the current and previous squares
};

}  // namespace glowpond::testing
