#include "engine/model_slot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "config/settings.h"
#include "engine/scissor.h"

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
    const std::vector<Vec3f>& normals = cube.model->parts[0].faceNormals;
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

}  // namespace
}  // namespace glowpond
