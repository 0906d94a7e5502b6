#include "engine/animation.h"

#include <algorithm>
#include <cmath>

#include "config/settings.h"

namespace glowpond {
namespace {

// Pseudo-random scale factors: 0.6 and 0.1 divided by 32767.
constexpr float kSpeedSpread = 1.8311106e-5f;
constexpr float kGravitySpread = 3.051851e-6f;
constexpr float kWidthOfRise = 1.8f;  // x positions spread over +-0.9
constexpr float kPeakHeight = 0.5f;
constexpr float kDepthStep = 2.0f;    // model j at z = -2 (j + 1)
constexpr float kMorphSpeed = 0.05f;  // below this fraction of its speed a blob morphs
constexpr float kResetSpeed = -1.1f;  // a falling blob this fast is reset
constexpr float kFallStart = -0.051f;
constexpr float kLowestDrawn = -1.5f;  // below this a blob is off the screen

// The start height from which a ballistic rise with this speed and gravity
// peaks at y = 0.5.
float startHeight(float velocity, float gravity) { return velocity * velocity / gravity * 0.5f + kPeakHeight; }

}  // namespace

AnimationTiming animationTiming(const SaverSettings& settings) {
    AnimationTiming timing;
    timing.drawScale = sizeFactor(settings.totalSize);
    timing.baseSpeed = float(inSettingRange(settings.speed)) * 0.052547902f;
    timing.spinPeriod = 40 * static_cast<int32_t>(float(inSettingRange(settings.spinSpeed)) * -0.7777777f + 8.777778f);
    timing.holdFactor = float(inSettingRange(settings.objectDuration)) * 0.1111111f + 0.9888889f;
    timing.holdLimit = static_cast<int32_t>(float(timing.spinPeriod) * timing.holdFactor);
    return timing;
}

float Animation::newGravity(float riseSpeed) {
    return (float(random_.next()) * kGravitySpread + 1.0f) * (riseSpeed * riseSpeed) * -0.25f;
}

float Animation::randomX() { return (random_.unit() - 0.5f) * kWidthOfRise; }

void Animation::start(ModelSlot* slots, int32_t count, const SaverSettings& settings, uint32_t seed,
                      Clock& clock) {
    slots_ = slots;
    clock_ = &clock;
    const size_t n = static_cast<size_t>(std::max(count, 0));
    models_.assign(n, ModelState());
    currentRects_.assign(n, ScissorRect());
    previousRects_.assign(n, ScissorRect());
    solid_ = false;
    if (n == 0) return;
    timing_ = animationTiming(settings);
    random_.seed(seed);

    for (size_t j = 0; j < n; ++j) {
        ModelState& m = models_[j];
        ModelSlot& slot = slots[j];
        const ModelSettings& entry = settings.models[static_cast<size_t>(slot.settingsIndex)];
        m.backCull = entry.backCull != 0;
        m.twoSided = entry.twoSided != 0;
        m.riseSpeed = timing_.baseSpeed;
        m.velocity = j == 0 ? timing_.baseSpeed : timing_.baseSpeed * (1.0f + float(random_.next()) * kSpeedSpread);
        m.gravity = newGravity(m.riseSpeed);
        const float x = randomX();
        const float y = startHeight(m.velocity, m.gravity);
        const float z = (-1.0f - float(j)) * kDepthStep;
        slot.moveBy(x - slot.position[0], y - slot.position[1], z - slot.position[2]);
    }
    models_[0].active = true;
    const int32_t nowMs = clock.nowMs();
    for (ModelState& m : models_) m.lastUpdate = nowMs;
}

int32_t Animation::msUntilDue(int32_t model, int32_t nowMs) const {
    if (nowMs <= 0) return 0;
    const int64_t elapsed = int64_t(nowMs) - int64_t(models_[static_cast<size_t>(model)].lastUpdate);
    return elapsed >= kModelStepMs ? 0 : static_cast<int32_t>(kModelStepMs - elapsed);
}

void Animation::restartClocks(int32_t nowMs) {
    for (ModelState& m : models_) m.lastUpdate = nowMs;
}

void Animation::activate(size_t model, int32_t nowMs) {
    models_[model].active = true;
    models_[model].lastUpdate = nowMs;
}

void Animation::beginFrame(AnimationView& view) {
    view.beginFrame();
    for (size_t j = 0; j < models_.size(); ++j) {
        if (models_[j].active) view.clearRect(currentRects_[j]);
    }
}

void Animation::update(int32_t model, int32_t nowMs, AnimationView& view) {
    const size_t j = static_cast<size_t>(model);
    ModelState& m = models_[j];
    const float dt = nowMs <= 0 ? 1.0f : float(int64_t(nowMs) - int64_t(m.lastUpdate)) * 0.001f;
    m.lastUpdate = nowMs;

    ModelPhase phase;
    if (std::fabs(m.velocity) < m.riseSpeed * kMorphSpeed) {
        phase = morph(model, view);
    } else if (m.velocity > m.riseSpeed * kResetSpeed) {
        phase = fly(model, dt, view);
    } else {
        phase = reset(model);
    }
    view.addSwapHints(currentRects_[j], previousRects_[j]);
    view.modelUpdated({model, phase, m.morphStep, m.holdCounter, nowMs, m.velocity, slots_[j]});
}

ModelPhase Animation::morph(int32_t model, AnimationView& view) {
    const size_t j = static_cast<size_t>(model);
    ModelState& m = models_[j];
    ModelSlot& slot = slots_[j];
    const int32_t period = timing_.spinPeriod;
    if (!solid_) {
        view.setSolidMode(true, m.backCull, m.twoSided);
        solid_ = true;
    }
    slot.model->visible = 1;
    slot.shapeFrame(m.morphStep, true, period, random_);
    view.drawSlot(slot, timing_.drawScale, currentRects_[j]);
    m.holdCounter += m.holdDirection;
    m.morphStep = std::min(m.holdCounter, period);
    // Tested after the increment: t reaches P and stays there until the
    // counter has come back below P.
    if (m.holdCounter == timing_.holdLimit) {
        m.holdDirection = -1;
        m.holdCounter -= 1;
    }
    if (m.morphStep == 0) {
        // The blob is whole again: it falls, and the next model rises, both
        // from now, after the drawing, not from the update's reading.
        m.velocity = m.riseSpeed * kFallStart;
        m.holdDirection = 1;
        m.lastUpdate = clock_->nowMs();
        activate((j + 1) % models_.size(), clock_->nowMs());
    }
    return ModelPhase::Morph;
}

ModelPhase Animation::fly(int32_t model, float dt, AnimationView& view) {
    const size_t j = static_cast<size_t>(model);
    ModelState& m = models_[j];
    ModelSlot& slot = slots_[j];
    const float v = m.velocity;
    const float s = m.riseSpeed;
    if (solid_) {
        view.setSolidMode(false, true, false);
        solid_ = false;
    }
    slot.model->visible = 0;
    // A fast blob glows in the lava colour and takes on the model's colour
    // as it slows down.
    float glow = v > 0.0f ? v / s * 2.0f - 0.1f : v / s * -2.0f - 0.1f;
    glow = std::min(glow, 1.0f);
    if (glow < 0.0f) glow = 0.0f;
    MeshPart& blobPart = slot.blob->parts[0];
    blobPart.color = slot.modelColor * (1.0f - glow) + slot.lavaColor * glow;

    const float dy = (m.gravity * dt * 0.5f + v) * dt;
    m.velocity = v + m.gravity * dt;
    slot.moveBy(0.0f, dy, 0.0f);
    if (slot.position[1] > kLowestDrawn) {
        slot.shapeFrame(0, false, timing_.spinPeriod, random_);
        view.drawSlot(slot, timing_.drawScale, currentRects_[j]);
    }
    return v > 0.0f ? ModelPhase::Rise : ModelPhase::Fall;
}

ModelPhase Animation::reset(int32_t model) {
    const size_t j = static_cast<size_t>(model);
    ModelState& m = models_[j];
    ModelSlot& slot = slots_[j];
    const float s = m.riseSpeed;
    if (models_.size() > 1) {
        m.active = false;
        // A long stall can carry a rising blob past the top in one step, so
        // it never morphs and never hands over its turn: pass the turn on
        // here rather than leave the display empty.
        if (std::none_of(models_.begin(), models_.end(), [](const ModelState& o) { return o.active; })) {
            activate((j + 1) % models_.size(), clock_->nowMs());
        }
    }
    m.velocity = (float(random_.next()) * kSpeedSpread + 1.0f) * s;
    m.gravity = newGravity(s);
    const float x = randomX();
    slot.moveBy(-slot.position[0] + x, m.velocity * m.velocity / m.gravity * 0.5f - slot.position[1] + kPeakHeight,
                0.0f);
    m.lastUpdate = clock_->nowMs();
    return ModelPhase::Reset;
}

void Animation::endFrame(AnimationView& view) {
    view.endFrame();
    currentRects_.swap(previousRects_);
}

}  // namespace glowpond
