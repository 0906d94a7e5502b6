// The 3DS reader on hand-built chunk files, whole and damaged.
#include "importers/reader_3ds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "scene/geometry.h"
#include "scene/properties.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using namespace testing;

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

// `value` as the file stores it: little-endian, as every host we build for is. A value
// not read as a field gets an empty range.
template <typename T>
Bytes field(T value, bool isField = true) {
    std::string data(sizeof value, '\0');
    std::memcpy(&data[0], &value, sizeof value);
    return {data, {{0, isField ? sizeof value : 0}}};
}
// Each value as a field, one after the other.
template <typename T>
Bytes fields(const std::vector<T>& values) {
    std::vector<Bytes> list;
    for (T value : values) list.push_back(field(value));
    return cat(list);
}
Bytes text(const std::string& value) { return {value + '\0', {{0, value.size() + 1}}}; }
Bytes header(uint16_t id, uint32_t length, bool isField = false) {
    return cat({field(id, isField), field(length, isField)});
}
Bytes chunk(uint16_t id, const std::vector<Bytes>& contents = {}, bool headerIsField = false) {
    const Bytes body = cat(contents);
    return cat({header(id, static_cast<uint32_t>(6 + body.data.size()), headerIsField), body});
}
// A chunk of `size` bytes skipped unread.
Bytes skipped(uint16_t id, size_t size = 7) { return {header(id, uint32_t(6 + size)).data + std::string(size, 1), {}}; }
// Colour and percentage forms: their header is read as a field.
Bytes form(uint16_t id, const std::vector<Bytes>& contents) { return chunk(id, contents, true); }
Bytes rgb(uint8_t r, uint8_t g, uint8_t b) { return form(0x0011, {fields<uint8_t>({r, g, b})}); }

Bytes material(const std::string& name, const std::vector<Bytes>& properties = {}) {
    return chunk(0xAFFF, {chunk(0xA000, {text(name)}), cat(properties)});
}
Bytes square() { return chunk(0x4110, {field(uint16_t{4}), fields<float>({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0})}); }
Bytes group(const std::string& material, const std::vector<uint16_t>& faces) {
    return chunk(0x4130, {text(material), field(static_cast<uint16_t>(faces.size())), fields(faces)});
}
// Triangles, then inside the face list the given sub-chunks and smoothing groups.
Bytes faces(const std::vector<std::vector<uint16_t>>& triangles, const std::vector<Bytes>& inside = {}) {
    std::vector<Bytes> list{field(static_cast<uint16_t>(triangles.size()))};
    for (const std::vector<uint16_t>& t : triangles) list.push_back(fields<uint16_t>({t[0], t[1], t[2], 7}));
    return chunk(0x4120, {cat(list), cat(inside), skipped(0x4150, 4 * triangles.size())});
}
Bytes mesh(const std::string& name, const std::vector<Bytes>& contents) {
    return chunk(0x4000, {text(name), chunk(0x4100, contents)});
}
Bytes mainChunk(const std::vector<Bytes>& editor) {
    return chunk(0x4D4D, {chunk(0x0002, {field(uint32_t{3})}), chunk(0x3D3D, editor)});
}

std::unique_ptr<RecordingContext> read(const Bytes& file) {
    auto context = std::make_unique<RecordingContext>();
    read3dsData(*context, "m.3ds", reinterpret_cast<const uint8_t*>(file.data.data()), file.data.size());
    return context;
}

const std::vector<std::string> kFailed{"Read failed for 3ds file 'm.3ds'"}, kNoErrors;

TEST(Reader3ds, buildsOneSeparatorPerMeshWithItsMaterialsAndFailsExactlyWhenACutFileEndsInAField) {
    // Every chunk kind the reader knows, and some it skips.
    const Bytes file = cat({mainChunk({
        chunk(0x3D3E, {field(uint32_t{3})}),
        material("Red", {chunk(0xA010, {rgb(255, 0, 128), skipped(0x0013)}),
                         chunk(0xA020, {form(0x0010, {fields<float>({1, 0, 0})})}),
                         chunk(0xA040, {form(0x0030, {field(int16_t{50})})}),
                         chunk(0xA050, {form(0x0031, {field(0.25f)})}), skipped(0xA300)}),
        chunk(0x0100, {field(1.0f)}),
        material("Blue", {chunk(0xA020, {rgb(0, 0, 255)}), chunk(0xA040, {form(0x0031, {field(50.0f)})})}),
        mesh("1st box", {square(), skipped(0x4160, 48),
                         faces({{0, 1, 2}, {0, 2, 3}, {1, 2, 3}}, {group("Blue", {1})}), group("Red", {2})}),
        chunk(0x4000, {text("Camera01"), skipped(0x4700, 32)}),
        mesh("lid", {square(), faces({{0, 1, 2}, {0, 2, 3}}, {group("Red", {0, 1})})}),
    }), skipped(0xB000)});
    auto context = read(file);
    EXPECT_EQ(context->statuses,
              (std::vector<std::string>{"Reading material 'Red'", "Reading material 'Blue'", "Reading object '1st box'",
                                        "Reading object 'Camera01'", "Reading object 'lid'"}));
    // Names are made fit; with one material only there is no binding.
    EXPECT_EQ(fit3dsName("\xE9t\xE9-2"), "G_t__2");
    EXPECT_EQ(treeOf(*context), "Separator#G1st_box(MaterialBinding Material Coordinate3 IndexedFaceSet) "
                                "Separator#lid(Material Coordinate3 IndexedFaceSet)");
    const Node& box = childAt(*context, 0);
    EXPECT_EQ(childAt<Coordinate3>(box, 2).point()[2], (Vec3{1, 1, 0}));
    const IndexedFaceSet& boxFaces = childAt<IndexedFaceSet>(box, 3);
    EXPECT_EQ(toVector(boxFaces.coordIndex()), (std::vector<int32_t>{0, 1, 2, -1, 0, 2, 3, -1, 1, 2, 3, -1}));
    // Blue from inside the face list, Red from after it; faces no group names take the first.
    EXPECT_EQ(toVector(boxFaces.materialIndex()), (std::vector<int32_t>{0, 0, 1}));

    const Material& materials = childAt<Material>(box, 1);
    EXPECT_EQ(toVector(materials.diffuseColor()), (std::vector<Vec3>{kBlue, kRed}));
    EXPECT_EQ(toVector(materials.shininess()), (std::vector<double>{50, 0.5}));  // a float percentage is not scaled
    expectNear(materials.material(1).ambient, {1.0, 0.0, 128.0 / 255}, 1e-7);
    EXPECT_EQ(toVector(materials.transparency()), (std::vector<double>{0, 0.25}));

    for (size_t cut = 0; cut <= file.data.size(); ++cut) {  // up to the whole file
        const bool inField = std::any_of(file.fields.begin(), file.fields.end(),
                                         [cut](auto range) { return range.first <= cut && cut < range.second; });
        EXPECT_EQ(read({file.data.substr(0, cut), {}})->errors, inField ? kFailed : kNoErrors) << "cut at " << cut;
    }
}

