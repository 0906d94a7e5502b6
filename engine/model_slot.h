// One model of the running saver: the loaded model, the lava blob it rises
// as, and the travelling wave that makes the blob's surface bulge.
//
// A slot is set up once its `model` holds a loaded file or a cube (setUp);
// after that the animation only moves it (moveBy) and shapes it for each
// frame (shapeFrame, which also spins it).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/random.h"
#include "mesh/display_mesh.h"

namespace glowpond {

struct SaverSettings;

// Scale of the models and of the drawing for a `totalSize` setting: 0.25 for
// 1, 0.75 for 9, 1.0 for 10. Values outside 1..10 count as the nearest end.
float sizeFactor(int32_t totalSize);

// The surface wave of a blob: two phases running over a sine table, each
// drifting in a slowly changing random direction.
class PulseField {
public:
    // (Re)builds the tables and sets `speed` from the `pulseSpeed` setting
    // (values outside 1..10 count as the nearest end).
    void init(int32_t pulseSpeed);

    // Advances the phases by one frame. Every 20th call turns the drift by a
    // random angle drawn from `random`.
    void step(StandardRandom& random);

    // The surface factor at table coordinates (a, b), about 0.7 to 1.3;
    // coordinates of any sign and size fold into the table. 1.0 before init.
    float sample(float a, float b) const;

    // The number of table entries N.
    int32_t size() const { return size_; }

    float amplitude = 0.2f;
    std::vector<float> slopeTable;  // N entries: waveTable[i] / N
    std::vector<float> waveTable;   // N entries: sin(2 pi i / N) * amplitude * 0.75
    float phaseU = 10.0f;           // in table entries
    float phaseV = 10.0f;
    int32_t stepCount = 0;  // steps since the drift last turned
    float driftU = 1.0f;    // phase change per step, before `speed`
    float driftV = 1.0f;
    float speed = 0.0f;

private:
    int32_t size_ = 180;
};

struct ModelSlot {
    // Readies the slot for the animation with entry `index` of the
    // per-model settings: the pulse, a new blob, and prepare(). False as
    // prepare() is.
    bool setUp(int32_t index, const SaverSettings& settings);

    // Replaces `blob` by an invisible unit sphere (a bipyramid subdivided
    // three times: 194 vertices, 384 triangles) whose directions are its
    // vertex positions and whose radii are 1. Resets `position` to 0.
    void buildBlob();

    // Prepares `model` for morphing with entry `settingsIndex` (0..14) of
    // the per-model settings: back culling, reversal, rotation, overall size;
    // then sizes and places the blob inside the model, takes the model's
    // average colour, and converts every model vertex to a direction and a
    // distance from the model's centre. Builds the blob first if there is
    // none. False, and nothing changed, when `model` is missing or empty or
    // the index is outside 0..14.
    bool prepare(int32_t settingsIndex, const SaverSettings& settings);

    void moveBy(float dx, float dy, float dz);

    // Turns model and blob about the vertical axis through the model's
    // centre by `angle` degrees: directions and normals turn, positions are
    // rebuilt from the directions by the next shapeFrame.
    void spin(float angle);

    // Shapes model and blob for one frame at morph position t of `period`
    // (0 = pure blob, period = pure model): rebuilds the model's vertices
    // (when it is visible) and the blob's surface with one step of the
    // pulse (drawing from `random`), recomputes the blob's normals and, when
    // `spinning`, spins the slot by 720 t / period^2 degrees, which shows
    // from the next frame on.
    void shapeFrame(int32_t t, bool spinning, int32_t period, StandardRandom& random);

    std::unique_ptr<DisplayMesh> model;
    std::unique_ptr<DisplayMesh> blob;
    PulseField pulse;
    Vec3f blobCenter{};  // where the dissolved blob sits, model coordinates
    float blobRadius = 0.0f;
    Vec3f modelColor{};  // face-weighted average colour of the model
    Vec3f lavaColor{0.0f, 1.0f, 0.0f};
    Vec3f position{};  // added to every vertex when the slot is drawn
    int32_t settingsIndex = 0;
};

}  // namespace glowpond
