// ConvertAction: scene graphs into centred, scaled display meshes.
#include "loading/convert_action.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using namespace glowpond::testing;

constexpr float kHalf = kModelExtent / 2;

// Faces over `points`, as VRML; a triangle at height z, counter-clockwise seen from above.
std::string faces(const std::string& points, const std::string& coordIndex = "0, 1, 2, -1") {
    return "Coordinate3 { point [ " + points + " ] } IndexedFaceSet { coordIndex [ " + coordIndex + " ] } ";
}
std::string triangle(int z) {
    const std::string at = " " + std::to_string(z);
    return faces("0 0" + at + ", 1 0" + at + ", 0 1" + at);
}

void expectNear(const float* actual, const Vec3f& expected) {
    for (size_t axis = 0; axis < 3; ++axis) EXPECT_NEAR(actual[axis], expected[axis], 1e-6) << "axis " << axis;
}

TEST(ConvertAction, namedGroupsBecomePartsInOrderOfTheirFirstFaces) {
    // Before any named group (dropped by the first one); B; unnamed, after B (joins B); A with A_in; B again;
    // C without faces (no part).
    const DisplayMesh mesh = convertToMesh(*sceneOf(
        triangle(0) + "DEF B Separator { " + triangle(1) + "} " + triangle(2) + "DEF A Separator { " + triangle(3) +
        "DEF in Separator { " + triangle(4) + "} } DEF B Separator { " + triangle(5) + "} DEF C Separator { }"));
    // B: z = 1, 2, 5; A: z = 3; A_in: z = 4, each with its own vertex list numbered from 0.
    ASSERT_EQ(std::make_tuple(mesh.partCount, mesh.faceCount, mesh.vertexCount), std::make_tuple(3, 5, 15));
    EXPECT_EQ(std::make_tuple(mesh.parts[0].faceCount, mesh.parts[0].vertexCount, mesh.parts[1].faceCount),
              std::make_tuple(3, 9, 1));
    EXPECT_EQ(mesh.parts[2].faceIndices, (LargeVector<int32_t>{3, 0, 1, 2}));
}