TEST(Reader3ds, keepsVertexNumbersThatDoNotExistForTheTraversalToLeaveOut) {
    // The face list may come before the vertex list, so numbers cannot be checked while reading.
    const Bytes list = faces({{0, 1, 2}, {0, 1, 9}}, {group("A", {1, 2, 65535}), group("A", {0, 40})});
    for (const auto& contents : std::vector<std::vector<Bytes>>{{square(), list}, {list, square()}}) {
        auto context = read(mainChunk({material("A"), mesh("Box", contents)}));
        const IndexedFaceSet& faceSet = childAt<IndexedFaceSet>(childAt(*context, 0), 3);
        EXPECT_EQ(toVector(faceSet.coordIndex()), (std::vector<int32_t>{0, 1, 2, -1, 0, 1, 9, -1}));
        // Face numbers beyond the faces are passed over.
        EXPECT_EQ(toVector(faceSet.materialIndex()), (std::vector<int32_t>{1, 0}));
        EXPECT_EQ(convertToMesh(*context).parts.at(0).faceIndices, (LargeVector<int32_t>{3, 0, 1, 2, 2, 0, 1}));
    }
}

TEST(Reader3ds, manyMaterialGroupsAndObjectsBeyondTheLoadLimitAllLoad) {
    std::vector<Bytes> editor, groups{square(), faces(std::vector<std::vector<uint16_t>>(300, {0, 1, 2}))};
    for (uint16_t i = 0; i < 300; ++i) {
        editor.push_back(material("m" + std::to_string(i), {chunk(0xA020, {rgb(0, 0, uint8_t(i))})}));
        groups.push_back(group("m" + std::to_string(i), {i}));
    }
    editor.push_back(mesh("many", groups));
    for (int i = 1; i < 257; ++i) editor.push_back(mesh("o" + std::to_string(i), {square(), faces({{0, 1, 2}})}));
    auto context = read(mainChunk(editor));
    EXPECT_EQ(childAt<IndexedFaceSet>(childAt(*context, 0), 3).materialIndex()[299], 299);
    const DisplayMesh loaded = convertToMesh(*context);
    ASSERT_EQ(loaded.parts.size(), 256u);  // the 257th object's faces join the 256th
    EXPECT_NEAR(loaded.parts[0].faceColors.at(299)[2], uint8_t(299) / 255.0, 1e-6);  // material 299's own blue
    EXPECT_EQ(loaded.parts[255].faceCount, 2);
}

TEST(Reader3ds, damagedChunksStopReadingAndKeepWhatWasRead) {
    const Bytes box = mesh("Box", {square(), faces({{0, 1, 2}, {0, 2, 3}})});
    for (uint32_t length : {0u, 5u}) {  // shorter than a chunk header
        auto context = read(mainChunk({box, header(0x1234, length), box}));
        EXPECT_EQ(context->errors, kFailed);
        EXPECT_EQ(treeOf(*context), "Separator#Box(Material Coordinate3 IndexedFaceSet)");
        EXPECT_EQ(read(cat({mainChunk({box}), header(0x0000, length)}))->errors, kFailed);
    }
    EXPECT_EQ(read(mainChunk({material("M", {chunk(0xA010, {form(0x0012, {field(1.0f)})})})}))->errors, kFailed);
    EXPECT_EQ(read(mainChunk({material("M", {chunk(0xA040, {form(0x0032, {field(1.0f)})})})}))->errors, kFailed);
    // A skipped chunk that runs past the end just ends the file.
    EXPECT_EQ(read(mainChunk({box, header(0xB000, 1000000)}))->errors, kNoErrors);
}

}  // namespace
}  // namespace glowpond
