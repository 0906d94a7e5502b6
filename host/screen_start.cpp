#include "host/screen_start.h"

#include <algorithm>
#include <memory>

namespace glowpond {

uint32_t screenSeed(uint32_t time, uint64_t id) {
    // A multiplicative hash spreads neighbouring ids over the seed's bits.
    const uint64_t mixed = (id + 1) * 0x9E3779B97F4A7C15ull;
    return time ^ static_cast<uint32_t>(mixed >> 32) ^ static_cast<uint32_t>(mixed);
}

int32_t firstModelOfWindow(uint64_t windowId, uint32_t time, int32_t count) {
    if (count < 1) return 0;
    // An X id is the client's base (bits 21 and up) plus a number the
    // client counts up; adding the two keeps neighbouring windows of one
    // client, and the first windows of neighbouring clients, apart.
    const uint64_t place = (windowId >> 21) + (windowId & 0x1FFFFFu) + time / 60u;
    return static_cast<int32_t>(place % static_cast<uint64_t>(count));
}

void startWith(ModelSlot* slots, int32_t count, int32_t first) {
    if (first < 1 || first >= count) return;
    std::rotate(slots, slots + first, slots + count);
}

ModelSlot copyOfSlot(const ModelSlot& slot) {
    ModelSlot copy;
    if (slot.model) copy.model = std::make_unique<DisplayMesh>(*slot.model);
    if (slot.blob) copy.blob = std::make_unique<DisplayMesh>(*slot.blob);
    copy.pulse = slot.pulse;
    copy.blobCenter = slot.blobCenter;
    copy.blobRadius = slot.blobRadius;
    copy.modelColor = slot.modelColor;
    copy.lavaColor = slot.lavaColor;
    copy.position = slot.position;
    copy.settingsIndex = slot.settingsIndex;
    return copy;
}

}  // namespace glowpond
