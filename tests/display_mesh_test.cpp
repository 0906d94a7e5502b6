#include "mesh/display_mesh.h"

#include <gtest/gtest.h>

#include <tuple>

#include "mesh/mesh_math.h"

namespace glowpond {
namespace {

Vec3f positionOf(const MeshVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }
Vec3f normalOf(const MeshVertex& v) { return {v.normal[0], v.normal[1], v.normal[2]}; }
void expectNear(const Vec3f& actual, const Vec3f& expected) {
    for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5f) << "component " << i;
}

TEST(DisplayMesh, makeCubeBuildsSixOutwardQuadsOfHalfSide007WhichTurnAboutZFirstAndAccumulateOrientation) {
    DisplayMesh mesh;
    mesh.parts.resize(3);
    mesh.makeCube(0.1f, 0.2f, 0.3f);
    const MeshPart& part = mesh.parts.at(0);
    ASSERT_EQ(std::make_tuple(mesh.parts.size(), mesh.vertexCount, mesh.faceCount, part.color, part.faceIndices.size()),
              std::make_tuple(size_t(1), 24, 6, Vec3f{0.1f, 0.2f, 0.3f}, size_t(30)));
    for (size_t face = 0; face < 6; ++face) {
        const int32_t* corners = &part.faceIndices[5 * face];
        const Vec3f n = part.faceNormals[face];
        ASSERT_EQ(corners[0], 4);
        expectNear(dividedByLength(newellNormal(part.vertices, corners + 1, 4)), n);  // counter-clockwise outside
        for (int32_t i = 1; i <= 4; ++i) {
            const MeshVertex& v = part.vertices[size_t(corners[i])];
            EXPECT_EQ(normalOf(v), n);
            for (float c : v.position) EXPECT_NEAR(std::fabs(c), 0.07f, 1e-7f);
            EXPECT_NEAR(dot(positionOf(v), n), 0.07f, 1e-7f);  // on the side its normal points to
        }
    }
    mesh.rotate({0, 1, 0}, 90);
    mesh.rotate({0, 5, 0}, 90);  // any axis length
    mesh.rotateXYZ({90, 0, 90});
    const Mat4f half = rotationMatrix(180, 0, 1, 0);
    for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(mesh.orientation[i], half[i], 1e-5f) << i;
    // +X, half a turn on: -X; the Z turn makes it -Y, the X turn -Z.
    expectNear(part.faceNormals[0], {0, 0, -1});
    expectNear(normalOf(part.vertices[0]), {0, 0, -1});
    expectNear(positionOf(part.vertices[0]), {-0.07f, 0.07f, -0.07f});
}

TEST(DisplayMesh, reverseNormalsTurnsEveryPartInsideOutAndStopsWhereTheFaceWalkStops) {
    DisplayMesh mesh;
    mesh.makeCube(1, 1, 1);
    // A cube, and parts whose second face claims more corners than remain or fewer than none: the walk ends there.
    for (const auto& indices : {LargeVector<int32_t>{3, 0, 1, 2, 7, 0, 1}, LargeVector<int32_t>{3, 0, 1, 2, -1, 0, 3}}) {
        MeshPart& part = mesh.parts.emplace_back();
        part.faceIndices = indices;
        int visited = 0;
        forEachFace(part, [&](const int32_t*, int32_t) { ++visited; });
        EXPECT_EQ(visited, 1) << indices[4];
    }
    mesh.reverseNormals();
    const MeshPart& part = mesh.parts[0];
    EXPECT_EQ(std::vector<int32_t>(part.faceIndices.begin(), part.faceIndices.begin() + 10),
              (std::vector<int32_t>{4, 3, 2, 1, 0, 4, 7, 6, 5, 4}));
    EXPECT_EQ(std::make_tuple(part.faceNormals[1], normalOf(part.vertices[5]), normalOf(part.vertices[23])),
              std::make_tuple(Vec3f{0, -1, 0}, Vec3f{0, -1, 0}, Vec3f{0, 0, 1}));
    EXPECT_EQ(mesh.parts[1].faceIndices, (LargeVector<int32_t>{3, 2, 1, 0, 7, 1, 0}));
}

TEST(DisplayMesh, volumeEstimateSubtractsOverlapsWithEarlierParts) {
    auto volume = [](std::initializer_list<Bounds> boxes) {
        DisplayMesh mesh;
        for (const Bounds& bounds : boxes) mesh.parts.emplace_back().bounds = bounds;
        return mesh.volumeEstimate();
    };
    const Bounds box{0, 1, 0, 2, 0, 3};
    EXPECT_FLOAT_EQ(volume({box, box}), 6.001f);  // the second box is covered entirely and counts 0.001
    // Half inside the first, apart from all, and flat.
    EXPECT_FLOAT_EQ(volume({box, {0.5f, 1.5f, 0, 2, 0, 3}, {5, 6, 5, 6, 5, 6}, {0, 1, 0, 1, 0, 0}}),
                    6.0f + 3.0f + 1.0f + 0.001f);
}

}  // namespace
}  // namespace glowpond
