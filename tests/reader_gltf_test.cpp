// The glTF reader on hand-built files, and the texture colours of glTF and OBJ. The shared
// glTF models are in the sweep of the mesh readers' tests.
#include "importers/reader_gltf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

#include "importers/reader_obj.h"
#include "importers/texture_colour.h"
#include "tests/scene_test_support.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using namespace testing;

template <typename T>
std::string raw(std::initializer_list<T> values) {
    std::string bytes;
    for (T value : values) bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    return bytes;
}

// Binary data as a writer lays it out, little-endian, each piece on a 4-byte boundary.
struct Bin {
    std::string bytes;
    size_t add(const std::string& piece) {
        const size_t at = bytes.size();
        bytes += piece;
        while (bytes.size() % 4) bytes += '\0';
        return at;
    }
    template <typename T>
    size_t add(std::initializer_list<T> values) { return add(raw(values)); }
};

std::string base64(const std::string& bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t bits = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) bits |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size()) bits |= uint8_t(bytes[i + 2]);
        out += kDigits[bits >> 18 & 63];
        out += kDigits[bits >> 12 & 63];
        out += i + 1 < bytes.size() ? kDigits[bits >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[bits & 63] : '=';
    }
    return out;
}

std::string dataUri(const std::string& bytes) { return "data:application/octet-stream;base64," + base64(bytes); }

// A GLB container of `json` and, when given, a BIN chunk.
std::string glb(std::string json, const std::string& bin) {
    while (json.size() % 4) json += ' ';
    Bin out;
    const uint32_t total = uint32_t(12 + 8 + json.size() + (bin.empty() ? 0 : 8 + bin.size()));
    out.add<uint32_t>({0x46546C67, 2, total, uint32_t(json.size()), 0x4E4F534A});
    out.bytes += json;
    if (!bin.empty()) {
        out.add<uint32_t>({uint32_t(bin.size()), 0x004E4942});
        out.bytes += bin;
    }
    return out.bytes;
}

std::unique_ptr<RecordingContext> read(const std::string& file, FileResolver* resolver = nullptr) {
    auto context = std::make_unique<RecordingContext>();
    ModelSource source{"model.glb", reinterpret_cast<const uint8_t*>(file.data()), file.size(), resolver};
    readGltf(*context, source, ReadOptions{});
    return context;
}

// A unit right triangle (0,0,0) (1,0,0) (0,1,0) and a fourth point (1,1,0),
// as float positions, with the accessors and views `extra` adds.
struct TriangleFile {
    Bin bin;
    std::string accessors = R"({"bufferView":0,"componentType":5126,"count":4,"type":"VEC3"})";
    std::string views;
    TriangleFile() {
        bin.add<float>({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0});
        views = R"({"buffer":0,"byteLength":48})";
    }
    // Adds a view of `bytes` and an accessor over it; returns the accessor's number.
    int accessor(const std::string& bytes, const std::string& fields) {
        const size_t at = bin.add(bytes);
        const int view = int(std::count(views.begin(), views.end(), '{'));
        views += R"(,{"buffer":0,"byteOffset":)" + std::to_string(at) + R"(,"byteLength":)" +
                 std::to_string(bytes.size()) + "}";
        accessors += R"(,{"bufferView":)" + std::to_string(view) + "," + fields + "}";
        return int(std::count(accessors.begin(), accessors.end(), '{')) - 1;
    }
    std::string json(const std::string& rest) const {
        return R"({"asset":{"version":"2.0"},"buffers":[{"byteLength":)" + std::to_string(bin.bytes.size()) +
               R"(}],"bufferViews":[)" + views + R"(],"accessors":[)" + accessors + "]," + rest + "}";
    }
    std::string file(const std::string& rest) const { return glb(json(rest), bin.bytes); }
};

std::vector<Vec3> corners(const std::vector<RecordedPolygon>& polygons, size_t i) { return polygons.at(i).vertices; }

