// The 3DS reader: hand-built chunk files, damaged ones, and real models.
#include "importers/reader_3ds.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
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
#include "tests/test_support.h"

namespace glowpond {
namespace {

// --- Writing 3DS files ---

// Bytes of a 3DS file, with the ranges that the reader reads as data
// fields (not as chunk headers, not skipped): a file cut inside one of
// them is damaged, a file cut anywhere else just ends early.
struct Bytes {
    std::string data;
    std::vector<std::pair<size_t, size_t>> fields;

    Bytes& operator+=(const Bytes& more) {
        for (auto [begin, end] : more.fields) fields.push_back({begin + data.size(), end + data.size()});
        data += more.data;
        return *this;
    }
};

Bytes field(const std::string& data) { return {data, {{0, data.size()}}}; }

template <typename T>
std::string little(T value) {
    std::string bytes;
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    for (size_t i = 0; i < sizeof value; ++i) bytes += static_cast<char>(bits >> (8 * i) & 0xFF);
    return bytes;
}

Bytes u16(uint16_t value) { return field(little(value)); }
Bytes f32(float value) { return field(little(value)); }
Bytes text(const std::string& value) { return field(value + '\0'); }

Bytes header(uint16_t id, uint32_t length) { return {little(id) + little(length), {}}; }

Bytes chunk(uint16_t id, const std::vector<Bytes>& contents = {}) {
    Bytes body;
    for (const Bytes& part : contents) body += part;
    Bytes result = header(id, static_cast<uint32_t>(6 + body.data.size()));
    result += body;
    return result;
}

// A chunk whose header is read as a field too (colour and percentage forms).
Bytes fieldChunk(uint16_t id, const std::vector<Bytes>& contents) {
    Bytes result = chunk(id, contents);
    result.fields.push_back({0, 6});
    return result;
}

// A chunk the reader skips without looking inside.
Bytes skipped(uint16_t id, const std::string& contents = "ignored") {
    return {little(id) + little(static_cast<uint32_t>(6 + contents.size())) + contents, {}};
}

Bytes byteColour(uint8_t r, uint8_t g, uint8_t b) {
    return fieldChunk(0x0011, {field(std::string{char(r), char(g), char(b)})});
}
Bytes floatColour(float r, float g, float b) { return fieldChunk(0x0010, {f32(r), f32(g), f32(b)}); }
Bytes intPercent(int16_t value) { return fieldChunk(0x0030, {field(little(value))}); }
Bytes floatPercent(float value) { return fieldChunk(0x0031, {f32(value)}); }

Bytes material(const std::string& name, const std::vector<Bytes>& properties = {}) {
    std::vector<Bytes> contents{chunk(0xA000, {text(name)})};
    contents.insert(contents.end(), properties.begin(), properties.end());
    return chunk(0xAFFF, contents);
}

Bytes vertices(const std::vector<Vec3>& points) {
    Bytes list = u16(static_cast<uint16_t>(points.size()));
    for (const Vec3& p : points) {
        list += f32(static_cast<float>(p.x));
        list += f32(static_cast<float>(p.y));
        list += f32(static_cast<float>(p.z));
    }
    return chunk(0x4110, {list});
}

struct Group {
    std::string material;
    std::vector<uint16_t> faces;
};

Bytes group(const Group& g) {
    Bytes contents = text(g.material);
    contents += u16(static_cast<uint16_t>(g.faces.size()));
    for (uint16_t face : g.faces) contents += u16(face);
    return chunk(0x4130, {contents});
}

// Triangles, then (inside the face list) the groups and a smoothing chunk.
Bytes faces(const std::vector<std::vector<uint16_t>>& triangles, const std::vector<Group>& groups = {}) {
    std::vector<Bytes> contents{u16(static_cast<uint16_t>(triangles.size()))};
    for (const std::vector<uint16_t>& t : triangles) {
        for (uint16_t corner : t) contents.push_back(u16(corner));
        contents.push_back(u16(7));  // edge flags
    }
    for (const Group& g : groups) contents.push_back(group(g));
    contents.push_back(skipped(0x4150, std::string(4 * triangles.size(), '\1')));
    return chunk(0x4120, contents);
}

Bytes object(const std::string& name, const std::vector<Bytes>& contents) {
    std::vector<Bytes> all{text(name)};
    all.insert(all.end(), contents.begin(), contents.end());
    return chunk(0x4000, all);
}

Bytes mainChunk(const std::vector<Bytes>& editorContents) {
    return chunk(0x4D4D, {chunk(0x0002, {field(little(uint32_t{3}))}), chunk(0x3D3D, editorContents)});
}

const std::vector<Vec3> kSquare{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const std::vector<std::vector<uint16_t>> kTwoTriangles{{0, 1, 2}, {0, 2, 3}};

// A file with every chunk kind the reader knows and some it skips.
Bytes everyChunkKind() {
    Bytes file = mainChunk({
        chunk(0x3D3E, {field(little(uint32_t{3}))}),
        material("Red", {chunk(0xA010, {byteColour(255, 0, 128), skipped(0x0013, "abc")}),
                         chunk(0xA020, {floatColour(1, 0, 0)}), chunk(0xA030, {floatColour(0.5f, 0.5f, 0.5f)}),
                         chunk(0xA040, {intPercent(50)}), chunk(0xA050, {floatPercent(0.25f)}),
                         skipped(0xA300, std::string("map.bmp") + '\0')}),
        chunk(0x0100, {f32(1)}),
        material("Blue", {chunk(0xA020, {byteColour(0, 0, 255)}), chunk(0xA040, {floatPercent(50)})}),
        object("1st box", {chunk(0x4100, {vertices(kSquare), skipped(0x4160, std::string(48, '\0')),
                                          faces({{0, 1, 2}, {0, 2, 3}, {1, 2, 3}}, {{"Blue", {1}}}),
                                          group({"Red", {2}})})}),
        object("Camera01", {skipped(0x4700, std::string(32, '\0'))}),
        object("lid", {chunk(0x4100, {vertices(kSquare), faces(kTwoTriangles, {{"Red", {0, 1}}})})}),
    });
    file += skipped(0xB000);
    return file;
}

// --- Reading ---

std::string formatted(const char* format, std::va_list args) {
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    return buffer;
}

// A root that records what the reader reports.
class RecordingContext : public Separator {
public:
    std::vector<std::string> statuses, errors;

    std::vector<Separator*> meshes() const {
        std::vector<Separator*> found;
        for (Node* n = firstChildNode(); n; n = n->nextSibling()) found.push_back(static_cast<Separator*>(n));
        return found;
    }

protected:
    void vstatus(const char* format, std::va_list args) override { statuses.push_back(formatted(format, args)); }
    void verror(const char* format, std::va_list args) override { errors.push_back(formatted(format, args)); }
};

std::unique_ptr<RecordingContext> read(const std::string& data) {
    auto context = std::make_unique<RecordingContext>();
    read3dsData(*context, "model.3ds", reinterpret_cast<const uint8_t*>(data.data()), data.size());
    return context;
}

const std::string kFailure = "Read failed for 3ds file 'model.3ds'";

template <typename T>
T* child(const Node& parent, NodeType type) {
    for (Node* n = parent.firstChildNode(); n; n = n->nextSibling()) {
        if (n->typeCode() == type) return static_cast<T*>(n);
    }
    return nullptr;
}

std::vector<NodeType> childTypes(const Node& parent) {
    std::vector<NodeType> types;
    for (Node* n = parent.firstChildNode(); n; n = n->nextSibling()) types.push_back(n->typeCode());
    return types;
}

std::vector<int32_t> toVector(const FieldArray<int32_t>& list) {
    std::vector<int32_t> values;
    for (int32_t i = 0; i < list.count(); ++i) values.push_back(list[i]);
    return values;
}

void expectColour(const Vec3& actual, const Vec3& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-7);
    EXPECT_NEAR(actual.y, expected.y, 1e-7);
    EXPECT_NEAR(actual.z, expected.z, 1e-7);
}

// --- Tests ---

TEST(Reader3ds, buildsOneSeparatorPerMesh) {
    auto context = read(everyChunkKind().data);
    EXPECT_TRUE(context->errors.empty());
    EXPECT_EQ(context->statuses,
              (std::vector<std::string>{"Reading material 'Red'", "Reading material 'Blue'", "Reading object '1st box'",
                                        "Reading object 'Camera01'", "Reading object 'lid'"}));
    std::vector<Separator*> meshes = context->meshes();
    ASSERT_EQ(meshes.size(), 2u);

    const Separator& box = *meshes[0];
    EXPECT_EQ(box.name(), "G1st_box");
    EXPECT_EQ(childTypes(box), (std::vector<NodeType>{NodeType::MaterialBinding, NodeType::Material,
                                                      NodeType::Coordinate3, NodeType::IndexedFaceSet}));
    EXPECT_EQ(child<MaterialBinding>(box, NodeType::MaterialBinding)->value(), kBindingPerPartIndexed);
    const FieldArray<Vec3>& points = child<Coordinate3>(box, NodeType::Coordinate3)->point();
    ASSERT_EQ(points.count(), 4);
    EXPECT_EQ(points[2], (Vec3{1, 1, 0}));
    const IndexedFaceSet& boxFaces = *child<IndexedFaceSet>(box, NodeType::IndexedFaceSet);
    EXPECT_EQ(toVector(boxFaces.coordIndex()), (std::vector<int32_t>{0, 1, 2, -1, 0, 2, 3, -1, 1, 2, 3, -1}));
    // Group 0 (inside the face list) is Blue, group 1 (after it) Red; unlisted faces take group 0.
    EXPECT_EQ(toVector(boxFaces.materialIndex()), (std::vector<int32_t>{0, 0, 1}));
    const Material& boxMaterials = *child<Material>(box, NodeType::Material);
    ASSERT_EQ(boxMaterials.materialCount(), 2);
    expectColour(boxMaterials.material(0).diffuse, {0, 0, 1});
    expectColour(boxMaterials.material(1).diffuse, {1, 0, 0});

    const Separator& lid = *meshes[1];
    EXPECT_EQ(lid.name(), "lid");
    EXPECT_EQ(childTypes(lid),
              (std::vector<NodeType>{NodeType::Material, NodeType::Coordinate3, NodeType::IndexedFaceSet}));
    EXPECT_TRUE(child<IndexedFaceSet>(lid, NodeType::IndexedFaceSet)->materialIndex().empty());
    EXPECT_EQ(child<Material>(lid, NodeType::Material)->materialCount(), 1);
}

TEST(Reader3ds, readsColoursAndPercentagesInBothForms) {
    auto context = read(everyChunkKind().data);
    const Material& materials = *child<Material>(*context->meshes()[0], NodeType::Material);
    const MaterialValues red = materials.material(1);
    expectColour(red.ambient, {1.0, 0.0, 128.0 / 255});
    expectColour(red.specular, {0.5, 0.5, 0.5});
    expectColour(red.emissive, {0, 0, 0});
    EXPECT_NEAR(red.shininess, 0.5, 1e-7);
    EXPECT_EQ(red.transparency, 0.25);
    const MaterialValues blue = materials.material(0);
    EXPECT_EQ(blue.shininess, 50.0);  // the float form is not scaled
    expectColour(blue.ambient, MaterialValues{}.ambient);
    EXPECT_EQ(blue.transparency, 0.0);
}

TEST(Reader3ds, firstDefinitionOfANameWinsAndUnknownNamesGetTheDefault) {
    auto context = read(mainChunk({
        material("Paint", {chunk(0xA020, {byteColour(255, 0, 0)})}),
        material("Paint", {chunk(0xA020, {byteColour(0, 255, 0)})}),
        material("paint", {chunk(0xA020, {byteColour(0, 0, 255)})}),
        object("Box", {chunk(0x4100, {vertices(kSquare), faces(kTwoTriangles),
                                      group({"Paint", {0}}), group({"Varnish", {1}})})}),
    }).data);
    ASSERT_EQ(context->meshes().size(), 1u);
    const Material& materials = *child<Material>(*context->meshes()[0], NodeType::Material);
    expectColour(materials.material(0).diffuse, {1, 0, 0});
    expectColour(materials.material(1).diffuse, MaterialValues{}.diffuse);
    EXPECT_EQ(context->statuses.size(), 4u);
}

TEST(Reader3ds, fitsNamesForTheSceneGraph) {
    EXPECT_EQ(fit3dsName("1st box"), "G1st_box");
    EXPECT_EQ(fit3dsName("Box-2.a"), "Box_2_a");
    EXPECT_EQ(fit3dsName("_x"), "G_x");
    EXPECT_EQ(fit3dsName("\xE9t\xE9"), "G_t_");
    EXPECT_EQ(fit3dsName(""), "");
    // Long names are cut to 255 characters; the reader goes on after the whole name.
    const std::string longName(300, 'n');
    auto context = read(mainChunk({object(longName, {chunk(0x4100, {vertices(kSquare)})}),
                                   object("", {chunk(0x4100, {vertices(kSquare)})})}).data);
    EXPECT_TRUE(context->errors.empty());
    ASSERT_EQ(context->meshes().size(), 2u);
    EXPECT_EQ(context->meshes()[0]->name(), std::string(255, 'n'));
    EXPECT_EQ(context->meshes()[1]->name(), "");
}

TEST(Reader3ds, passesOverFaceNumbersThatDoNotExist) {
    auto context = read(mainChunk({
        material("A"),
        object("Box", {chunk(0x4100, {vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                                      faces({{0, 1, 2}, {0, 1, 9}}, {{"A", {1, 2, 65535}}, {"A", {0, 40}}})})}),
    }).data);
    ASSERT_EQ(context->meshes().size(), 1u);
    const IndexedFaceSet& faceSet = *child<IndexedFaceSet>(*context->meshes()[0], NodeType::IndexedFaceSet);
    EXPECT_EQ(toVector(faceSet.materialIndex()), (std::vector<int32_t>{1, 0}));

    // A corner naming no vertex is left out of its face when the mesh is converted.
    ConvertAction action(nullptr, nullptr);
    TraversalState state;
    context->apply(state, action);
    action.finish(*context, state);
    EXPECT_EQ(action.mesh()->faceCount, 2);
    EXPECT_EQ(action.mesh()->parts[0].faceIndices, (std::vector<int32_t>{3, 0, 1, 2, 2, 0, 1}));
}

TEST(Reader3ds, fileCutAnywhereFailsExactlyWhenAFieldIsCut) {
    const Bytes file = everyChunkKind();
    for (size_t cut = 0; cut < file.data.size(); ++cut) {
        bool insideField = false;
        for (auto [begin, end] : file.fields) insideField = insideField || (begin <= cut && cut < end);
        auto context = read(file.data.substr(0, cut));
        EXPECT_EQ(context->errors, insideField ? std::vector<std::string>{kFailure} : std::vector<std::string>{})
            << "cut at " << cut;
    }
}

TEST(Reader3ds, chunkShorterThanItsHeaderStopsReading) {
    const Bytes box = object("Box", {chunk(0x4100, {vertices(kSquare), faces(kTwoTriangles)})});
    for (uint32_t length : {0u, 5u}) {
        // After the first object, and at the top level after the main chunk.
        Bytes inside = mainChunk({box, header(0x1234, length), box});
        auto context = read(inside.data);
        EXPECT_EQ(context->errors, std::vector<std::string>{kFailure});
        EXPECT_EQ(context->meshes().size(), 1u) << "the mesh read before stays";

        Bytes atTop = mainChunk({box});
        atTop += header(0x0000, length);
        atTop += mainChunk({box});
        EXPECT_EQ(read(atTop.data)->errors, std::vector<std::string>{kFailure});
    }
}

TEST(Reader3ds, chunkRunningPastTheEndEndsReadingQuietly) {
    Bytes file = mainChunk({object("Box", {chunk(0x4100, {vertices(kSquare), faces(kTwoTriangles)})}),
                            header(0xB000, 1000000)});
    auto context = read(file.data);
    EXPECT_TRUE(context->errors.empty());
    EXPECT_EQ(context->meshes().size(), 1u);
}

TEST(Reader3ds, unknownColourOrPercentageFormFails) {
    for (const Bytes& property : {chunk(0xA010, {fieldChunk(0x0012, {f32(1), f32(1), f32(1)})}),
                                  chunk(0xA040, {fieldChunk(0x0032, {u16(5)})})}) {
        auto context = read(mainChunk({material("M", {property})}).data);
        EXPECT_EQ(context->errors, std::vector<std::string>{kFailure});
    }
}

TEST(Reader3ds, eachMainChunkHasItsOwnMaterials) {
    Bytes file = skipped(0x1111);
    file += mainChunk({material("M", {chunk(0xA020, {byteColour(255, 0, 0)})})});
    file += mainChunk({object("Box", {chunk(0x4100, {vertices(kSquare), faces(kTwoTriangles), group({"M", {0}})})})});
    auto context = read(file.data);
    ASSERT_EQ(context->meshes().size(), 1u);
    const Material& materials = *child<Material>(*context->meshes()[0], NodeType::Material);
    expectColour(materials.material(0).diffuse, MaterialValues{}.diffuse);
}

TEST(Reader3ds, missingFileIsPassedOverSilently) {
    RecordingContext context;
    read3dsFile(context, "/nonexistent/folder/model.3ds");
    EXPECT_TRUE(context.errors.empty());
    EXPECT_TRUE(context.statuses.empty());
    EXPECT_EQ(context.firstChildNode(), nullptr);
}

// Faces stored in each file's 0x4120 chunks, as listed with the collection.
const std::map<std::string, int32_t> kSharedModelFaces{
    {"as_camerarollanim.3ds", 12},     {"as_camerarollanimwithchildobject.3ds", 24},
    {"as_cube_with_diffuse_texture.3ds", 12}, {"as_cube_with_specular_texture.3ds", 12},
    {"as_cubes_with_alpha.3ds", 60},   {"as_fels.3ds", 768},
    {"as_rotatingcube.3ds", 12},       {"as_targetcameraanim.3ds", 12},
    {"as_test1.3ds", 108},             {"asnb_cart_wheel.3ds", 1400},
    {"asnb_granate.3ds", 376},         {"asnb_jeep1.3ds", 2032},
    {"asnb_mar_rifle.3ds", 572},       {"asnb_mp5_sil.3ds", 366},
    {"asnb_pyramob.3ds", 31460},       {"cge_p47d.3ds", 3500},
    {"o3v_cube_four_instances.3ds", 12}, {"o3v_cube_hierarchy.3ds", 12},
    {"o3v_cube_with_materials.3ds", 12}, {"o3v_cube_with_texture_transformations.3ds", 12},
    {"q_tie-in.3ds", 15836},           {"q_tiefight.3ds", 8928},
    {"q_xwing.3ds", 1289},             {"q_ywing.3ds", 924},
    {"sw_angryteapot.3ds", 6298},      {"sw_tacticalbunny.3ds", 42010},
    {"sw_teapot.3ds", 9216},
};

// Reads and converts a model file; the mesh's face count, or -1 when the reader complained.
int32_t loadedFaces(const std::string& path) {
    RecordingContext context;
    read3dsFile(context, path);
    if (!context.errors.empty()) return -1;
    ConvertAction action(nullptr, nullptr);
    TraversalState state;
    context.apply(state, action);
    action.finish(context, state);
    const DisplayMesh& mesh = *action.mesh();
    float extent = 0.0f;
    for (int axis = 0; axis < 3; ++axis) extent = std::max(extent, mesh.bounds[2 * axis + 1] - mesh.bounds[2 * axis]);
    EXPECT_NEAR(extent, kModelExtent, 1e-6) << path;
    return mesh.faceCount;
}

TEST(Reader3ds, realModelsLoadWithEveryStoredFace) {
    for (const auto& [name, faces] : kSharedModelFaces) {
        const std::string path = std::string(GLOWPOND_SHARED_MODELS) + "/3ds/" + name;
        ASSERT_NE(testing::readFile(path), "") << "missing " << path;
        EXPECT_EQ(loadedFaces(path), faces) << name;
    }
}

TEST(Reader3ds, ownSampleModelsLoad) {
    RecordingContext rocket;
    read3dsFile(rocket, std::string(GLOWPOND_SAMPLE_MODELS) + "/rocket.3ds");
    EXPECT_TRUE(rocket.errors.empty());
    ASSERT_EQ(rocket.meshes().size(), 4u);
    EXPECT_EQ(rocket.meshes()[0]->name(), "G1st_stage");
    EXPECT_GT(loadedFaces(std::string(GLOWPOND_SAMPLE_MODELS) + "/ring.3ds"), 0);
}

}  // namespace
}  // namespace glowpond
