// How the animations of several windows started together (lava on every
// monitor, or xscreensaver's one copy per screen) come to differ: each its
// own generator seed, and each its own first model.
#pragma once

#include <cstdint>

#include "engine/model_slot.h"

namespace glowpond {

// The generator seed of the animation in the window numbered or named `id`,
// started at `time` (seconds): windows started in the same second differ.
uint32_t screenSeed(uint32_t time, uint64_t id);

// Which of `count` models the animation in X window `windowId` starts
// with. Copies started within the same minute on windows of one client
// (xscreensaver's), or on the first windows of different clients, start
// with different models as far as the count allows; the minute moves the
// choice on from one start to the next. 0 when count is below 1.
int32_t firstModelOfWindow(uint64_t windowId, uint32_t time, int32_t count);

// Moves slots[first] to the front with those after it, those before it
// following, so that the animation starts with that model. Nothing happens
// when `first` is outside 1 .. count - 1.
void startWith(ModelSlot* slots, int32_t count, int32_t first);

// A copy of a set-up slot for another animation: its own model and blob,
// whose vertices that animation shapes. What the drawing derived from the
// faces is shared, not copied.
ModelSlot copyOfSlot(const ModelSlot& slot);

}  // namespace glowpond