TEST(GltfReader, drawsTheChosenSceneWithNodeTransformsSharedMeshesAndMirroredWinding) {
    TriangleFile f;
    // Node 0 (translated) has child 1 (matrix: scale 2); node 2 mirrors x; node 3 is in another scene.
    const auto context = read(f.file(R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],
        "nodes":[{"name":"body","mesh":0,"translation":[10,0,0],"children":[1]},
                 {"mesh":0,"matrix":[2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1]},
                 {"name":"9lives","mesh":0,"scale":[-1,1,1],"rotation":[0,0,0,1]},
                 {"mesh":0}],
        "scenes":[{"nodes":[3]},{"nodes":[0,2]}],"scene":1)"));
    EXPECT_EQ(joined(context->errors), "");
    const auto polygons = polygonsOf(*context);
    ASSERT_EQ(polygons.size(), 3u);
    EXPECT_EQ(corners(polygons, 0), (std::vector<Vec3>{{10, 0, 0}, {11, 0, 0}, {10, 1, 0}}));
    EXPECT_EQ(polygons[0].path, "body");
    // The child's scale applies first, then its parent's translation.
    EXPECT_EQ(corners(polygons, 1), (std::vector<Vec3>{{10, 0, 0}, {12, 0, 0}, {10, 2, 0}}));
    EXPECT_EQ(polygons[1].path, "Node1");  // instances stand side by side, each named after its node
    // Mirrored: the same triangle turned the other way round, so it still faces +z.
    EXPECT_EQ(corners(polygons, 2), (std::vector<Vec3>{{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}}));
    EXPECT_EQ(polygons[2].path, "G9lives");
}

TEST(GltfReader, withoutAChosenSceneDrawsEveryRootNodeAndWithoutNodesEveryMeshOnce) {
    TriangleFile f;
    const std::string mesh = R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}])";
    const auto roots = read(f.file(mesh + R"(,"nodes":[{"mesh":0,"children":[1]},{"mesh":0},{"mesh":0}])"));
    EXPECT_EQ(polygonsOf(*roots).size(), 3u);
    const auto noNodes = read(f.file(mesh));
    EXPECT_EQ(polygonsOf(*noNodes).size(), 1u);
    EXPECT_EQ(joined(noNodes->errors), "");
}

TEST(GltfReader, readsIndexedStripsAndFansAndSkipsPointsAndLinesWithANote) {
    TriangleFile f;
    const int strip = f.accessor(raw<uint16_t>({0, 1, 3, 2}), R"("componentType":5123,"count":4,"type":"SCALAR")");
    const int fan = f.accessor(raw<uint8_t>({0, 1, 3, 2}), R"("componentType":5121,"count":4,"type":"SCALAR")");
    const int list = f.accessor(raw<uint32_t>({1, 3, 2}), R"("componentType":5125,"count":3,"type":"SCALAR")");
    const auto context = read(f.file(R"("meshes":[{"primitives":[
        {"attributes":{"POSITION":0},"indices":)" + std::to_string(strip) + R"(,"mode":5},
        {"attributes":{"POSITION":0},"indices":)" + std::to_string(fan) + R"(,"mode":6},
        {"attributes":{"POSITION":0},"indices":)" + std::to_string(list) + R"(},
        {"attributes":{"POSITION":0},"mode":5},
        {"attributes":{"POSITION":0},"mode":1},
        {"attributes":{"POSITION":0},"mode":0}]}])"));
    const auto polygons = polygonsOf(*context);
    const Vec3 p0{0, 0, 0}, p1{1, 0, 0}, p2{0, 1, 0}, p3{1, 1, 0};
    const std::vector<std::vector<Vec3>> expected = {
        {p0, p1, p3}, {p3, p1, p2},  // the strip's second triangle turns back
        {p0, p1, p3}, {p0, p3, p2},  // the fan
        {p1, p3, p2},                // the list
        {p0, p1, p2}, {p2, p1, p3},  // the strip without indices
    };
    ASSERT_EQ(polygons.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(polygons[i].vertices, expected[i]) << i;
    EXPECT_NE(joined(context->statuses).find("Skipped 2 primitives of points or lines."), std::string::npos);
}

