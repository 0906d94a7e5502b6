#include "mesh/display_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace glowpond {
namespace {

constexpr float kTolerance = 1e-5f;

void expectNear(const Vec3f& actual, const Vec3f& expected, float tolerance = kTolerance) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
}

Vec3f positionOf(const MeshVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }
Vec3f normalOf(const MeshVertex& v) { return {v.normal[0], v.normal[1], v.normal[2]}; }
Vec3f sub(const Vec3f& a, const Vec3f& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float dot(const Vec3f& a, const Vec3f& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3f cross(const Vec3f& a, const Vec3f& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
// Every vertex normal of every part, negated when `sign` is -1.
std::vector<Vec3f> vertexNormals(const DisplayMesh& mesh, float sign = 1.0f) {
    std::vector<Vec3f> normals;
    for (const MeshPart& part : mesh.parts) {
        for (const MeshVertex& v : part.vertices) {
            normals.push_back({sign * v.normal[0], sign * v.normal[1], sign * v.normal[2]});
        }
    }
    return normals;
}

// A part with one triangle and one quad over five vertices, with distinct normals.
MeshPart mixedPart(float offset) {
    MeshPart part;
    for (int i = 0; i < 5; ++i) {
        float f = float(i) + offset;
        part.vertices.push_back({{f, f * 2, f * 3}, {f / 10, -f / 10, 0.5f}});
    }
    part.vertexCount = 5;
    part.faceCount = 2;
    part.faceIndices = {3, 0, 1, 2, 4, 1, 2, 3, 4};
    part.faceNormals = {{0, 0, 1}, {0.6f, 0.8f, 0}};
    return part;
}

DisplayMesh threePartMesh() {
    DisplayMesh mesh;
    for (int p = 0; p < 3; ++p) mesh.parts.push_back(mixedPart(float(p)));
    mesh.partCount = 3;
    mesh.vertexCount = 15;
    mesh.faceCount = 6;
    return mesh;
}

TEST(DisplayMesh, reverseNormalsFlipsEveryPartAndTwiceRestores) {
    DisplayMesh mesh = threePartMesh();
    const DisplayMesh original = mesh;
    mesh.reverseNormals();
    EXPECT_EQ(vertexNormals(mesh), vertexNormals(original, -1.0f));
    for (const MeshPart& part : mesh.parts) {
        EXPECT_EQ(part.faceIndices, (std::vector<int32_t>{3, 2, 1, 0, 4, 4, 3, 2, 1}));
        EXPECT_EQ(part.faceNormals[1], (Vec3f{-0.6f, -0.8f, -0.0f}));
    }
    mesh.reverseNormals();
    EXPECT_EQ(vertexNormals(mesh), vertexNormals(original));
    for (size_t p = 0; p < 3; ++p) {
        EXPECT_EQ(mesh.parts[p].faceIndices, original.parts[p].faceIndices);
        EXPECT_EQ(mesh.parts[p].faceNormals, original.parts[p].faceNormals);
    }
}

TEST(DisplayMesh, reverseNormalsStaysInsideATruncatedFaceList) {
    DisplayMesh mesh;
    MeshPart part;
    part.faceIndices = {3, 0, 1, 2, 7, 0, 1};  // the last face claims more corners than remain
    mesh.parts.push_back(part);
    mesh.reverseNormals();
    EXPECT_EQ(mesh.parts[0].faceIndices, (std::vector<int32_t>{3, 2, 1, 0, 7, 1, 0}));
}

TEST(DisplayMesh, makeCubeBuildsSixOutwardQuadsOfHalfSide007) {
    DisplayMesh mesh = threePartMesh();
    mesh.makeCube(0.1f, 0.2f, 0.3f);
    ASSERT_EQ(mesh.parts.size(), 1u);
    EXPECT_EQ(std::tie(mesh.partCount, mesh.vertexCount, mesh.faceCount), std::make_tuple(1, 24, 6));
    const MeshPart& cube = mesh.parts[0];
    EXPECT_EQ(cube.uniformColor, 1);
    EXPECT_EQ(cube.color, (Vec3f{0.1f, 0.2f, 0.3f}));
    ASSERT_EQ(cube.vertices.size(), 24u);
    ASSERT_EQ(cube.faceIndices.size(), 30u);
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE("face " + std::to_string(face));
        ASSERT_EQ(cube.faceIndices[5 * face], 4);
        const Vec3f n = cube.faceNormals[face];
        Vec3f corner[4];
        for (int c = 0; c < 4; ++c) {
            int index = cube.faceIndices[5 * face + 1 + c];
            EXPECT_EQ(index, 4 * face + c);
            corner[c] = positionOf(cube.vertices[index]);
            EXPECT_EQ(normalOf(cube.vertices[index]), n);
            for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(std::fabs(corner[c][axis]), 0.07f, 1e-7f);
            EXPECT_NEAR(dot(corner[c], n), 0.07f, 1e-7f);  // on the side the normal points to
        }
        // Counter-clockwise seen from outside: the winding's normal agrees with the face normal.
        EXPECT_GT(dot(cross(sub(corner[1], corner[0]), sub(corner[2], corner[1])), n), 0.0f);
    }
}

TEST(DisplayMesh, volumeEstimateSubtractsOverlapsWithEarlierParts) {
    auto volume = [](std::initializer_list<Bounds> boxes) {
        DisplayMesh mesh;
        for (const Bounds& bounds : boxes) mesh.parts.emplace_back().bounds = bounds;
        return mesh.volumeEstimate();
    };
    const Bounds box{0, 1, 0, 2, 0, 3};
    EXPECT_EQ(volume({}), 0.0f);
    EXPECT_FLOAT_EQ(volume({box}), 6.0f);
    EXPECT_FLOAT_EQ(volume({box, box}), 6.001f);  // the second box is covered entirely and counts 0.001
    // Half inside the first, apart from all, and flat.
    EXPECT_FLOAT_EQ(volume({box, {0.5f, 1.5f, 0, 2, 0, 3}, {5, 6, 5, 6, 5, 6}, {0, 1, 0, 1, 0, 0}}),
                    6.0f + 3.0f + 1.0f + 0.001f);
}

TEST(MatrixHelpers, rotationMatrixTurnsCounterClockwiseAboutTheAxis) {
    Mat4f y90 = rotationMatrix(90, 0, 1, 0);
    expectNear(transformVector({1, 0, 0}, y90), {0, 0, -1});
    expectNear(transformVector({0, 0, 1}, y90), {1, 0, 0});
    expectNear(transformVector({1, 0, 0}, y90, true), {0, 0, 1});  // the transpose turns back
    // The axis need not be a unit vector; translation elements stay zero.
    Mat4f z90 = rotationMatrix(90, 0, 0, 5);
    expectNear(transformVector({1, 0, 0}, z90), {0, 1, 0});
    for (int i : {3, 7, 11, 12, 13, 14}) EXPECT_EQ(z90[i], 0.0f);
    EXPECT_EQ(z90[15], 1.0f);
    EXPECT_EQ(rotationMatrix(30, 0, 0, 1e-6f), Mat4f{});
}

TEST(MatrixHelpers, multiplyComposesRightToLeft) {
    Mat4f xThenZ = multiply(rotationMatrix(90, 0, 0, 1), rotationMatrix(90, 1, 0, 0));
    // (0, 1, 0) -> X turn -> (0, 0, 1) -> Z turn -> (0, 0, 1)
    expectNear(transformVector({0, 1, 0}, xThenZ), {0, 0, 1});
    expectNear(transformVector({1, 0, 0}, xThenZ), {0, 1, 0});
    EXPECT_EQ(multiply(identityMatrix(), xThenZ), xThenZ);
}

TEST(MatrixHelpers, extractAnglesRecoversRotateXYZAngles) {
    for (Vec3f angles : {Vec3f{30, 40, 50}, Vec3f{-120, 10, 170}, Vec3f{0, -60, 0}, Vec3f{5, 89, -7}}) {
        Mat4f m = multiply(rotationMatrix(angles[0], 1, 0, 0),
                           multiply(rotationMatrix(angles[1], 0, 1, 0), rotationMatrix(angles[2], 0, 0, 1)));
        Vec3f found{};
        extractAngles(m, found);
        expectNear(found, angles, 2e-2f);
    }
}

TEST(MatrixHelpers, extractAnglesAtNinetyDegreesKeepsTheCallersY) {
    Mat4f m = multiply(rotationMatrix(20, 1, 0, 0),
                       multiply(rotationMatrix(90, 0, 1, 0), rotationMatrix(30, 0, 0, 1)));
    Vec3f angles{1, 77, 2};
    extractAngles(m, angles);
    // x and z share the combined 50 degrees.
    EXPECT_EQ(angles[1], 77.0f);
    EXPECT_NEAR(angles[0], 25.0f, 1e-3f);
    EXPECT_EQ(angles[0], angles[2]);
}

TEST(DisplayMesh, rotateAccumulatesOrientationAndTurnsGeometry) {
    DisplayMesh mesh;
    mesh.makeCube(1, 1, 1);
    mesh.rotate({0, 1, 0}, 90);
    mesh.rotate({0, 1, 0}, 90);
    Mat4f half = rotationMatrix(180, 0, 1, 0);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(mesh.orientation[i], half[i], kTolerance) << i;
    // Face 0 pointed along +X; after half a turn it points along -X, and so does its first vertex normal.
    expectNear(mesh.parts[0].faceNormals[0], {-1, 0, 0});
    expectNear(normalOf(mesh.parts[0].vertices[0]), {-1, 0, 0});
    expectNear(positionOf(mesh.parts[0].vertices[0]), {-0.07f, 0.07f, -0.07f});
}

TEST(DisplayMesh, rotateXYZAppliesZFirstAndLeavesOrientation) {
    DisplayMesh mesh;
    mesh.makeCube(1, 1, 1);
    mesh.rotateXYZ({90, 0, 90});
    EXPECT_EQ(mesh.orientation, identityMatrix());
    // +X face: Z turn makes it +Y, then X turn makes it +Z.
    expectNear(mesh.parts[0].faceNormals[0], {0, 0, 1});
}

TEST(DisplayMesh, scaleTouchesPositionsOnly) {
    DisplayMesh mesh;
    mesh.makeCube(1, 1, 1);
    mesh.scaleXYZ(2, 3, 4);
    expectNear(positionOf(mesh.parts[0].vertices[0]), {0.14f, 0.21f, 0.28f});
    expectNear(normalOf(mesh.parts[0].vertices[0]), {1, 0, 0});
    mesh.scale(0.5f);
    expectNear(positionOf(mesh.parts[0].vertices[0]), {0.07f, 0.105f, 0.14f});
}

}  // namespace
}  // namespace glowpond
