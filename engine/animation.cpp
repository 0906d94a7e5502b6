#include "engine/animation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "config/settings.h"
#include "platform/platform.h"

namespace glowpond {

int32_t animating = 0;
int32_t resetClocks = 0;

namespace {

// Pseudo-random scale factors: 0.6, 0.1 and 1 divided by 32767.
constexpr float kSpeedSpread = 1.8311106e-5f;
constexpr float kGravitySpread = 3.051851e-6f;
constexpr float kRandomToUnit = 3.0518509e-5f;
constexpr float kWidthOfRise = 1.8f;  // x positions spread over +-0.9
constexpr float kPeakHeight = 0.5f;
constexpr float kDepthStep = 2.0f;    // model j at z = -2 (j + 1)
constexpr float kMorphSpeed = 0.05f;  // below this fraction of its speed a blob morphs
constexpr float kResetSpeed = -1.1f;  // a falling blob this fast is reset
constexpr float kFallStart = -0.051f;
constexpr float kLowestDrawn = -1.5f;  // below this a blob is off the screen

struct ModelState {
    int32_t morphStep = 0;
    int32_t holdCounter = 0;
    int32_t holdDirection = 1;
    float riseSpeed = 0.0f;
    float velocity = 0.0f;
    float gravity = 0.0f;
    int32_t now = 0;
    int32_t lastUpdate = 0;
    bool active = false;
};

float randomUnit(Platform& p) { return float(p.randomValue()) * kRandomToUnit; }

float newGravity(Platform& p, float riseSpeed) {
    return (float(p.randomValue()) * kGravitySpread + 1.0f) * (riseSpeed * riseSpeed) * -0.25f;
}

float randomX(Platform& p) { return (randomUnit(p) - 0.5f) * kWidthOfRise; }

// The start height from which a ballistic rise with this speed and gravity
// peaks at y = 0.5.
float startHeight(float velocity, float gravity) { return velocity * velocity / gravity * 0.5f + kPeakHeight; }

// Busy-waits until the model's step is due and returns the elapsed seconds.
// The step is counted in whole milliseconds, so that exactly 50 ms is a
// full step; a clock reading of 0 or less counts as a full second.
float waitForStep(Platform& p, ModelState& m) {
    for (;;) {
        m.now = p.clockMs();
        if (m.now <= 0) return 1.0f;
        const int64_t elapsed = int64_t(m.now) - int64_t(m.lastUpdate);
        if (elapsed >= kModelStepMs) return float(elapsed) * 0.001f;
        p.spinWait(static_cast<int32_t>(kModelStepMs - elapsed));
    }
}

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

void runAnimationLoop(AnimationView& view, ModelSlot* slots, int32_t modelCount, const SaverSettings& settings) {
    if (modelCount < 1) return;
    Platform& p = platform();
    const AnimationTiming timing = animationTiming(settings);
    const int32_t period = timing.spinPeriod;
    p.seedRandomFromTime();

    const size_t n = static_cast<size_t>(modelCount);
    std::vector<ModelState> models(n);
    std::vector<ScissorRect> rectsA(n), rectsB(n);
    std::vector<ScissorRect>* currentRects = &rectsA;
    std::vector<ScissorRect>* previousRects = &rectsB;

    for (size_t j = 0; j < n; ++j) {
        ModelState& m = models[j];
        m.riseSpeed = timing.baseSpeed;
        m.velocity = j == 0 ? timing.baseSpeed : timing.baseSpeed * (1.0f + float(p.randomValue()) * kSpeedSpread);
        m.gravity = newGravity(p, m.riseSpeed);
        const float x = randomX(p);
        const float y = startHeight(m.velocity, m.gravity);
        const float z = (-1.0f - float(j)) * kDepthStep;
        ModelSlot& slot = slots[j];
        slot.moveBy(x - slot.position[0], y - slot.position[1], z - slot.position[2]);
    }
    models[0].active = true;
    const int32_t start = p.clockMs();
    for (ModelState& m : models) m.lastUpdate = start;

    bool solid = false;
    while (animating) {
        view.beginFrame();
        for (size_t j = 0; j < n; ++j) {
            if (models[j].active) view.clearRect((*currentRects)[j]);
        }

        for (size_t j = 0; j < n; ++j) {
            ModelState& m = models[j];
            if (m.active) {
                ModelSlot& slot = slots[j];
                if (resetClocks) {
                    const int32_t now = p.clockMs();
                    for (ModelState& other : models) other.lastUpdate = now;
                    resetClocks = 0;
                }
                const float dt = waitForStep(p, m);
                m.lastUpdate = m.now;

                const float v = m.velocity;
                const float s = m.riseSpeed;
                ModelPhase phase;
                if (std::fabs(v) < s * kMorphSpeed) {
                    phase = ModelPhase::Morph;
                    if (!solid) {
                        const size_t entry = static_cast<size_t>(slot.settingsIndex);
                        view.setSolidMode(true, settings.backCull[entry] != 0, settings.twoSided[entry] != 0);
                        solid = true;
                    }
                    slot.model->visible = 1;
                    view.drawSlot(slot, m.morphStep, true, period, timing.drawScale, (*currentRects)[j]);
                    m.holdCounter += m.holdDirection;
                    m.morphStep = std::min(m.holdCounter, period);
                    // Tested after the increment: t reaches P and stays there
                    // until the counter has come back below P.
                    if (m.holdCounter == timing.holdLimit) {
                        m.holdDirection = -1;
                        m.holdCounter -= 1;
                    }
                    if (m.morphStep == 0) {
                        // The blob is whole again: it falls, and the next model rises.
                        m.velocity = s * kFallStart;
                        m.holdDirection = 1;
                        m.lastUpdate = p.clockMs();
                        ModelState& next = models[(j + 1) % n];
                        next.active = true;
                        next.lastUpdate = p.clockMs();
                    }
                } else if (v > s * kResetSpeed) {
                    phase = v > 0.0f ? ModelPhase::Rise : ModelPhase::Fall;
                    if (solid) {
                        view.setSolidMode(false, true, false);
                        solid = false;
                    }
                    slot.model->visible = 0;
                    // A fast blob glows in the lava colour and takes on the
                    // model's colour as it slows down.
                    float glow = v > 0.0f ? v / s * 2.0f - 0.1f : v / s * -2.0f - 0.1f;
                    glow = std::min(glow, 1.0f);
                    if (glow < 0.0f) glow = 0.0f;
                    MeshPart& blobPart = slot.blob->parts[0];
                    for (int c = 0; c < 3; ++c) {
                        blobPart.color[c] = slot.modelColor[c] * (1.0f - glow) + slot.lavaColor[c] * glow;
                    }
                    const float dy = (m.gravity * dt * 0.5f + v) * dt;
                    m.velocity = v + m.gravity * dt;
                    slot.moveBy(0.0f, dy, 0.0f);
                    if (slot.position[1] > kLowestDrawn) {
                        view.drawSlot(slot, 0, false, period, timing.drawScale, (*currentRects)[j]);
                    }
                } else {
                    phase = ModelPhase::Reset;
                    if (n > 1) {
                        m.active = false;
                        // A long stall can carry a rising blob past the top in one
                        // step, so it never morphs and never hands over its turn:
                        // pass the turn on here rather than leave the display empty.
                        if (std::none_of(models.begin(), models.end(), [](const ModelState& o) { return o.active; })) {
                            ModelState& next = models[(j + 1) % n];
                            next.active = true;
                            next.lastUpdate = p.clockMs();
                        }
                    }
                    m.velocity = (float(p.randomValue()) * kSpeedSpread + 1.0f) * s;
                    m.gravity = newGravity(p, s);
                    const float x = randomX(p);
                    slot.moveBy(-slot.position[0] + x,
                                m.velocity * m.velocity / m.gravity * 0.5f - slot.position[1] + kPeakHeight, 0.0f);
                    m.lastUpdate = p.clockMs();
                }
                view.addSwapHints((*currentRects)[j], (*previousRects)[j]);
                view.modelUpdated({static_cast<int32_t>(j), phase, m.morphStep, m.holdCounter, m.now, m.velocity, slot});
            }

            // One message per model, active or not, so that input reaches
            // the window procedures however few models are moving.
            if (p.pumpMessage() == PumpResult::Quit) animating = 0;
            if (!animating) return;
        }

        view.endFrame();
        std::swap(currentRects, previousRects);
    }
}

}  // namespace glowpond
