#include "engine/model_slot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "config/settings.h"

namespace glowpond {
namespace {

Vec3f positionOf(const MeshVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }
Vec3f normalOf(const MeshVertex& v) { return {v.normal[0], v.normal[1], v.normal[2]}; }
Vec3f sub(const Vec3f& a, const Vec3f& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float dot(const Vec3f& a, const Vec3f& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
float length(const Vec3f& v) { return std::sqrt(dot(v, v)); }
Vec3f cross(const Vec3f& a, const Vec3f& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
void expectNear(const Vec3f& actual, const Vec3f& expected, float tolerance) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
}

ModelSlot preparedCube(const SaverSettings& settings, int32_t index = 0, float scale = 1.0f) {
    ModelSlot slot;
    slot.model = std::make_unique<DisplayMesh>();
    slot.model->makeCube(1.0f, 0.0f, 0.0f);
    slot.model->scale(scale);
    slot.pulse.init(settings.pulseSpeed);
    slot.buildBlob();
    EXPECT_TRUE(slot.prepare(index, settings));
    return slot;
}

TEST(PulseField, initSetsTheSpeedFromTheSettingWithinOneToTen) {
    PulseField pulse;
    const std::pair<int32_t, float> speeds[] = {{8, 5.4666667f}, {1, 1.2666667f}, {10, 6.6666667f},
                                                {0, 1.2666667f}, {1000000, 6.6666667f}};
    for (auto [setting, speed] : speeds) {
        pulse.init(setting);
        EXPECT_NEAR(pulse.speed, speed, 1e-6f) << setting;
    }
    ASSERT_EQ(pulse.waveTable.size(), 180u);
    EXPECT_NEAR(pulse.waveTable[45], 0.15f, 1e-6f);  // a quarter turn: amplitude 0.2 times 0.75
    EXPECT_EQ(pulse.slopeTable[45], pulse.waveTable[45] / 180.0f);
}

TEST(PulseField, sampleFoldsCoordinatesIntoTheTable) {
    PulseField pulse;
    pulse.init(8);
    pulse.phaseU = 0.0f;
    pulse.phaseV = 0.0f;
    const float b = 3.0f;  // B = 4.5707964: entries 4 and 5
    EXPECT_FLOAT_EQ(pulse.sample(-5.0f, b), (pulse.slopeTable[5] - pulse.slopeTable[4]) * (b + 1.5707964f - 4.0f) +
                                                pulse.waveTable[4] + pulse.waveTable[175] + 1.0f);
    // -180 and a tiny negative (through rounding) fold onto 180, one past the table: both must read entry 0.
    const std::pair<float, float> sameEntry[] = {{185, 5}, {180, 0}, {-360.5f, 179.5f}, {-180, 0}, {-1e-6f, 0}};
    for (auto [a, folded] : sameEntry) EXPECT_EQ(pulse.sample(a, b), pulse.sample(folded, b)) << a;
    for (float a = -400.0f; a < 400.0f; a += 7.3f) {
        const float f = pulse.sample(a, a * 1.7f);
        ASSERT_TRUE(f >= 0.7f && f <= 1.3f) << a;
    }
}

TEST(PulseField, driftTurnsEveryTwentyStepsAndPhasesFoldOnlyAboveTheTable) {
    PulseField pulse;
    pulse.init(8);
    pulse.phaseU = 179.0f;
    pulse.phaseV = -3.0f;
    pulse.driftV = -1.0f;
    for (int i = 1; i < 20; ++i) pulse.step();
    EXPECT_EQ(pulse.stepCount, 19);
    EXPECT_EQ(pulse.driftU, 1.0f);
    EXPECT_FLOAT_EQ(pulse.phaseU, 179.0f + 19.0f * pulse.speed - 180.0f);
    EXPECT_FLOAT_EQ(pulse.phaseV, -3.0f - 19.0f * pulse.speed);  // the sampler folds negative ones
    const float phaseU = pulse.phaseU;
    pulse.step();
    EXPECT_EQ(pulse.stepCount, 0);
    EXPECT_EQ(std::max(std::fabs(pulse.driftU), std::fabs(pulse.driftV)), 1.0f);
    EXPECT_NE(std::fabs(pulse.driftU), std::fabs(pulse.driftV));
    EXPECT_FLOAT_EQ(pulse.phaseU, phaseU + pulse.driftU * pulse.speed);  // the new drift moves this step
}

TEST(ModelSlot, buildBlobMakesAClosedUnitSphere) {
    ModelSlot slot;
    slot.position = {1.0f, 2.0f, 3.0f};
    slot.buildBlob();
    const DisplayMesh& blob = *slot.blob;
    EXPECT_EQ(blob.vertexCount, 194);
    EXPECT_EQ(blob.faceCount, 384);
    EXPECT_EQ(blob.visible, 0);
    EXPECT_EQ(slot.position, (Vec3f{0.0f, 0.0f, 0.0f}));
    const MeshPart& part = blob.parts.at(0);
    ASSERT_EQ(part.vertices.size(), 194u);
    for (size_t v = 0; v < part.vertices.size(); ++v) {
        const Vec3f p = positionOf(part.vertices[v]);
        ASSERT_NEAR(length(p), 1.0f, 1e-6f) << v;
        ASSERT_EQ(normalOf(part.vertices[v]), p) << v;
        ASSERT_EQ(part.directions[v], p) << v;
        ASSERT_EQ(part.radii[v], 1.0f) << v;
    }
    // New vertices are numbered along the sorted edge list: (0,1) first.
    expectNear(positionOf(part.vertices[5]), {0.5f, 0.8660254f, 0.0f}, 1e-6f);
    // Every edge has two faces, and every face turns counter-clockwise seen from outside.
    std::map<std::pair<int32_t, int32_t>, int> edgeUses;
    forEachFace(part, [&](const int32_t* c, int32_t k) {
        ASSERT_EQ(k, 3);
        const Vec3f a = positionOf(part.vertices[size_t(c[0])]);
        const Vec3f n = cross(sub(positionOf(part.vertices[size_t(c[1])]), a),
                              sub(positionOf(part.vertices[size_t(c[2])]), a));
        EXPECT_GT(dot(n, a), 0.0f);
        for (int i = 0; i < 3; ++i) ++edgeUses[std::minmax(c[i], c[(i + 1) % 3])];
    });
    EXPECT_EQ(edgeUses.size(), 576u);
    for (const auto& [edge, uses] : edgeUses) EXPECT_EQ(uses, 2) << edge.first << "-" << edge.second;
}

TEST(ModelSlot, prepareSizesAndPlacesTheBlobInsideACube) {
    SaverSettings settings;
    settings.lavaRed = 0.25f;
    ModelSlot slot;
    slot.model = std::make_unique<DisplayMesh>();
    slot.model->makeCube(1.0f, 0.0f, 0.0f);
    // An extra vertex at the very centre, used by no face.
    slot.model->parts[0].vertices.push_back({{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}});
    slot.model->parts[0].vertexCount = slot.model->vertexCount = 25;
    slot.buildBlob();
    ASSERT_TRUE(slot.prepare(3, settings));

    const float half = 0.07f * 0.75f;  // total size 9
    EXPECT_NEAR(slot.model->bounds[0], -half, 1e-7f);
    EXPECT_NEAR(slot.model->bounds[5], half, 1e-7f);
    EXPECT_EQ(slot.settingsIndex, 3);
    EXPECT_EQ(slot.lavaColor, (Vec3f{0.25f, 1.0f, 0.0f}));
    EXPECT_EQ(slot.modelColor, (Vec3f{1.0f, 0.0f, 0.0f}));
    EXPECT_NEAR(slot.blobRadius, 0.0847f, 1e-4f);  // from the volume floor 0.01
    // Every face centroid is equally near the middle: the first face (+x) wins.
    expectNear(slot.blobCenter, {half, 0.0f, 0.0f}, 1e-7f);

    const MeshPart& blob = slot.blob->parts[0];
    EXPECT_EQ(slot.blob->visible, 1);
    EXPECT_EQ(blob.color, slot.modelColor);
    for (size_t v = 0; v < blob.vertices.size(); ++v) {
        ASSERT_NEAR(length(sub(positionOf(blob.vertices[v]), slot.blobCenter)), slot.blobRadius, 1e-6f);
        ASSERT_FLOAT_EQ(blob.radii[v], slot.blobRadius);
    }
    const MeshPart& part = slot.model->parts[0];
    EXPECT_FLOAT_EQ(part.radii[0], half * std::sqrt(3.0f));
    EXPECT_FLOAT_EQ(part.radii[24], std::sqrt(1e-11f));  // the centre vertex: never zero
    EXPECT_EQ(part.directions[24], (Vec3f{0.0f, 0.0f, 0.0f}));

    EXPECT_EQ(preparedCube(settings, 0, 100.0f).blobRadius, 0.3f);  // a huge model's blob is capped
}

TEST(ModelSlot, prepareFindsTheCorePartAndWeighsColoursByFaces) {
    SaverSettings settings;
    settings.totalSize = 10;  // size factor about 1
    // Part 0: two red triangles of a flat, open sheet far to the left.
    MeshPart sheet;
    sheet.uniformColor = 1;
    sheet.color = {1.0f, 0.0f, 0.0f};
    sheet.vertices = {{{-2, 0, 0}, {0, 0, 1}}, {{-1.5f, 0, 0}, {0, 0, 1}}, {{-1.5f, 0.5f, 0}, {0, 0, 1}},
                      {{-2, 0.5f, 0}, {0, 0, 1}}};
    sheet.vertexCount = 4;
    sheet.faceCount = 2;
    sheet.faceIndices = {3, 0, 1, 2, 3, 0, 2, 3};
    // Part 1: a closed box twice as wide as high, centred at x = 0.5, each face blue.
    DisplayMesh cube;
    cube.makeCube(0, 0, 0);
    MeshPart box = cube.parts[0];
    for (MeshVertex& v : box.vertices) v.position[0] = v.position[0] * 2.0f + 0.5f;
    box.uniformColor = 0;
    box.faceColors.assign(6, {0.0f, 0.0f, 1.0f});

    ModelSlot slot;
    slot.model = std::make_unique<DisplayMesh>();
    slot.model->parts = {sheet, box};
    slot.model->partCount = 2;
    slot.model->vertexCount = 28;
    slot.model->faceCount = 8;
    slot.buildBlob();
    ASSERT_TRUE(slot.prepare(0, settings));
    expectNear(slot.modelColor, {0.25f, 0.0f, 0.75f}, 1e-7f);
    // The box's +y face is the first of its nearest faces (the x faces are twice as far).
    expectNear(slot.blobCenter, {0.5f, 0.07f, 0.0f}, 1e-5f);
    const Bounds expected{-2.0f, 0.64f, -0.07f, 0.5f, -0.07f, 0.07f};
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(slot.model->bounds[i], expected[i], 1e-5f) << i;
}

TEST(ModelSlot, prepareAppliesTheModelsOwnSettings) {
    SaverSettings settings;
    settings.totalSize = 13;  // beyond 10, where the size factor would divide by zero
    settings.reverseNormals[2] = 1;
    settings.backCull[2] = 1;
    settings.modelRotation[2] = {0.0f, 90.0f, 0.0f};
    ModelSlot slot = preparedCube(settings, 2);
    const MeshPart& part = slot.model->parts[0];
    EXPECT_EQ(slot.model->cullBackFaces, 1);
    // Face 0 faced +x; reversed it faces -x, and the turn brings +x to -z.
    expectNear(part.faceNormals[0], {0.0f, 0.0f, 1.0f}, 1e-6f);
    EXPECT_EQ(std::vector<int32_t>(part.faceIndices.begin(), part.faceIndices.begin() + 5),
              (std::vector<int32_t>{4, 3, 2, 1, 0}));
    expectNear(positionOf(part.vertices[0]), {0.07f, 0.07f, -0.07f}, 1e-6f);  // size as for 10
    EXPECT_EQ(sizeFactor(0), sizeFactor(1));
}

TEST(ModelSlot, prepareRefusesAMissingOrEmptyModelAndChangesNothing) {
    SaverSettings settings;
    settings.lavaRed = 0.5f;
    ModelSlot slot;
    EXPECT_FALSE(slot.prepare(0, settings));
    slot.model = std::make_unique<DisplayMesh>();
    EXPECT_FALSE(slot.prepare(0, settings));
    slot.model->makeCube(1, 0, 0);
    EXPECT_FALSE(slot.prepare(MAX_MODELS, settings));
    EXPECT_EQ(slot.lavaColor, (Vec3f{0.0f, 1.0f, 0.0f}));
    EXPECT_TRUE(slot.model->parts[0].directions.empty());
}

TEST(ModelSlot, shapeFrameAtTheStartShowsASeedInsideAWholeBlob) {
    SaverSettings settings;
    ModelSlot slot = preparedCube(settings);
    slot.moveBy(0.2f, -0.3f, -2.0f);
    slot.shapeFrame(0, true, 80);
    const Vec3f middle = {0.2f, -0.3f, -2.0f};  // model.center (0) + position
    for (const MeshVertex& v : slot.model->parts[0].vertices) {
        ASSERT_NEAR(length(sub(positionOf(v), middle)), slot.blobRadius * 0.0035f, 1e-6f);
    }
    const MeshPart& blob = slot.blob->parts[0];
    for (size_t v = 0; v < blob.vertices.size(); ++v) {
        const Vec3f offset = sub(positionOf(blob.vertices[v]), middle);
        ASSERT_TRUE(length(offset) >= slot.blobRadius * 0.7f && length(offset) <= slot.blobRadius * 1.3f) << v;
        ASSERT_NEAR(length(cross(offset, blob.directions[v])), 0.0f, 1e-6f) << v;
        ASSERT_GT(dot(normalOf(blob.vertices[v]), blob.directions[v]), 0.5f) << v;
    }
    // An invisible model (a rising blob) is left as it was.
    slot.model->visible = 0;
    const Vec3f before = positionOf(slot.model->parts[0].vertices[5]);
    slot.moveBy(0.3f, 0.0f, 0.0f);
    slot.shapeFrame(0, false, 80);
    EXPECT_EQ(positionOf(slot.model->parts[0].vertices[5]), before);
}

TEST(ModelSlot, shapeFrameAtTheEndShowsTheWholeModelAndASpeckOfBlob) {
    SaverSettings settings;
    ModelSlot slot = preparedCube(settings);
    const Vec3f corner = positionOf(slot.model->parts[0].vertices[0]);
    const Vec3f blobCenter = slot.blobCenter;
    slot.moveBy(0.5f, 0.5f, -4.0f);
    slot.shapeFrame(40, false, 40);
    expectNear(positionOf(slot.model->parts[0].vertices[0]), {corner[0] + 0.5f, corner[1] + 0.5f, corner[2] - 4.0f},
               1e-6f);
    const Vec3f speck = {blobCenter[0] + 0.5f, blobCenter[1] + 0.5f, blobCenter[2] - 4.0f};
    for (const MeshVertex& v : slot.blob->parts[0].vertices) {
        const float distance = length(sub(positionOf(v), speck));
        ASSERT_TRUE(distance >= 0.7e-4f - 1e-6f && distance <= 1.3e-4f + 1e-6f) << distance;
    }
}

TEST(ModelSlot, spinTurnsNineDegreesAtTheEndOfAnEightyFrameMorph) {
    SaverSettings settings;
    ModelSlot slot = preparedCube(settings);
    const MeshPart& part = slot.model->parts[0];
    const Vec3f direction = part.directions[0], faceNormal = part.faceNormals[0];
    const Vec3f blobDirection = slot.blob->parts[0].directions[0], blobCenter = slot.blobCenter;
    slot.shapeFrame(80, true, 80);
    const Mat4f nine = rotationMatrix(9.0f, 0.0f, 1.0f, 0.0f);
    expectNear(part.directions[0], transformVector(direction, nine), 1e-6f);
    expectNear(part.faceNormals[0], transformVector(faceNormal, nine), 1e-6f);
    expectNear(slot.blob->parts[0].directions[0], transformVector(blobDirection, nine), 1e-6f);
    expectNear(slot.blobCenter, transformVector(blobCenter, nine), 1e-7f);  // about the centre 0
    // Halfway the turn is half as big: 720 t / P^2 per frame.
    const Vec3f before = part.directions[0];
    slot.shapeFrame(40, true, 80);
    expectNear(part.directions[0], transformVector(before, rotationMatrix(4.5f, 0.0f, 1.0f, 0.0f)), 1e-6f);
}

}  // namespace
}  // namespace glowpond
