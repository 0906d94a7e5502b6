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

// The blob radius of a model whose volume estimate is below the floor 0.01.
const float kSmallestBlobRadius = float(std::pow(0.01 * 0.06079271225943, 0.333333333333));

ModelSlot preparedCube(const SaverSettings& settings, int32_t index = 0) {
    ModelSlot slot;
    slot.model = std::make_unique<DisplayMesh>();
    slot.model->makeCube(1.0f, 0.0f, 0.0f);
    slot.pulse.init(settings.pulseSpeed);
    slot.buildBlob();
    EXPECT_TRUE(slot.prepare(index, settings));
    return slot;
}

TEST(PulseField, initBuildsTheTablesAndTheSpeed) {
    PulseField pulse;
    pulse.init(8);
    EXPECT_NEAR(pulse.speed, 5.4666667f, 1e-6f);
    ASSERT_EQ(pulse.size(), 180);
    ASSERT_EQ(pulse.waveTable.size(), 180u);
    ASSERT_EQ(pulse.slopeTable.size(), 180u);
    EXPECT_NEAR(pulse.waveTable[45], 0.15f, 1e-6f);  // a quarter turn: amplitude 0.2 times 0.75
    EXPECT_NEAR(pulse.waveTable[135], -0.15f, 1e-6f);
    EXPECT_EQ(pulse.slopeTable[45], pulse.waveTable[45] / 180.0f);

    pulse.init(1);
    EXPECT_NEAR(pulse.speed, 1.2666667f, 1e-6f);
    pulse.init(10);
    EXPECT_NEAR(pulse.speed, 6.6666667f, 1e-6f);
    // A hand-edited file may hold anything: the speed stays that of 1..10.
    pulse.init(0);
    EXPECT_NEAR(pulse.speed, 1.2666667f, 1e-6f);
    pulse.init(1000000);
    EXPECT_NEAR(pulse.speed, 6.6666667f, 1e-6f);
}

TEST(PulseField, sampleFoldsCoordinatesIntoTheTable) {
    PulseField pulse;
    pulse.init(8);
    pulse.phaseU = 0.0f;
    pulse.phaseV = 0.0f;
    const float b = 3.0f;  // B = 4.5707964: entries 4 and 5
    const float fractionB = 3.0f + 1.5707964f - 4.0f;
    const float expected = (pulse.slopeTable[5] - pulse.slopeTable[4]) * fractionB + pulse.waveTable[4] +
                           pulse.waveTable[175] + 1.0f;
    EXPECT_FLOAT_EQ(pulse.sample(-5.0f, b), expected);
    EXPECT_EQ(pulse.sample(-5.0f, b), pulse.sample(175.0f, b));
    EXPECT_EQ(pulse.sample(185.0f, b), pulse.sample(5.0f, b));
    EXPECT_EQ(pulse.sample(180.0f, b), pulse.sample(0.0f, b));
    EXPECT_EQ(pulse.sample(-360.5f, b), pulse.sample(179.5f, b));
    // A negative multiple of N folds onto N itself, one past the table; and
    // so does a tiny negative through rounding. Both are entry 0.
    EXPECT_EQ(pulse.sample(-180.0f, b), pulse.sample(0.0f, b));
    EXPECT_EQ(pulse.sample(-1e-6f, b), pulse.sample(0.0f, b));
    // The phases fold the same way as the coordinates.
    pulse.phaseU = -185.0f;
    EXPECT_EQ(pulse.sample(0.0f, b), expected);
}

TEST(PulseField, samplesStayWithinThirtyPercentOfOne) {
    PulseField pulse;
    pulse.init(8);
    // Right after construction the phases are 10: entries 10 and 11.5707964.
    const float atStart = (pulse.slopeTable[12] - pulse.slopeTable[11]) * (11.5707964f - 11.0f) +
                          pulse.waveTable[11] + pulse.waveTable[10] + 1.0f;
    EXPECT_FLOAT_EQ(pulse.sample(0.0f, 0.0f), atStart);
    for (float a = -400.0f; a < 400.0f; a += 7.3f) {
        for (float b = -400.0f; b < 400.0f; b += 11.1f) {
            const float f = pulse.sample(a, b);
            ASSERT_GE(f, 0.7f) << a << ", " << b;
            ASSERT_LE(f, 1.3f) << a << ", " << b;
        }
    }
    PulseField uninitialised;
    EXPECT_EQ(uninitialised.sample(3.0f, 4.0f), 1.0f);
}