TEST(GltfReader, readsQuantizedInterleavedAndSparseValues) {
    TriangleFile f;
    // Normalized shorts interleaved with a byte colour pad (stride 8), then a
    // sparse part that moves vertex 2.
    const std::string interleaved = raw<int16_t>({0, 0, 0, 0, 32767, 0, 0, 0, -32768, 32767, 0, 0});
    const int quantized = f.accessor(interleaved, R"("componentType":5122,"normalized":true,"count":3,"type":"VEC3")");
    f.views.insert(f.views.size() - 1, R"(,"byteStride":8)");
    const int indices = f.accessor(raw<uint16_t>({2}), R"("componentType":5123,"count":1,"type":"SCALAR")");
    const int values = f.accessor(raw<float>({0.5f, 0.5f, 0}), R"("componentType":5126,"count":1,"type":"VEC3")");
    // The sparse accessor draws from views of the index and value accessors.
    f.accessors += R"(,{"componentType":5126,"count":3,"type":"VEC3","sparse":{"count":1,"indices":{"bufferView":)" +
                   std::to_string(indices) + R"(,"componentType":5123},"values":{"bufferView":)" +
                   std::to_string(values) + "}}}";
    const int sparse = int(std::count(f.accessors.begin(), f.accessors.end(), '{')) - 4;
    const auto context = read(f.file(R"("meshes":[{"primitives":[{"attributes":{"POSITION":)" +
                                     std::to_string(quantized) + R"(}},{"attributes":{"POSITION":)" +
                                     std::to_string(sparse) + "}}]}]"));
    EXPECT_EQ(joined(context->errors), "");
    const auto polygons = polygonsOf(*context);
    ASSERT_EQ(polygons.size(), 2u);
    EXPECT_EQ(polygons[0].vertices, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {-1, 1, 0}}));
    EXPECT_EQ(polygons[1].vertices, (std::vector<Vec3>{{0, 0, 0}, {0, 0, 0}, {0.5, 0.5, 0}}));
}

// A width x height PNG whose texels are `rgb`, rows from the top.
std::string png(int width, int height, const std::vector<uint8_t>& rgb) {
    std::string out;
    stbi_write_png_to_func([](void* target, void* data, int size) {
        static_cast<std::string*>(target)->append(static_cast<const char*>(data), size_t(size));
    }, &out, width, height, 3, rgb.data(), width * 3);
    return out;
}

TEST(TextureColour, vRunsDownFromTheTopRowAndCoordinatesRepeat) {
    // Top row red, bottom row blue.
    TextureImage image;
    const std::string bytes = png(1, 2, {255, 0, 0, 0, 0, 255});
    ASSERT_EQ(decodeTexture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image),
              TextureDecode::Decoded);
    EXPECT_EQ(textureColour(image, 0.5, 0.25), kRed);
    EXPECT_EQ(textureColour(image, 0.5, 0.75), kBlue);
    // The reader whose v runs up from the bottom passes 1 - v.
    EXPECT_EQ(textureColour(image, 0.5, 1 - 0.25), kBlue);
    EXPECT_EQ(textureColour(image, 3.5, -0.75), kRed);
    EXPECT_EQ(textureColour(image, -7.0, 2.75), kBlue);
    EXPECT_EQ(textureColour(image, std::nan(""), 1e300), kRed);
}

TEST(TextureColour, refusesOversizedAndDamagedImages) {
    std::string bytes = png(1, 1, {1, 2, 3});
    // The width in the header, big-endian after the signature and the chunk head.
    bytes[16] = 0, bytes[17] = 0, bytes[18] = char(0x20), bytes[19] = char(0x01);  // 8193
    TextureImage image;
    EXPECT_EQ(decodeTexture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image),
              TextureDecode::TooLarge);
    EXPECT_TRUE(image.empty());
    const std::string cut = png(4, 4, std::vector<uint8_t>(48, 7)).substr(0, 40);
    EXPECT_EQ(decodeTexture(reinterpret_cast<const uint8_t*>(cut.data()), cut.size(), image),
              TextureDecode::Unreadable);
    EXPECT_EQ(textureColour(image, 0.5, 0.5), (Vec3{1, 1, 1}));
}

