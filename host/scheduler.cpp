#include "host/scheduler.h"

namespace glowpond {

void Scheduler::start(ModelSlot* slots, int32_t count, const SaverSettings& settings, uint32_t seed, Clock& clock) {
    clock_ = &clock;
    next_ = 0;
    inFrame_ = false;
    restartPending_ = false;
    animation_.start(slots, count, settings, seed, clock);
}

Scheduler::Step Scheduler::step(int32_t nowMs, AnimationView& view) {
    const int32_t count = animation_.modelCount();
    if (count < 1) return {Step::FrameEnd};
    if (!inFrame_) {
        animation_.beginFrame(view);
        inFrame_ = true;
        next_ = 0;
    }
    if (next_ == count) {
        animation_.endFrame(view);
        inFrame_ = false;
        return {Step::FrameEnd};
    }
    if (!animation_.isActive(next_)) {
        ++next_;
        return {Step::Turn};
    }
    if (restartPending_) {
        animation_.restartClocks(clock_->nowMs());
        restartPending_ = false;
    }
    if (const int32_t wait = animation_.msUntilDue(next_, nowMs)) return {Step::Wait, wait};
    animation_.update(next_++, nowMs, view);
    return {Step::Turn, 0, true};
}

int32_t Scheduler::idleMs(int32_t nowMs) const {
    if (!inFrame_ || restartPending_ || next_ >= animation_.modelCount() || !animation_.isActive(next_)) return 0;
    return animation_.msUntilDue(next_, nowMs);
}

}  // namespace glowpond