TEST(PulseField, driftTurnsEveryTwentyStepsWithItsLargerComponentOne) {
    PulseField pulse;
    pulse.init(8);
    for (int i = 1; i < 20; ++i) {
        pulse.step();
        ASSERT_EQ(pulse.stepCount, i);
        ASSERT_EQ(pulse.driftU, 1.0f);
        ASSERT_EQ(pulse.driftV, 1.0f);
    }
    const float phaseU = pulse.phaseU;
    pulse.step();
    EXPECT_EQ(pulse.stepCount, 0);
    EXPECT_EQ(std::max(std::fabs(pulse.driftU), std::fabs(pulse.driftV)), 1.0f);
    EXPECT_NE(pulse.driftU, pulse.driftV);
    // The turned drift already moves this step's phase.
    float expectedU = phaseU + pulse.driftU * pulse.speed;
    if (expectedU > 180.0f) expectedU -= 180.0f;
    EXPECT_FLOAT_EQ(pulse.phaseU, expectedU);
}

TEST(PulseField, stepFoldsPhasesAboveTheTableButLeavesNegativeOnes) {
    PulseField pulse;
    pulse.init(8);
    pulse.phaseU = 179.0f;
    pulse.phaseV = -3.0f;
    pulse.driftV = -1.0f;
    pulse.step();
    EXPECT_FLOAT_EQ(pulse.phaseU, 179.0f + pulse.speed - 180.0f);
    EXPECT_FLOAT_EQ(pulse.phaseV, -3.0f - pulse.speed);
}