// OBJ's v runs up from the image's bottom row: the same two-colour image
// gives the opposite colours at the same v as glTF.
TEST(ObjReader, mapKdColoursTexturedFacesWithVRunningUpAndAMissingImageKeepsKd) {
    MapResolver resolver;
    resolver.files["lib/m.mtl"] = "newmtl t\nKd 1 1 0.5\nmap_Kd -s 1 1 1 -clamp on ..\\tex\\two colours.png\n"
                                  "newmtl gone\nKd 0 1 0\nmap_Kd -imfchan r missing.png\n";
    resolver.files["tex/two colours.png"] = png(1, 2, {255, 0, 0, 0, 0, 255});
    // A coordinate read before the library keeps its number.
    const std::string obj = "vt 0.5 0.5\nmtllib lib/m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.9\nvt 0.5 -0.9\n"
                            "usemtl t\nf 1/2 2/2 3/2\nf 1/3/1 2/3/1 3/3/1\nf 1 2 3\nf 1/1 2/1 3/1\n"
                            "usemtl gone\nf 1/2 2/2 3/2\n";
    auto context = std::make_unique<RecordingContext>();
    readObj(*context, {"model.obj", reinterpret_cast<const uint8_t*>(obj.data()), obj.size(), &resolver}, {});
    const std::vector<RecordedPolygon> polygons = polygonsOf(*context);
    ASSERT_EQ(polygons.size(), 5u);
    const Vec3 expected[] = {{1, 0, 0}, {0, 0, 0.5}, {1, 1, 0.5}, {1, 1, 0.5}, {0, 1, 0}};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(polygons[i].material.diffuse, expected[i]) << i;
    EXPECT_EQ(joined(context->statuses), "The texture 'lib/missing.png' is missing: the Kd colour stays.\n");
}

TEST(GltfReader, colourComesFromTheBaseColourTheCornersAndTheTextureAtTheFaceCentre) {
    TriangleFile f;
    // Quad 0 1 3 2 as two triangles; the lower-right one lies in the texture's top half.
    const int indices = f.accessor(raw<uint16_t>({0, 1, 3, 0, 3, 2}), R"("componentType":5123,"count":6,"type":"SCALAR")");
    const int uv = f.accessor(raw<float>({0, 1, 1, 1, 0, 0, 1, 0}), R"("componentType":5126,"count":4,"type":"VEC2")");
    const int colours = f.accessor(raw<uint8_t>({255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 255, 255, 255, 255}),
                                   R"("componentType":5121,"normalized":true,"count":4,"type":"VEC4")");
    MapResolver resolver;
    resolver.files["tex/two colours.png"] = png(1, 2, {255, 0, 0, 0, 0, 255});
    const std::string primitive = R"({"attributes":{"POSITION":0,"TEXCOORD_0":)" + std::to_string(uv) +
                                  R"(},"indices":)" + std::to_string(indices) + R"(,"material":0})";
    const std::string coloured = R"({"attributes":{"POSITION":0,"COLOR_0":)" + std::to_string(colours) +
                                 R"(},"indices":)" + std::to_string(indices) + R"(,"material":1})";
    const auto context = read(f.file(R"("meshes":[{"primitives":[)" + primitive + "," + coloured + R"(]}],
        "materials":[{"pbrMetallicRoughness":{"baseColorFactor":[1,0.5,0.5,1],"baseColorTexture":{"index":0}}},
                     {"pbrMetallicRoughness":{"baseColorFactor":[0.5,0.5,0.5,1]}}],
        "textures":[{"source":0}],"images":[{"uri":"tex/two%20colours.png"}])"), &resolver);
    EXPECT_EQ(joined(context->errors), "");
    const auto polygons = polygonsOf(*context);
    ASSERT_EQ(polygons.size(), 4u);
    // Vertex 0 is at the image's bottom (v = 1): the first face's centre lies in the lower half.
    EXPECT_EQ(polygons[0].material.diffuse, (Vec3{0, 0, 0.5}));
    EXPECT_EQ(polygons[1].material.diffuse, (Vec3{1, 0, 0}));
    // Vertex 2 is black: the second face has one black corner of three.
    expectNear(polygons[2].material.diffuse, Vec3{0.5, 0.5, 0.5});
    expectNear(polygons[3].material.diffuse, Vec3{1, 1, 1} * (1.0 / 3));

    // Without the image: a note, and the base colour.
    MapResolver empty;
    const auto missing = read(f.file(R"("meshes":[{"primitives":[)" + primitive + R"(]}],
        "materials":[{"pbrMetallicRoughness":{"baseColorFactor":[1,0.5,0.5,1],"baseColorTexture":{"index":0}}}],
        "textures":[{"source":0}],"images":[{"uri":"tex/two%20colours.png"}])"), &empty);
    EXPECT_EQ(polygonsOf(*missing).at(1).material.diffuse, (Vec3{1, 0.5, 0.5}));
    EXPECT_NE(joined(missing->statuses).find("The texture 'tex/two colours.png' is missing: the base colour stays."),
              std::string::npos);
}

TEST(GltfReader, findsBuffersInCompanionFilesAndDataUrisOnlyInsideTheModelsFolder) {
    TriangleFile f;
    const std::string rest = R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}])";
    auto withUri = [&](const std::string& uri) {
        std::string json = f.json(rest);
        json.replace(json.find(R"({"byteLength")"), 1, R"({"uri":")" + uri + R"(",)");
        return json;
    };
    MapResolver resolver;
    resolver.files["sub/a b.bin"] = f.bin.bytes;
    EXPECT_EQ(polygonsOf(*read(withUri("./sub/x/../a%20b.bin"), &resolver)).size(), 1u);
    EXPECT_EQ(polygonsOf(*read(withUri(dataUri(f.bin.bytes)))).size(), 1u);
    for (const char* outside : {"../a.bin", "/etc/a.bin", "C:/a.bin", "http://example.com/a.bin", "%2e%2e/a.bin",
                                "sub/../../a.bin", "..\\\\a.bin"}) {
        const auto context = read(withUri(outside), &resolver);
        EXPECT_EQ(polygonsOf(*context).size(), 0u) << outside;
        EXPECT_NE(joined(context->statuses).find("lies outside the model's folder"), std::string::npos) << outside;
        EXPECT_NE(joined(context->errors).find("it has no faces to show."), std::string::npos) << outside;
    }
    EXPECT_EQ(resolver.asked, std::vector<std::string>{"sub/a b.bin"});
}