TEST(ConvertAction, theTolerantReadingShowsEveryFaceTheFileHas) {
    // A room exported wall by wall: face lists without a closing -1, colours bound per face.
    const auto room = sceneOf("MaterialBinding { value PER_FACE } Material { diffuseColor [ 1 0 0, 0 1 0 ] } " +
                              faces("0 0 0, 4 0 0, 4 0 3, 0 0 3", "0, 1, 2, 3") +
                              faces("0 0 0, 0 4 0, 0 4 3, 0 0 3", "0, 1, 2, -1, 2, 3, 0"));
    const DisplayMesh walls = convertToMesh(*room, true), closedOnly = convertToMesh(*room);
    auto coloursOf = [](const DisplayMesh& mesh) {
        return std::vector<Vec3f>(mesh.parts[0].faceColors.begin(), mesh.parts[0].faceColors.end());
    };
    EXPECT_EQ(std::make_tuple(walls.faceCount, coloursOf(walls)),
              std::make_tuple(3, std::vector<Vec3f>{{1, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    EXPECT_EQ(std::make_tuple(closedOnly.faceCount, closedOnly.parts[0].color), std::make_tuple(1, Vec3f{1, 0, 0}));
    // An unnamed body before named eyes keeps a part of its own; named from the start, nothing changes.
    const auto figure = sceneOf("Separator { Cube { } Translation { translation 4 0 0 } DEF eye Cube { } }");
    const DisplayMesh whole = convertToMesh(*figure, true), eyesOnly = convertToMesh(*figure);
    EXPECT_EQ(std::make_tuple(whole.partCount, whole.parts[0].faceCount, whole.parts[1].faceCount, whole.bounds[1]),
              std::make_tuple(2, 6, 6, kHalf));
    EXPECT_EQ(std::make_tuple(eyesOnly.partCount, eyesOnly.faceCount), std::make_tuple(1, 6));
    const auto named = sceneOf("DEF body Cube { } Cube { }");
    const DisplayMesh tolerant = convertToMesh(*named, true), strict = convertToMesh(*named);
    EXPECT_EQ(std::make_tuple(tolerant.partCount, tolerant.parts[0].faceIndices, tolerant.parts[0].vertexCount),
              std::make_tuple(strict.partCount, strict.parts[0].faceIndices, strict.parts[0].vertexCount));
}

TEST(ConvertAction, centresTheModelScalesItsLongestSideAndReversesCornersAfterClockwiseShapeHints) {
    for (const std::string hints :
         {"", "ShapeHints { vertexOrdering COUNTERCLOCKWISE } ", "ShapeHints { vertexOrdering CLOCKWISE } "}) {
        const DisplayMesh mesh = convertToMesh(*sceneOf(hints + faces("10 0 0, 14 0 0, 10 2 1")));
        const float turn = hints.find(" CLOCKWISE") == std::string::npos ? 1 : -1;
        expectNear(mesh.parts[0].faceNormals[0].data(), Vec3f{0, -1, 2} * (turn / std::sqrt(5.0f)));
        // The first corner to arrive: (10, 0, 0), or (10, 2, 1) when reversed.
        expectNear(mesh.parts[0].vertices[0].position, {-kHalf, -turn * kHalf / 2, -turn * kHalf / 4});
        expectNear(mesh.bounds.data(), {-kHalf, kHalf, -kHalf / 2});
    }
    // All points in one place: centred, not scaled.
    const DisplayMesh point = convertToMesh(*sceneOf(faces("3 3 3, 3 3 3", "0, 1, 0, -1")));
    EXPECT_EQ(std::make_pair(point.parts[0].vertexCount, point.bounds), std::make_pair(1, Bounds{}));
}

TEST(ConvertAction, facesTakeTheFirstVisibleColourOfTheirMaterialAndAPartIsUniformOnlyWhenAllAgree) {
    // Ambient, diffuse, highlight and emissive colours: an emissive one too faint to count, then none at all.
    const std::pair<MaterialValues, Vec3f> materials[] = {
        {{{0.3, 0.1, 0.1}, {0.8, 0.8, 0.8}, {}, {0, 0, 5e-6}}, {0.8f, 0.8f, 0.8f}},
        {{{0.3, 0.1, 0.1}, {}, {}, {}}, {0.3f, 0.1f, 0.1f}}, {{{}, {}, {}, {}}, {0.2f, 0.2f, 0.2f}}};
    for (const auto& [material, colour] : materials) expectNear(faceColour(material).data(), colour);
    for (const std::string red : {"0", "1"}) {
        // The face without corners counts for the mesh but is not stored.
        const DisplayMesh mesh = convertToMesh(*sceneOf(
            "Material { emissiveColor [ 0 0 0, 0 0 0, " + red + " 0 0, 0 0 0 ] diffuseColor 0.8 0.8 0.8 } "
            "MaterialBinding { value PER_FACE } " +
            faces("0 0 0, 1 0 0, 0 1 0", "0, 1, 2, -1, -1, 2, 1, 0, -1, 0, 2, 1, -1")));
        const MeshPart& part = mesh.parts[0];
        EXPECT_EQ(std::make_tuple(part.uniformColor, mesh.faceCount, part.faceCount),
                  std::make_tuple(red == "0", 4, 3));
        expectNear(part.color.data(), {0.8f, 0.8f, 0.8f});
        expectNear(part.faceColors[1].data(), red == "1" ? Vec3f{1, 0, 0} : Vec3f{0.8f, 0.8f, 0.8f});
    }
}

// Merging each coordinate index once per shape must give exactly what
// merging every corner gives: shared coordinates under two transforms,
// repeated and near-equal points, non-finite ones, clockwise faces, parts.
TEST(ConvertAction, indexedFacesGiveTheMeshTheirCornersGive) {
    class CornerByCorner final : public ConvertAction {
        void indexedPolygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices, const int32_t*,
                            const FieldArray<Vec3>& normals, const MaterialValues& material) override {
            polygon(state, face, vertices, normals, material);
        }
    };
    const auto scene = sceneOf(
        "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0, 1 1 0.000001, 1e300 0 0, 0 0 -1e300 ] }"
        "DEF moved Separator { Translation { translation 0.5 0 0 } ShapeHints { vertexOrdering CLOCKWISE }"
        "  IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 3, 2, 1, 0, -1, 9, 0, 1, -1 ] } }"
        "IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 1, 3, 2, -1, 2, 4, 1, 5, -1, 5, 6, 0, 5, -1 ] }"
        "Separator { Scale { scaleFactor 1e300 1 1 } IndexedFaceSet { coordIndex [ 5, 6, 0, 5, -1 ] } }"
        "IndexedFaceSet { coordIndex [ 3, 4, 0, -1 ] }");
    ConvertAction indexed;
    CornerByCorner corners;
    const DisplayMesh expected = convertToMesh(*scene, corners), actual = convertToMesh(*scene, indexed);
    ASSERT_EQ(actual.parts.size(), expected.parts.size());
    EXPECT_EQ(std::make_tuple(actual.vertexCount, actual.faceCount), std::make_tuple(expected.vertexCount, expected.faceCount));
    for (size_t i = 0; i < actual.parts.size(); ++i) {
        const MeshPart &a = actual.parts[i], &e = expected.parts[i];
        EXPECT_EQ(a.faceIndices, e.faceIndices) << "part " << i;
        ASSERT_EQ(a.vertices.size(), e.vertices.size());
        EXPECT_EQ(std::memcmp(a.vertices.data(), e.vertices.data(), a.vertices.size() * sizeof(MeshVertex)), 0);
    }
}

}  // namespace
}  // namespace glowpond
