// The engine: a model slot's preparation, the scissor squares, and the animation through the host's loop.
#include "engine/animation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "config/settings.h"
#include "engine/model_slot.h"
#include "engine/scissor.h"
#include "tests/animation_rig.h"

namespace glowpond {
namespace {

Vec3f positionOf(const MeshVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }
float length(const Vec3f& v) { return std::sqrt(dot(v, v)); }

TEST(ModelSlot, settingsOutsideOneToTenCountAsTheNearestEnd) {
    PulseField pulse;
    const std::tuple<int32_t, float, float> cases[] = {{8, 5.4666667f, 0.6f}, {1, 1.2666667f, 0.25f},
        {10, 6.6666667f, 1.0f}, {0, 1.2666667f, 0.25f}, {1000000, 6.6666667f, 1.0f}};
    for (auto [setting, speed, size] : cases) {
        pulse.init(setting);
        EXPECT_LT(std::fabs(pulse.speed - speed) + std::fabs(sizeFactor(setting) - size), 1e-6f) << setting;
    }
    // -180 and a tiny negative (through rounding) fold onto 180, one past the table: both must read entry 0.
    pulse.phaseU = pulse.phaseV = 0.0f;
    const std::pair<float, float> sameEntry[] = {{185, 5}, {180, 0}, {-360.5f, 179.5f}, {-180, 0}, {-1e-6f, 0}};
    for (auto [a, folded] : sameEntry) EXPECT_EQ(pulse.sample(a, 3.0f), pulse.sample(folded, 3.0f)) << a;
    for (float a = -400.0f; a < 400.0f; a += 7.3f) ASSERT_NEAR(pulse.sample(a, a * 1.7f), 1.0f, 0.3f) << a;
}

TEST(ModelSlot, prepareAppliesTheModelsEntryHidesABlobInTheCorePartWeighsColoursByFacesAndRefusesWhatItCannotPrepare) {
    ModelSlot slot;
    DisplayMesh& model = *(slot.model = std::make_unique<DisplayMesh>());
    model.makeCube(0, 0, 0);
    MeshPart box = model.parts[0];  // closed, twice as wide as high, centred at x = 0.5, each face blue
    for (MeshVertex& v : box.vertices) v.position[0] = v.position[0] * 2.0f + 0.5f;
    box.uniformColor = 0;
    box.faceColors.assign(6, {0, 0, 1});
    MeshPart& sheet = model.parts[0];  // two red triangles of a flat, open sheet far to the left
    sheet.vertices = {{{-2, 0, 0}, {0, 0, 1}}, {{-1.5f, 0, 0}, {0, 0, 1}}, {{-1.5f, 0.5f, 0}, {0, 0, 1}}};
    sheet.faceIndices = {3, 0, 1, 2, 3, 0, 2, 1};
    sheet.faceCount = 2;
    sheet.color = {1, 0, 0};
    model.parts.push_back(box);
    model.faceCount = 8;
    ASSERT_TRUE(slot.setUp(4, SaverSettings()));
    const DisplayMesh& blob = *slot.blob;
    EXPECT_EQ(std::make_tuple(blob.vertexCount, blob.faceCount, blob.visible, blob.parts.at(0).vertices.size(),
                              blob.parts[0].color == slot.modelColor), std::make_tuple(194, 384, 1, size_t(194), true));
    for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(slot.modelColor[i], (Vec3f{0.25f, 0.0f, 0.75f}[i]), 1e-7f);
    // A sphere around the centroid of the box's +y face, the first of its faces nearest its middle (the
    // x faces are twice as far), sized from the volume floor 0.01.
    const Vec3f center = slot.blobCenter;
    EXPECT_NEAR(length(center - Vec3f{0.5f, 0.07f, 0.0f} * 0.75f), 0.0f, 1e-5f);  // at size 9
    EXPECT_NEAR(slot.blobRadius, 0.0847f, 1e-4f);
    for (auto& v : blob.parts[0].vertices) ASSERT_NEAR(length(positionOf(v) - center), slot.blobRadius, 1e-6f);

    // A missing or empty model or a bad settings index is refused, and nothing changes.
    ModelSlot cube;
    EXPECT_FALSE(cube.prepare(0, SaverSettings()));
    cube.model = std::make_unique<DisplayMesh>();
    EXPECT_FALSE(cube.prepare(0, SaverSettings()));
    cube.model->makeCube(1, 0, 0);
    EXPECT_FALSE(cube.prepare(MAX_MODELS, SaverSettings()) || cube.prepare(-1, SaverSettings()));
    EXPECT_TRUE(cube.model->parts[0].directions.empty() && !cube.blob && cube.blobRadius == 0.0f);
    // The model's own entry culls it, turns it inside out, and turns it about Z, Y, then X.
    SaverSettings own;
    own.models[2] = {"", 5, {30, 60, 90}, 1, 1, 1};
    EXPECT_TRUE(cube.prepare(2, own) && cube.model->cullBackFaces == 1);
    const auto& normals = cube.model->parts[0].faceNormals;
    const Vec3f minusX{0, -0.8660254f, -0.5f}, minusY{0.5f, 0.4330127f, -0.75f};  // where -x and -y are turned
    EXPECT_LT(length(normals[0] - minusX) + length(normals[1] - minusY), 1e-5f);
}

TEST(Scissor, squaresStayWithinTheWindowAndItsIntegersWhateverTheProjection) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    const ViewExtents window{-4.0f / 3.0f, 4.0f / 3.0f, -1.0f, 1.0f};
    const std::tuple<ClientSize, ViewExtents, float, float, float, std::array<int32_t, 4>> cases[] = {
        {{320, 240}, window, 0.75f, window.left + 0.075f, -0.925f, {0, 0, 90, 90}},  // further out: raised to 0
        {{320, 0}, window, 0.5f, window.left + 0.25f, -0.75f, {0, 0, 60, 0}},       // a height below 1 counts as 1
        {{320, 240}, {1, 1, 1, 1}, 0.5f, 2.0f, 0.0f, {kMax, 0, kMax, kMax}},     // an empty view
        {{320, 240}, extentsFromProjection(Mat4f{}), 0.5f, 0.0f, 0.0f, {0, 0, 0, 0}},  // not a number
        {{320, 240}, window, -1.0f, 1e30f, -1e30f, {kMax, 0, 0, 0}}};  // a negative scale, far off the screen
    for (const auto& [client, view, scale, x, y, expected] : cases) {
        const ScissorRect r = scissorSquare(scissorGeometry(client, view, scale), x, y);
        EXPECT_EQ((std::array<int32_t, 4>{r.x, r.y, r.width, r.height}), expected) << view.left << " " << scale;
    }
}

using P = ModelPhase;
using testing::Rig;
using testing::Update;
constexpr float kBaseSpeed = 0.36783531f;  // speed 7

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

TEST(Animation, whereAMorphEndsTheClocksRestartFromAReadingAfterTheDrawing) {
    // Every drawing takes 7 ms. A step counts from its update's reading, taken before the drawing; but
    // the morph's end restarts the model's clock, and that of the model taking over the turn, after it.
    Rig one(1);
    one.drawMs = 7;
    const std::vector<Update>& u = one.run(400);
    size_t morphEnds = 0;
    for (size_t i = 0; i + 1 < u.size(); ++i) {
        const bool morphEnd = u[i].phase == P::Morph && u[i].morphStep == 0;
        morphEnds += morphEnd;
        ASSERT_EQ(u[i + 1].now - u[i].now, morphEnd ? 57 : 50) << i;
    }
    EXPECT_EQ(morphEnds, 1u);
    Rig two(2);
    two.drawMs = 7;
    two.run(400);
    const auto end = std::find_if(two.updates.begin(), two.updates.end(),
                                  [](auto& v) { return v.morphStep == 0 && v.phase == P::Morph; });
    ASSERT_NE(end, two.updates.end());
    EXPECT_EQ(std::make_pair(end[1].model, end[1].now - end->now), std::make_pair(1, 57));
}

}  // namespace
}  // namespace glowpond