TEST(ModelSlot, buildBlobMakesTheSubdividedUnitSphere) {
    ModelSlot slot;
    slot.position = {1.0f, 2.0f, 3.0f};
    slot.buildBlob();
    ASSERT_TRUE(slot.blob);
    const DisplayMesh& blob = *slot.blob;
    EXPECT_EQ(blob.partCount, 1);
    EXPECT_EQ(blob.vertexCount, 194);
    EXPECT_EQ(blob.faceCount, 384);
    EXPECT_EQ(blob.visible, 0);
    EXPECT_EQ(slot.position, (Vec3f{0.0f, 0.0f, 0.0f}));
    const MeshPart& part = blob.parts.at(0);
    ASSERT_EQ(part.vertices.size(), 194u);
    EXPECT_EQ(part.uniformColor, 1);
    EXPECT_EQ(part.faceIndices.size(), 384u * 4u);
    for (size_t v = 0; v < part.vertices.size(); ++v) {
        const Vec3f p = positionOf(part.vertices[v]);
        ASSERT_NEAR(length(p), 1.0f, 1e-6f) << v;
        ASSERT_EQ(normalOf(part.vertices[v]), p) << v;
        ASSERT_EQ(part.directions[v], p) << v;
        ASSERT_EQ(part.radii[v], 1.0f) << v;
    }
    // New vertices are numbered along the sorted edge list: (0,1), (0,2), (0,3) first.
    expectNear(positionOf(part.vertices[5]), {0.5f, 0.8660254f, 0.0f}, 1e-6f);
    expectNear(positionOf(part.vertices[6]), {0.5f, -0.8660254f, 0.0f}, 1e-6f);
    expectNear(positionOf(part.vertices[7]), {0.70710677f, 0.0f, 0.70710677f}, 1e-6f);

    // Closed and wound counter-clockwise seen from outside.
    std::map<std::pair<int32_t, int32_t>, int> edgeUses;
    forEachFace(part, [&](const int32_t* c, int32_t k) {
        ASSERT_EQ(k, 3);
        const Vec3f a = positionOf(part.vertices[size_t(c[0])]);
        const Vec3f b = positionOf(part.vertices[size_t(c[1])]);
        const Vec3f d = positionOf(part.vertices[size_t(c[2])]);
        EXPECT_GT(dot(cross(sub(b, a), sub(d, a)), a), 0.0f);
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
    slot.model->parts[0].vertexCount = 25;
    slot.model->vertexCount = 25;
    slot.pulse.init(settings.pulseSpeed);
    slot.buildBlob();
    ASSERT_TRUE(slot.prepare(3, settings));

    const float half = 0.07f * sizeFactor(9);
    EXPECT_NEAR(sizeFactor(9), 0.75f, 1e-6f);
    const DisplayMesh& model = *slot.model;
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_FLOAT_EQ(model.bounds[2 * axis], -half);
        EXPECT_FLOAT_EQ(model.bounds[2 * axis + 1], half);
    }
    expectNear(model.center, {0.0f, 0.0f, 0.0f}, 1e-7f);
    EXPECT_EQ(slot.settingsIndex, 3);
    EXPECT_EQ(slot.lavaColor, (Vec3f{0.25f, 1.0f, 0.0f}));
    EXPECT_EQ(slot.modelColor, (Vec3f{1.0f, 0.0f, 0.0f}));
    EXPECT_FLOAT_EQ(slot.blobRadius, kSmallestBlobRadius);
    EXPECT_NEAR(slot.blobRadius, 0.0847f, 1e-4f);
    // Every face centroid is equally near the middle: the first face (+x) wins.
    expectNear(slot.blobCenter, {half, 0.0f, 0.0f}, 1e-7f);

    const MeshPart& blob = slot.blob->parts[0];
    EXPECT_EQ(slot.blob->visible, 1);
    EXPECT_EQ(blob.color, slot.modelColor);
    for (size_t v = 0; v < blob.vertices.size(); ++v) {
        ASSERT_NEAR(length(sub(positionOf(blob.vertices[v]), slot.blobCenter)), slot.blobRadius, 1e-6f);
        ASSERT_FLOAT_EQ(blob.radii[v], slot.blobRadius);
    }

    const MeshPart& part = model.parts[0];
    ASSERT_EQ(part.radii.size(), 25u);
    for (size_t v = 0; v < 24; ++v) {
        EXPECT_FLOAT_EQ(part.radii[v], half * std::sqrt(3.0f));
        EXPECT_NEAR(length(part.directions[v]), 1.0f, 1e-6f);
    }
    EXPECT_FLOAT_EQ(part.radii[24], std::sqrt(1e-11f));
    EXPECT_EQ(part.directions[24], (Vec3f{0.0f, 0.0f, 0.0f}));
}

TEST(ModelSlot, prepareFindsTheCorePartAndWeighsColoursByFaces) {
    SaverSettings settings;
    settings.totalSize = 10;  // size factor 1: positions stay as built
    ModelSlot slot;
    slot.model = std::make_unique<DisplayMesh>();
    DisplayMesh& model = *slot.model;

    // Part 0: two red triangles of a flat, open sheet far to the left.
    MeshPart sheet;
    sheet.uniformColor = 1;
    sheet.color = {1.0f, 0.0f, 0.0f};
    for (Vec3f p : {Vec3f{-2, 0, 0}, Vec3f{-1.5f, 0, 0}, Vec3f{-1.5f, 0.5f, 0}, Vec3f{-2, 0.5f, 0}}) {
        sheet.vertices.push_back({{p[0], p[1], p[2]}, {0, 0, 1}});
    }
    sheet.vertexCount = 4;
    sheet.faceCount = 2;
    sheet.faceIndices = {3, 0, 1, 2, 3, 0, 2, 3};
    sheet.faceNormals = {{0, 0, 1}, {0, 0, 1}};

    // Part 1: a closed box, twice as wide as high and deep, each face blue.
    DisplayMesh cube;
    cube.makeCube(0, 0, 0);
    MeshPart box = cube.parts[0];
    for (MeshVertex& v : box.vertices) {
        v.position[0] = v.position[0] * 2.0f + 0.5f;
    }
    box.uniformColor = 0;
    box.faceColors.assign(6, {0.0f, 0.0f, 1.0f});

    model.parts = {sheet, box};
    model.partCount = 2;
    model.vertexCount = 28;
    model.faceCount = 8;
    slot.pulse.init(settings.pulseSpeed);
    slot.buildBlob();
    ASSERT_TRUE(slot.prepare(0, settings));

    expectNear(slot.modelColor, {0.25f, 0.0f, 0.75f}, 1e-7f);
    expectNear(model.parts[1].centroid, {0.5f, 0.0f, 0.0f}, 1e-5f);
    // The box's +y face is the first of its nearest faces (the x faces are twice as far).
    expectNear(slot.blobCenter, {0.5f, 0.07f, 0.0f}, 1e-5f);
    const Bounds expected{-2.0f, 0.64f, -0.07f, 0.5f, -0.07f, 0.07f};
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(model.bounds[i], expected[i], 1e-5f) << i;
}

TEST(ModelSlot, prepareCapsTheBlobOfAHugeModel) {
    SaverSettings settings;
    ModelSlot slot;
    slot.model = std::make_unique<DisplayMesh>();
    slot.model->makeCube(1, 1, 1);
    slot.model->scale(100.0f);
    slot.buildBlob();
    ASSERT_TRUE(slot.prepare(0, settings));
    EXPECT_EQ(slot.blobRadius, 0.3f);
}

TEST(ModelSlot, prepareAppliesTheModelsOwnSettings) {
    SaverSettings settings;
    settings.totalSize = 10;
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
    expectNear(positionOf(part.vertices[0]), {0.07f, 0.07f, -0.07f}, 1e-6f);
}

TEST(ModelSlot, outOfRangeSizesCountAsTheNearestEnd) {
    for (int32_t totalSize : {13, 14, 1000}) EXPECT_EQ(sizeFactor(totalSize), sizeFactor(10)) << totalSize;
    for (int32_t totalSize : {0, -5}) EXPECT_EQ(sizeFactor(totalSize), sizeFactor(1)) << totalSize;
    EXPECT_NEAR(sizeFactor(1), 0.25f, 1e-6f);
    EXPECT_NEAR(sizeFactor(10), 1.0f, 1e-6f);

    SaverSettings settings;
    settings.totalSize = 13;
    ModelSlot slot = preparedCube(settings);
    EXPECT_NEAR(slot.model->bounds[1], 0.07f, 1e-6f);
}

TEST(ModelSlot, prepareRefusesAMissingOrEmptyModelAndChangesNothing) {
    SaverSettings settings;
    settings.lavaRed = 0.5f;
    ModelSlot slot;
    EXPECT_FALSE(slot.prepare(0, settings));
    slot.model = std::make_unique<DisplayMesh>();
    EXPECT_FALSE(slot.prepare(0, settings));
    slot.model->makeCube(1, 0, 0);
    EXPECT_FALSE(slot.prepare(-1, settings));
    EXPECT_FALSE(slot.prepare(MAX_MODELS, settings));
    EXPECT_EQ(slot.lavaColor, (Vec3f{0.0f, 1.0f, 0.0f}));
    EXPECT_FALSE(slot.blob);
    EXPECT_TRUE(slot.model->parts[0].directions.empty());
}

TEST(ModelSlot, shapeFrameAtTheStartShowsASeedInsideAWholeBlob) {
    SaverSettings settings;
    ModelSlot slot = preparedCube(settings);
    slot.moveBy(0.2f, -0.3f, -2.0f);
    slot.shapeFrame(0, true, 80);

    const Vec3f middle = {0.2f, -0.3f, -2.0f};  // model.center (0) + position
    const float seed = slot.blobRadius * 0.0035f;
    for (const MeshVertex& v : slot.model->parts[0].vertices) {
        ASSERT_NEAR(length(sub(positionOf(v), middle)), seed, 1e-6f);
    }
    const MeshPart& blob = slot.blob->parts[0];
    for (size_t v = 0; v < blob.vertices.size(); ++v) {
        const Vec3f offset = sub(positionOf(blob.vertices[v]), middle);
        ASSERT_GE(length(offset), slot.blobRadius * 0.7f);
        ASSERT_LE(length(offset), slot.blobRadius * 1.3f);
        ASSERT_NEAR(length(cross(offset, blob.directions[v])), 0.0f, 1e-6f) << v;
        ASSERT_NEAR(length(normalOf(blob.vertices[v])), 1.0f, 1e-5f);
        ASSERT_GT(dot(normalOf(blob.vertices[v]), blob.directions[v]), 0.5f) << v;
    }
}

TEST(ModelSlot, shapeFrameAtTheEndShowsTheWholeModelAndASpeckOfBlob) {
    SaverSettings settings;
    ModelSlot slot = preparedCube(settings);
    std::vector<Vec3f> prepared;
    for (const MeshVertex& v : slot.model->parts[0].vertices) prepared.push_back(positionOf(v));
    const Vec3f blobCenter = slot.blobCenter;
    slot.moveBy(0.5f, 0.5f, -4.0f);
    slot.shapeFrame(40, false, 40);

    for (size_t v = 0; v < prepared.size(); ++v) {
        expectNear(positionOf(slot.model->parts[0].vertices[v]),
                   {prepared[v][0] + 0.5f, prepared[v][1] + 0.5f, prepared[v][2] - 4.0f}, 1e-6f);
    }
    const Vec3f speckCenter = {blobCenter[0] + 0.5f, blobCenter[1] + 0.5f, blobCenter[2] - 4.0f};
    for (const MeshVertex& v : slot.blob->parts[0].vertices) {
        const float distance = length(sub(positionOf(v), speckCenter));
        ASSERT_GE(distance, 0.0001f * 0.7f - 1e-6f);
        ASSERT_LE(distance, 0.0001f * 1.3f + 1e-6f);
    }
    EXPECT_EQ(slot.blobCenter, blobCenter);  // not spinning
}

TEST(ModelSlot, spinningAtTheEndOfTheMorphTurnsNineDegreesForPeriodEighty) {
    SaverSettings settings;
    ModelSlot slot = preparedCube(settings);
    const MeshPart& part = slot.model->parts[0];
    const Vec3f direction = part.directions[0];
    const Vec3f faceNormal = part.faceNormals[0];
    const Vec3f blobDirection = slot.blob->parts[0].directions[0];
    const Vec3f blobCenter = slot.blobCenter;

    slot.shapeFrame(80, true, 80);
    const Mat4f nine = rotationMatrix(9.0f, 0.0f, 1.0f, 0.0f);
    expectNear(part.directions[0], transformVector(direction, nine), 1e-6f);
    expectNear(part.faceNormals[0], transformVector(faceNormal, nine), 1e-6f);
    expectNear(slot.blob->parts[0].directions[0], transformVector(blobDirection, nine), 1e-6f);
    expectNear(slot.blobCenter, transformVector(blobCenter, nine), 1e-7f);  // about the centre 0

    // Halfway the turn per frame is half as big: 720 t / P^2.
    const Vec3f before = part.directions[0];
    slot.shapeFrame(40, true, 80);
    expectNear(part.directions[0], transformVector(before, rotationMatrix(4.5f, 0.0f, 1.0f, 0.0f)), 1e-6f);
}

TEST(ModelSlot, shapeFrameLeavesAnInvisibleModelAlone) {
    SaverSettings settings;
    ModelSlot slot = preparedCube(settings);
    slot.model->visible = 0;
    const Vec3f before = positionOf(slot.model->parts[0].vertices[5]);
    slot.moveBy(0.3f, 0.0f, 0.0f);
    slot.shapeFrame(0, false, 80);
    EXPECT_EQ(positionOf(slot.model->parts[0].vertices[5]), before);
}

}  // namespace
}  // namespace glowpond