TEST(GltfReader, dropsWhatLiesOutsideItsDataWithANoteAndRefusesWhatItCannotRead) {
    TriangleFile f;
    const int bad = f.accessor(raw<uint16_t>({0, 1, 2, 0, 1, 9}), R"("componentType":5123,"count":6,"type":"SCALAR")");
    const int overlong = f.accessor(raw<uint16_t>({0, 1, 2}), R"("componentType":5123,"count":4,"type":"SCALAR")");
    const int nan = f.accessor(raw<float>({0, 0, 0, 1, 0, 0, NAN, 0, 0}), R"("componentType":5126,"count":3,"type":"VEC3")");
    const auto context = read(f.file(R"("meshes":[{"primitives":[
        {"attributes":{"POSITION":0},"indices":)" + std::to_string(bad) + R"(},
        {"attributes":{"POSITION":0},"indices":)" + std::to_string(overlong) + R"(},
        {"attributes":{"POSITION":)" + std::to_string(nan) + R"(}},
        {"attributes":{"POSITION":0},"mode":9}]}],
        "nodes":[{"mesh":0,"children":[1]},{"mesh":0,"children":[0]},{"mesh":0,"children":[1]}],
        "scenes":[{"nodes":[0,2]}])"));
    EXPECT_EQ(joined(context->errors), "");
    // One good triangle from each of nodes 0, 1 and 2; 0 is met again below 1, and 1 below 2.
    EXPECT_EQ(polygonsOf(*context).size(), 3u);
    const std::string statuses = joined(context->statuses);
    EXPECT_EQ(statuses.substr(statuses.find("Dropped")),
              "Dropped 3 triangles whose corners name vertices that do not exist.\n"
              "Dropped 3 triangles whose corners are not finite numbers.\n"
              "Skipped 3 primitives of an unknown mode.\n"
              "Skipped 3 primitives whose data lies outside the file or is malformed.\n"
              "Skipped 2 nodes met a second time (a node graph with cycles or shared children).\n");

    const std::string mesh = R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}])";
    const std::string file = TriangleFile().file(mesh);
    const std::map<std::string, std::string> refused = {
        {file.substr(0, file.size() - 30), "it has no faces to show."},
        {glb("{}", "").substr(0, 16), "the binary file is too short for its header."},
        {"{\"asset\":{\"version\":\"1.0\"}}", "it is glTF version 1.0; only version 2.0 is read."},
        {"{\"asset\":", "its JSON text is damaged near byte 10."},
        {f.file(R"("extensionsRequired":["KHR_draco_mesh_compression"],)" + mesh),
         "its meshes are compressed with Draco (KHR_draco_mesh_compression), which this program does not read."},
        {f.file(R"("meshes":[{"primitives":[{"attributes":{"POSITION":0},"mode":1}]}])"),
         "it has only points or lines, no faces to show."},
        {"{\"a\":" + std::string(100000, '[') + std::string(100000, ']') + "}", "it has no faces to show."},
        {std::string(12, '\0'), "it is neither glTF text nor a binary glTF file."},
    };
    for (const auto& [bytes, reason] : refused) {
        const auto refusal = read(bytes);
        EXPECT_EQ(joined(refusal->errors), "Read failed for glTF file 'model.glb': " + reason + "\n") << reason;
    }
    EXPECT_NE(joined(read(file.substr(0, file.size() - 30))->statuses).find("The file ends after"),
              std::string::npos);
}

