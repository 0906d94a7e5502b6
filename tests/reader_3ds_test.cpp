// The 3DS reader: hand-built chunk files, damaged ones, and real models.
#include "importers/reader_3ds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "loading/convert_action.h"
#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/properties.h"
#include "tests/scene_test_support.h"
#include "tests/vrml_test_support.h"

namespace glowpond {
namespace {

// --- Writing 3DS files ---

// File bytes, with the ranges the reader reads as data fields (not chunk
// headers, not skipped chunks): a file cut inside one of them is damaged,
// a file cut anywhere else merely ends early.
struct Bytes {
    std::string data;
    std::vector<std::pair<size_t, size_t>> fields;
};

Bytes cat(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        for (auto [begin, end] : part.fields) all.fields.push_back({begin + all.data.size(), end + all.data.size()});
        all.data += part.data;
    }
    return all;
}

template <typename T>
std::string little(T value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    std::string bytes;
    for (size_t i = 0; i < sizeof value; ++i) bytes += static_cast<char>(bits >> (8 * i) & 0xFF);
    return bytes;
}

template <typename T>
Bytes field(T value) { return {little(value), {{0, sizeof value}}}; }
Bytes text(const std::string& value) { return {value + '\0', {{0, value.size() + 1}}}; }
Bytes header(uint16_t id, uint32_t length) { return {little(id) + little(length), {}}; }
Bytes chunk(uint16_t id, const std::vector<Bytes>& contents = {}) {
    Bytes body = cat(contents);
    return cat({header(id, static_cast<uint32_t>(6 + body.data.size())), body});
}
// A chunk skipped unread.
Bytes skipped(uint16_t id, size_t bytes = 7) {
    return {header(id, static_cast<uint32_t>(6 + bytes)).data + std::string(bytes, '\1'), {}};
}
// Colour and percentage forms: their header is read as a field.
Bytes form(uint16_t id, const std::vector<Bytes>& contents) {
    Bytes result = chunk(id, contents);
    result.fields.push_back({0, 6});
    return result;
}
Bytes rgb(uint8_t r, uint8_t g, uint8_t b) { return form(0x0011, {field(r), field(g), field(b)}); }
Bytes rgbFloat(float r, float g, float b) { return form(0x0010, {field(r), field(g), field(b)}); }

Bytes material(const std::string& name, std::vector<Bytes> properties = {}) {
    properties.insert(properties.begin(), chunk(0xA000, {text(name)}));
    return chunk(0xAFFF, properties);
}
Bytes square() {
    std::vector<Bytes> list{field(uint16_t{4})};
    for (float v : {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}) list.push_back(field(v));
    return chunk(0x4110, list);
}
Bytes group(const std::string& material, const std::vector<uint16_t>& faces) {
    std::vector<Bytes> contents{text(material), field(static_cast<uint16_t>(faces.size()))};
    for (uint16_t face : faces) contents.push_back(field(face));
    return chunk(0x4130, contents);
}
// Triangles, then inside the face list the given sub-chunks and smoothing groups.
Bytes faces(const std::vector<std::vector<uint16_t>>& triangles, std::vector<Bytes> inside = {}) {
    std::vector<Bytes> contents{field(static_cast<uint16_t>(triangles.size()))};
    for (const std::vector<uint16_t>& t : triangles) {
        for (uint16_t number : {t[0], t[1], t[2], uint16_t{7}}) contents.push_back(field(number));
    }
    contents.insert(contents.end(), inside.begin(), inside.end());
    contents.push_back(skipped(0x4150, 4 * triangles.size()));
    return chunk(0x4120, contents);
}
Bytes object(const std::string& name, std::vector<Bytes> contents) {
    contents.insert(contents.begin(), text(name));
    return chunk(0x4000, contents);
}
Bytes mesh(const std::string& name, const std::vector<Bytes>& contents) {
    return object(name, {chunk(0x4100, contents)});
}
Bytes mainChunk(const std::vector<Bytes>& editor) {
    return chunk(0x4D4D, {chunk(0x0002, {field(uint32_t{3})}), chunk(0x3D3D, editor)});
}

const std::vector<std::vector<uint16_t>> kTwoTriangles{{0, 1, 2}, {0, 2, 3}};

// Every chunk kind the reader knows, and some it skips.
Bytes everyChunkKind() {
    return cat({mainChunk({
                    chunk(0x3D3E, {field(uint32_t{3})}),
                    material("Red", {chunk(0xA010, {rgb(255, 0, 128), skipped(0x0013)}),
                                     chunk(0xA020, {rgbFloat(1, 0, 0)}), chunk(0xA030, {rgbFloat(.5f, .5f, .5f)}),
                                     chunk(0xA040, {form(0x0030, {field(int16_t{50})})}),
                                     chunk(0xA050, {form(0x0031, {field(0.25f)})}), skipped(0xA300)}),
                    chunk(0x0100, {field(1.0f)}),
                    material("Blue", {chunk(0xA020, {rgb(0, 0, 255)}), chunk(0xA040, {form(0x0031, {field(50.0f)})})}),
                    mesh("1st box", {square(), skipped(0x4160, 48), faces({{0, 1, 2}, {0, 2, 3}, {1, 2, 3}},
                                                                           {group("Blue", {1})}),
                                     group("Red", {2})}),
                    object("Camera01", {skipped(0x4700, 32)}),
                    mesh("lid", {square(), faces(kTwoTriangles, {group("Red", {0, 1})})}),
                }),
                skipped(0xB000)});
}

// --- Reading ---

using testing::expectNear;
using testing::RecordingContext;
using testing::toVector;

std::vector<Node*> meshes(const Node& context) {
    std::vector<Node*> found;
    for (Node* n = context.firstChildNode(); n; n = n->nextSibling()) found.push_back(n);
    return found;
}

std::unique_ptr<RecordingContext> read(const Bytes& file) {
    auto context = std::make_unique<RecordingContext>();
    read3dsData(*context, "m.3ds", reinterpret_cast<const uint8_t*>(file.data.data()), file.data.size());
    return context;
}

const std::vector<std::string> kFailed{"Read failed for 3ds file 'm.3ds'"}, kNoErrors;

template <typename T>
const T& child(const Node* parent, NodeType type) {
    Node* n = parent->firstChildNode();
    while (n && n->typeCode() != type) n = n->nextSibling();
    return *static_cast<const T*>(n);
}

// Reads, traverses and converts; the mesh, or null when the reader complained.
std::unique_ptr<DisplayMesh> load(RecordingContext& context) {
    ConvertAction action(nullptr, nullptr);
    TraversalState state;
    context.apply(state, action);
    action.finish(context, state);
    auto mesh = std::make_unique<DisplayMesh>();
    action.transferMesh(*mesh);
    return context.errors.empty() ? std::move(mesh) : nullptr;
}

// --- Tests ---

TEST(Reader3ds, buildsOneSeparatorPerMeshWithItsMaterials) {
    auto context = read(everyChunkKind());
    EXPECT_EQ(context->errors, kNoErrors);
    EXPECT_EQ(context->statuses,
              (std::vector<std::string>{"Reading material 'Red'", "Reading material 'Blue'", "Reading object '1st box'",
                                        "Reading object 'Camera01'", "Reading object 'lid'"}));
    ASSERT_EQ(meshes(*context).size(), 2u);
    const Node* box = meshes(*context)[0];
    EXPECT_EQ(child<MaterialBinding>(box, NodeType::MaterialBinding).value(), kBindingPerPartIndexed);
    EXPECT_EQ(child<Coordinate3>(box, NodeType::Coordinate3).point()[2], (Vec3{1, 1, 0}));
    const IndexedFaceSet& boxFaces = child<IndexedFaceSet>(box, NodeType::IndexedFaceSet);
    EXPECT_EQ(toVector(boxFaces.coordIndex()), (std::vector<int32_t>{0, 1, 2, -1, 0, 2, 3, -1, 1, 2, 3, -1}));
    // Blue from inside the face list, Red from after it; faces no group names take the first.
    EXPECT_EQ(toVector(boxFaces.materialIndex()), (std::vector<int32_t>{0, 0, 1}));

    const Material& materials = child<Material>(box, NodeType::Material);
    ASSERT_EQ(materials.materialCount(), 2);
    const MaterialValues blue = materials.material(0), red = materials.material(1);
    expectNear(blue.diffuse, {0, 0, 1});
    EXPECT_EQ(blue.shininess, 50.0);  // the float percentage is not scaled
    expectNear(blue.ambient, MaterialValues{}.ambient);
    expectNear(red.ambient, {1.0, 0.0, 128.0 / 255}, 1e-7);
    expectNear(red.diffuse, {1, 0, 0});
    expectNear(red.specular, {0.5, 0.5, 0.5});
    EXPECT_NEAR(red.shininess, 0.5, 1e-7);
    EXPECT_EQ(red.transparency, 0.25);

    // One material only: no binding node.
    EXPECT_EQ(context->tree(), "Separator#G1st_box(MaterialBinding Material Coordinate3 IndexedFaceSet) "
                               "Separator#lid(Material Coordinate3 IndexedFaceSet)");
}

TEST(Reader3ds, materialNamesResolveToTheFirstDefinitionOfTheirMainChunk) {
    auto context = read(cat({
        mainChunk({material("Paint", {chunk(0xA020, {rgb(0, 0, 255)})})}),
        mainChunk({material("Paint", {chunk(0xA020, {rgb(255, 0, 0)})}),
                   material("Paint", {chunk(0xA020, {rgb(0, 255, 0)})}),
                   mesh("Box", {square(), faces(kTwoTriangles), group("Paint", {0}), group("paint", {1})})}),
    }));
    const Material& materials = child<Material>(meshes(*context).at(0), NodeType::Material);
    expectNear(materials.material(0).diffuse, {1, 0, 0});
    expectNear(materials.material(1).diffuse, MaterialValues{}.diffuse);
}

TEST(Reader3ds, fitsNamesForTheSceneGraph) {
    EXPECT_EQ(fit3dsName("Box-2.a"), "Box_2_a");
    EXPECT_EQ(fit3dsName("\xE9t\xE9"), "G_t_");
    // Long names are cut to 255 characters; reading goes on after the whole name.
    auto context = read(mainChunk({mesh(std::string(300, 'n'), {square()}), mesh("", {square()})}));
    EXPECT_EQ(context->errors, kNoErrors);
    ASSERT_EQ(meshes(*context).size(), 2u);
    EXPECT_EQ(meshes(*context)[0]->name(), std::string(255, 'n'));
    EXPECT_EQ(meshes(*context)[1]->name(), "");
}

TEST(Reader3ds, passesOverFaceAndVertexNumbersThatDoNotExist) {
    auto context = read(mainChunk({material("A"), mesh("Box", {square(), faces({{0, 1, 2}, {0, 1, 9}},
                                                                               {group("A", {1, 2, 65535}),
                                                                                group("A", {0, 40})})})}));
    const Node* box = meshes(*context).at(0);
    EXPECT_EQ(toVector(child<IndexedFaceSet>(box, NodeType::IndexedFaceSet).materialIndex()),
              (std::vector<int32_t>{1, 0}));
    // The corner naming no vertex is left out of its face.
    EXPECT_EQ(load(*context)->parts[0].faceIndices, (std::vector<int32_t>{3, 0, 1, 2, 2, 0, 1}));
}

TEST(Reader3ds, fileCutAnywhereFailsExactlyWhenAFieldIsCut) {
    const Bytes file = everyChunkKind();
    for (size_t cut = 0; cut < file.data.size(); ++cut) {
        const bool inField = std::any_of(file.fields.begin(), file.fields.end(),
                                         [cut](auto range) { return range.first <= cut && cut < range.second; });
        EXPECT_EQ(read({file.data.substr(0, cut), {}})->errors, inField ? kFailed : kNoErrors) << "cut at " << cut;
    }
}

TEST(Reader3ds, damagedChunksStopReadingAndKeepWhatWasRead) {
    const Bytes box = mesh("Box", {square(), faces(kTwoTriangles)});
    for (uint32_t length : {0u, 5u}) {
        auto context = read(mainChunk({box, header(0x1234, length), box}));
        EXPECT_EQ(context->errors, kFailed);
        EXPECT_EQ(meshes(*context).size(), 1u);
        EXPECT_EQ(read(cat({mainChunk({box}), header(0x0000, length)}))->errors, kFailed);
    }
    EXPECT_EQ(read(mainChunk({material("M", {chunk(0xA010, {form(0x0012, {field(1.0f)})})})}))->errors, kFailed);
    EXPECT_EQ(read(mainChunk({material("M", {chunk(0xA040, {form(0x0032, {field(1.0f)})})})}))->errors, kFailed);
    // A skipped chunk that runs past the end just ends the file.
    auto context = read(mainChunk({box, header(0xB000, 1000000)}));
    EXPECT_EQ(context->errors, kNoErrors);
    EXPECT_EQ(meshes(*context).size(), 1u);
}

TEST(Reader3ds, realModelsLoadWithEveryStoredFace) {
    // Faces in each file's 0x4120 chunks, as listed with the collection.
    const std::map<std::string, int32_t> shared{
        {"as_camerarollanim", 12}, {"as_camerarollanimwithchildobject", 24}, {"as_cube_with_diffuse_texture", 12},
        {"as_cube_with_specular_texture", 12}, {"as_cubes_with_alpha", 60}, {"as_fels", 768},
        {"as_rotatingcube", 12}, {"as_targetcameraanim", 12}, {"as_test1", 108}, {"asnb_cart_wheel", 1400},
        {"asnb_granate", 376}, {"asnb_jeep1", 2032}, {"asnb_mar_rifle", 572}, {"asnb_mp5_sil", 366},
        {"asnb_pyramob", 31460}, {"cge_p47d", 3500}, {"o3v_cube_four_instances", 12}, {"o3v_cube_hierarchy", 12},
        {"o3v_cube_with_materials", 12}, {"o3v_cube_with_texture_transformations", 12}, {"q_tie-in", 15836},
        {"q_tiefight", 8928}, {"q_xwing", 1289}, {"q_ywing", 924}, {"sw_angryteapot", 6298},
        {"sw_tacticalbunny", 42010}, {"sw_teapot", 9216}};
    for (const auto& [name, faceCount] : shared) {
        RecordingContext context;
        read3dsFile(context, GLOWPOND_SHARED_MODELS "/3ds/" + name + ".3ds");
        ASSERT_FALSE(context.statuses.empty()) << name << " not found";
        std::unique_ptr<DisplayMesh> mesh = load(context);
        ASSERT_TRUE(mesh) << name;
        EXPECT_EQ(mesh->faceCount, faceCount) << name;
        EXPECT_NEAR(std::max({mesh->bounds[1] - mesh->bounds[0], mesh->bounds[3] - mesh->bounds[2],
                              mesh->bounds[5] - mesh->bounds[4]}), kModelExtent, 1e-6) << name;
    }
    RecordingContext rocket;
    read3dsFile(rocket, GLOWPOND_SAMPLE_MODELS "/rocket.3ds");
    EXPECT_EQ(meshes(rocket).size(), 4u);
    EXPECT_TRUE(load(rocket));
}

}  // namespace
}  // namespace glowpond