TEST(GltfReader, meshoptViewsReadTheirFallbackAndAreRefusedWithoutOne) {
    TriangleFile f;
    const std::string mesh = R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"extensionsUsed":["EXT_meshopt_compression"])";
    const std::string compressed = R"({"buffer":0,"byteLength":48,"extensions":{"EXT_meshopt_compression":{"buffer":1,"byteLength":10,"byteStride":12,"count":4,"mode":"ATTRIBUTES"}}})";
    std::string withFallback = f.json(mesh);
    withFallback.replace(withFallback.find(R"({"buffer":0,"byteLength":48})"), 28, compressed);
    withFallback.replace(withFallback.find("}],\"bufferViews\""), 3, R"(},{"byteLength":10}],)");
    EXPECT_EQ(polygonsOf(*read(glb(withFallback, f.bin.bytes))).size(), 1u);
    std::string withoutFallback = withFallback;
    withoutFallback.replace(withoutFallback.find(R"("buffers":[{)"), 12,
                            R"("buffers":[{"extensions":{"EXT_meshopt_compression":{"fallback":true}},)");
    EXPECT_EQ(joined(read(glb(withoutFallback, f.bin.bytes))->errors),
              "Read failed for glTF file 'model.glb': its meshes are compressed with EXT_meshopt_compression and it "
              "has no uncompressed copy.\n");
}

TEST(GltfReader, aSmallFileDrawsNoMoreTrianglesThanItsSizeJustifies) {
    TriangleFile f;
    // Points without data are zeros: free in the file, not in memory.
    f.accessors += R"(,{"componentType":5126,"count":2000000000,"type":"VEC3"})";
    f.accessors += R"(,{"componentType":5126,"count":600000,"type":"VEC3"})";
    const auto huge = read(f.file(R"("meshes":[{"primitives":[{"attributes":{"POSITION":1}}]}])"));
    EXPECT_NE(joined(huge->errors).find("no faces"), std::string::npos);
    const auto drawnTwice = read(f.file(R"("meshes":[{"primitives":[{"attributes":{"POSITION":2}}]}],
        "nodes":[{"mesh":0},{"mesh":0}])"));
    EXPECT_NE(joined(drawnTwice->statuses).find("Dropped 150000 triangles beyond what a file of this size may draw."),
              std::string::npos);
}

TEST(GltfContentCheck, tellsJsonTextFromTheBinaryContainer) {
    auto bytes = [](const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); };
    const uint8_t magic[] = {'g', 'l', 'T', 'F', 2, 0, 0, 0};
    for (const std::string text : {"{}", " \r\n\t{\"asset\":{}}", "\xEF\xBB\xBF{"}) {
        EXPECT_TRUE(looksLikeGltf(bytes(text), text.size()));
    }
    for (const std::string text : {"", "  ", "[{}]", "glTF"}) EXPECT_FALSE(looksLikeGltf(bytes(text), text.size()));
    EXPECT_TRUE(looksLikeGlb(magic, 8));
    EXPECT_FALSE(looksLikeGlb(magic, 3));
}

}  // namespace
}  // namespace glowpond
