// The OBJ, STL and PLY readers on short texts and byte strings shaped like
// real writers' output, their shared pieces (number scanner, polygon split,
// companion names), and a sweep over the shared collection of real files of
// these formats and glTF, loaded as the programs load them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "importers/polygon_split.h"
#include "importers/reader_table.h"
#include "importers/reader_obj.h"
#include "importers/reader_ply.h"
#include "importers/reader_stl.h"
#include "importers/text_lines.h"
#include "loading/load_driver.h"
#include "tests/scene_test_support.h"
#include "tests/test_support.h"
#include "text/number_scan.h"

namespace glowpond {
namespace {

using namespace testing;
using Reader = void (*)(Node&, const ModelSource&, const ReadOptions&);

struct Loaded {
    std::unique_ptr<RecordingContext> context;
    DisplayMesh mesh;
    std::string notes() const { return joined(context->statuses); }
};

Loaded load(Reader reader, const std::string& bytes, FileResolver* resolver = nullptr) {
    Loaded result{std::make_unique<RecordingContext>(), {}};
    ModelSource source{"model", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), resolver};
    reader(*result.context, source, ReadOptions{});
    result.mesh = convertToMesh(*result.context);
    return result;
}

// Each face's colour, whether the part holds one or many.
std::vector<Vec3f> faceColoursOf(const DisplayMesh& mesh) {
    std::vector<Vec3f> colours;
    for (const MeshPart& part : mesh.parts) {
        for (int32_t f = 0; f < part.faceCount; ++f) colours.push_back(part.uniformColor ? part.color : part.faceColors[f]);
    }
    return colours;
}

float extent(const DisplayMesh& mesh, int axis) { return mesh.bounds[2 * axis + 1] - mesh.bounds[2 * axis]; }

// ---------------------------------------------------------------- shared pieces

TEST(NumberScan, readsEveryFormWritersUseExactly) {
    for (const char* text : {"2.", "+1", "1e2", "2.e1", "1e+2", "1e-2", "1E2", "-0.5", ".25", "0.1", "1e-310", "1e400",
                             "-0", "007", "999999999999999", "-123456789012345", "9007199254740993",
                             "12345678901234567890123"}) {
        double value = 0;
        const char* end = text + std::strlen(text);
        EXPECT_EQ(scanDouble(text, end, value), end) << text;
        EXPECT_EQ(value, std::strtod(text, nullptr)) << text;
        EXPECT_EQ(std::signbit(value), std::signbit(std::strtod(text, nullptr))) << text;
    }
    // A whole number ends where its digits do, unless a fraction or exponent follows.
    for (const auto& [text, length] : {std::pair("42x", 2), std::pair("12e", 2), std::pair("3/4", 1), std::pair("5.e", 2)}) {
        double value = 0;
        EXPECT_EQ(scanDouble(text, text + std::strlen(text), value), text + length) << text;
        EXPECT_EQ(value, std::strtod(text, nullptr)) << text;
    }
    double value = 7;
    for (const char* text : {"", "+", "-", ".", "e5", "+-1", "x"}) {
        EXPECT_EQ(scanDouble(text, text + std::strlen(text), value), text) << text;
    }
    EXPECT_EQ(value, 7);
    const std::string malformed = "3.1+e2";
    EXPECT_EQ(scanDouble(malformed.data(), malformed.data() + malformed.size(), value), malformed.data() + 3);
}

TEST(LineReader, everyLineEndFormEndsALineAndTheLastNeedsNone) {
    const std::string text = "v 1\r\nf 1\rg x\n\n\r\r\nlast";
    LineReader lines(text);
    std::vector<std::string> seen;
    const char* begin;
    const char* end;
    while (lines.next(begin, end)) seen.emplace_back(begin, end);
    EXPECT_EQ(seen, (std::vector<std::string>{"v 1", "f 1", "g x", "", "", "", "last"}));
    EXPECT_EQ(lines.line(), 7);
    const std::string nul("a\0b\r", 4);
    LineReader withNul(nul);
    ASSERT_TRUE(withNul.next(begin, end));
    EXPECT_EQ(std::string(begin, end), std::string("a\0b", 3));
    EXPECT_FALSE(withNul.next(begin, end));
}

TEST(NumberScan, integersReportOverflowAndKeepTheirEnd) {
    // Around the eighteen digits that need no overflow check, leading zeros, a number at the text's end.
    const std::tuple<const char*, int64_t, bool, size_t> cases[] = {
        {"-9223372036854775808 ", INT64_MIN, false, 20},        {"4294967297/", 4294967297, false, 10},
        {"999999999999999999", 999999999999999999, false, 18},  {"-1234567890123456789", -1234567890123456789, false, 20},
        {"9223372036854775807", INT64_MAX, false, 19},          {"-9223372036854775809", INT64_MIN, true, 20},
        {"0000000000000000000000042", 42, false, 25},           {"+99999999999999999999", INT64_MAX, true, 21},
        {"9223372036854775808 1", INT64_MAX, true, 19},         {"-0", 0, false, 2},
    };
    for (const auto& [number, expected, overflows, length] : cases) {
        int64_t value = 5;
        bool overflow = !overflows;
        EXPECT_EQ(scanInt64(number, number + std::strlen(number), value, overflow), number + length) << number;
        EXPECT_EQ(std::pair(value, overflow), std::pair(expected, overflows)) << number;
    }
}

// The signed areas (in the xy plane) of the triangles; `sameTurn` says
// whether all of them turn the way the sum does.
double area(const std::vector<Vec3>& points, const std::vector<uint32_t>& triangles, bool& sameTurn) {
    std::vector<double> areas;
    for (size_t t = 0; t < triangles.size(); t += 3) {
        const Vec3 n = cross(points[triangles[t + 1]] - points[triangles[t]], points[triangles[t + 2]] - points[triangles[t]]);
        areas.push_back(n.z / 2);
    }
    const double sum = std::accumulate(areas.begin(), areas.end(), 0.0);
    sameTurn = std::all_of(areas.begin(), areas.end(), [&](double a) { return a * sum >= 0; });
    return sum;
}

double outlineArea(const std::vector<Vec3>& points) {
    double sum = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const Vec3& a = points[i];
        const Vec3& b = points[(i + 1) % points.size()];
        sum += (a.x * b.y - b.x * a.y) / 2;
    }
    return sum;
}

TEST(PolygonSplit, concaveOutlinesKeepTheirAreaAndTurn) {
    // A comb of 66 corners: 16 teeth standing on a bar, counter-clockwise.
    std::vector<Vec3> comb{{0, 0, 0}, {32, 0, 0}};
    for (int tooth = 15; tooth >= 0; --tooth) {
        const double x = 2.0 * tooth;
        comb.insert(comb.end(), {{x + 1.5, 1, 0}, {x + 1.5, 3, 0}, {x + 0.5, 3, 0}, {x + 0.5, 1, 0}});
    }
    ASSERT_EQ(comb.size(), 66u);
    std::vector<uint32_t> triangles;
    splitPolygon(comb.data(), comb.size(), triangles);
    ASSERT_EQ(triangles.size(), 64u * 3);
    // Triangles outside the outline, or overlapping, would not add up to its area.
    bool sameTurn = false;
    EXPECT_NEAR(area(comb, triangles, sameTurn), outlineArea(comb), 1e-9);
    EXPECT_GT(outlineArea(comb), 0);
    EXPECT_TRUE(sameTurn);

    // The same outline clockwise gives clockwise triangles.
    std::vector<Vec3> reversed(comb.rbegin(), comb.rend());
    triangles.clear();
    splitPolygon(reversed.data(), reversed.size(), triangles);
    EXPECT_NEAR(area(reversed, triangles, sameTurn), -outlineArea(comb), 1e-9);
    EXPECT_TRUE(sameTurn);
}

TEST(PolygonSplit, degenerateInputStillGivesCountMinusTwoTriangles) {
    const double nan = std::nan("");
    const std::vector<std::vector<Vec3>> outlines{
        {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}},              // a line
        {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}},   // one point
        {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}},              // a bow tie
        {{0, 0, 0}, {1, 0, 0}, {nan, 0, 0}, {0, 1, 0}},            // not finite
        {{0, 0, 0}, {1, 0, 1}, {1, 1, 0}, {0, 1, 1}, {0.5, 0.5, 5}},  // not planar
    };
    for (const auto& outline : outlines) {
        std::vector<uint32_t> triangles;
        splitPolygon(outline.data(), outline.size(), triangles);
        EXPECT_EQ(triangles.size(), (outline.size() - 2) * 3);
        for (uint32_t corner : triangles) EXPECT_LT(corner, outline.size());
    }
    // 100,000 corners on a line end in bounded time.
    std::vector<Vec3> line(100000);
    for (size_t i = 0; i < line.size(); ++i) line[i].x = static_cast<double>(i);
    std::vector<uint32_t> triangles;
    splitPolygon(line.data(), line.size(), triangles);
    EXPECT_EQ(triangles.size(), (line.size() - 2) * 3);
}

TEST(CompanionName, staysInsideTheModelsFolder) {
    std::string name;
    const std::map<std::string, std::string> accepted{
        {".\\SpiderTex.jpg", "SpiderTex.jpg"},        {"tex/../a%20b.mtl", "a b.mtl"},
        {"Unicode%20❤♻ Binary.bin", "Unicode ❤♻ Binary.bin"}, {"sub\\dir/x.png", "sub/dir/x.png"},
        {"./a/./b", "a/b"}};
    for (const auto& [reference, expected] : accepted) {
        EXPECT_TRUE(companionName(reference, name)) << reference;
        EXPECT_EQ(name, expected);
    }
    for (const char* refused : {"", "/etc/passwd", "C:\\x.mtl", "c:x", "\\\\server\\share\\x", "../x.mtl", "a/../../x",
                                "http://host/x.bin", "file:x", "data:,abc", "%2e%2e/x", "a%2", "a%zz", "a%00b", "dir/", "."}) {
        EXPECT_FALSE(companionName(refused, name)) << refused;
    }
}

// ---------------------------------------------------------------- OBJ

TEST(ObjReader, everyIndexFormAndPolygonsOfManyCorners) {
    const Loaded obj = load(readObj,
                            "# cube corners\r\nv 0 0 0\r\nv 1 0 0\r\nv 1 1 0\r\nv 0 1 0\r\nv 0 0 1\r\nv 1 0 1\r\n"
                            "vt 0 0\nvn 0 0 1\n"
                            "f 1 2 3 4\nf 1/1 2/1 6/1\nf 1//1 6//1 5//1\nf -6/1/1 -5/1/1 -1/1/1\n"
                            "l 1 2\np 3\nf 1 2\n");
    EXPECT_EQ(obj.context->errors, std::vector<std::string>{});
    EXPECT_EQ(obj.mesh.faceCount, 2 + 1 + 1 + 1);
    EXPECT_NE(obj.notes().find("Skipped 3 lines and points"), std::string::npos);
}

TEST(ObjReader, partsMaterialsAndVertexColours) {
    MapResolver resolver;
    resolver.files["lib/colours.mtl"] = "newmtl red\nKd 1 0 0\nnewmtl blue\nKa 0 0 0\nKd 0 0 1\n";
    const std::string corners = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n";
    const Loaded obj = load(readObj,
                            "mtllib lib\\colours.mtl\n" + corners +
                                "o first\nusemtl red\nf 1 2 3\nusemtl blue\nf 1 2 4\n"
                                "g second\nusemtl missing\nf 1 3 4\ng first\nusemtl red\nf 2 3 4\n",
                            &resolver);
    ASSERT_EQ(obj.mesh.partCount, 2);
    EXPECT_EQ(obj.mesh.parts[0].faceCount, 3);
    // The last: a material the library lacks.
    EXPECT_EQ(faceColoursOf(obj.mesh), (std::vector<Vec3f>{{1, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0.8f, 0.8f, 0.8f}}));

    // Vertex colours: a face shows the mean of its corners'.
    const Loaded coloured = load(readObj, "v 0 0 0 1 0 0\nv 1 0 0 0 1 0\nv 0 1 0 0 0 1\nv 0 0 1 1 1 1\nf 1 2 3\nf 1 2 4\n");
    const std::vector<Vec3f> means = faceColoursOf(coloured.mesh);
    ASSERT_EQ(means.size(), 2u);
    EXPECT_NEAR(means[0][0], 1 / 3.0f, 1e-6);
    EXPECT_NEAR(means[1][2], 1 / 3.0f, 1e-6);
    EXPECT_NEAR(means[1][0], 2 / 3.0f, 1e-6);
}

TEST(ObjReader, missingAndHostileLibrariesAreNotesNotFailures) {
    MapResolver resolver;
    const Loaded obj = load(readObj, "mtllib ../../etc/x.mtl\nmtllib none.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",
                            &resolver);
    EXPECT_EQ(obj.mesh.faceCount, 1);
    EXPECT_EQ(resolver.asked, std::vector<std::string>{"none.mtl"});
    EXPECT_NE(obj.notes().find("'../../etc/x.mtl' is not inside the model's folder"), std::string::npos);
    EXPECT_NE(obj.notes().find("'none.mtl' not found"), std::string::npos);
}

TEST(ObjReader, textForms) {
    // UTF-16 little-endian with a byte-order mark, a continued line, no final line end.
    const std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 \\\n 2 3";
    const std::string utf16LE = utf16(u"\xFEFF" + std::u16string(text.begin(), text.end()), false);
    for (const std::string& bytes : {text, utf16LE, "\xEF\xBB\xBF" + text}) {
        const Loaded obj = load(readObj, bytes);
        EXPECT_EQ(obj.mesh.faceCount, 1);
        EXPECT_TRUE(obj.context->errors.empty());
    }
    for (const auto& [bytes, isObj] : {std::pair(utf16LE, true), std::pair(std::string("v 0\0\0", 5), false),
                                       std::pair(std::string("Dear reader,\nthis is a letter.\n"), false)}) {
        EXPECT_EQ(looksLikeObj(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), isObj) << bytes;
    }
}

TEST(ObjReader, badIndicesAndNumbersDropTheirFacesWithANote) {
    const std::string corners = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv nan 0 0\nv 1 1 3.1+e2\n";
    const Loaded obj = load(readObj, corners + "f 1 2 3\nf 1 2 99\nf 0 1 2\nf 1 2 4294967297\nf 1 2 -9\nf 1 2 4\nf 1 2 5\n");
    EXPECT_EQ(obj.mesh.faceCount, 1);
    EXPECT_NE(obj.notes().find("Skipped 4 faces that name vertices"), std::string::npos) << obj.notes();
    EXPECT_NE(obj.notes().find("Skipped 2 faces whose coordinates are not finite"), std::string::npos);

    // Names beyond the builder's 256 objects share the last part.
    std::string groups = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int g = 0; g < 300; ++g) groups += "g part" + std::to_string(g) + "\nf 1 2 3\n";
    const Loaded many = load(readObj, groups);
    EXPECT_GE(many.mesh.partCount, 250);
    EXPECT_LE(many.mesh.partCount, MeshBuilder::kMaxObjects);
    EXPECT_EQ(many.mesh.faceCount, 300);

    const Loaded lines = load(readObj, "v 0 0 0\nv 1 0 0\nl 1 2\n");
    EXPECT_EQ(lines.context->errors, std::vector<std::string>{"Read failed for OBJ file 'model': it has no faces to show"});
    EXPECT_EQ(lines.context->firstChildNode(), nullptr);
}

// ---------------------------------------------------------------- STL

std::string binaryStl(const std::string& header, const std::vector<std::array<float, 9>>& facets,
                      const std::vector<uint16_t>& attributes = {}, int64_t declared = -1) {
    std::string bytes = header;
    bytes.resize(80, ' ');
    const uint32_t count = declared < 0 ? static_cast<uint32_t>(facets.size()) : static_cast<uint32_t>(declared);
    bytes.append(reinterpret_cast<const char*>(&count), 4);
    for (size_t f = 0; f < facets.size(); ++f) {
        const float normal[3] = {0, 0, 0};
        bytes.append(reinterpret_cast<const char*>(normal), 12);
        bytes.append(reinterpret_cast<const char*>(facets[f].data()), 36);
        const uint16_t attribute = f < attributes.size() ? attributes[f] : 0;
        bytes.append(reinterpret_cast<const char*>(&attribute), 2);
    }
    return bytes;
}

const std::array<float, 9> kUpright{0, 0, 0, 1, 0, 0, 0, 0, 2};  // 1 wide, 2 high along +Z
const std::array<float, 9> kFlat{0, 0, 0, 1, 0, 0, 0, 1, 0};

TEST(StlReader, binaryToldBySizeEvenWithASolidHeaderAndTurnedUpright) {
    for (const std::string& header : {std::string("solid model"), std::string("binary")}) {
        const Loaded stl = load(readStl, binaryStl(header, {kUpright, kFlat}));
        EXPECT_TRUE(stl.context->errors.empty()) << header;
        EXPECT_EQ(stl.mesh.faceCount, 2);
        EXPECT_EQ(stl.mesh.vertexCount, 4);  // the shared corners merged
        // +Z up in the file, +Y up on screen.
        EXPECT_FLOAT_EQ(extent(stl.mesh, 1), kModelExtent);
        EXPECT_FLOAT_EQ(extent(stl.mesh, 2), kModelExtent / 2);
    }
}

TEST(StlReader, countsTheFileCannotHoldAreCut) {
    const Loaded stl = load(readStl, binaryStl("x", {kUpright, kFlat}, {}, 0xFFFFFFFF));
    EXPECT_EQ(stl.mesh.faceCount, 2);
    EXPECT_NE(stl.notes().find("holds 2 of the 4294967295 facets"), std::string::npos);
    // A stray byte after the facets is ignored.
    const Loaded stray = load(readStl, binaryStl("solid x", {kUpright}) + "\n");
    EXPECT_EQ(stray.mesh.faceCount, 1);
    const Loaded tooShort = load(readStl, "solid");
    EXPECT_EQ(tooShort.context->errors.size(), 1u);
}

TEST(StlReader, colourConventions) {
    const uint16_t own = 0x8000 | 31;  // bit 15 and the low five bits
    const Loaded viscam = load(readStl, binaryStl("plain", {kUpright, kFlat}, {own, 0}));
    const std::vector<Vec3f> colours = faceColoursOf(viscam.mesh);
    EXPECT_EQ(colours, (std::vector<Vec3f>{{0, 0, 1}, {0.8f, 0.8f, 0.8f}}));  // blue in the low bits

    std::string header = "COLOR=";
    header += std::string{'\xFF', '\x80', '\0', '\xFF'};
    const Loaded magics = load(readStl, binaryStl(header, {kUpright, kFlat}, {31, 0x8000}));
    const std::vector<Vec3f> magicColours = faceColoursOf(magics.mesh);
    ASSERT_EQ(magicColours.size(), 2u);
    EXPECT_EQ(magicColours[0], (Vec3f{1, 0, 0}));  // red in the low bits, bit 15 clear
    EXPECT_NEAR(magicColours[1][1], 128 / 255.0f, 1e-6);  // the model's colour
}

TEST(StlReader, asciiSolidsInAnyCase) {
    const std::string facet = "facet normal 0 0 1\n outer loop\n  vertex 0 0 0\n  vertex 1 0 0\n  vertex 0 1 0\n endloop\nendfacet\n";
    const std::string upper = "FACET NORMAL 0 0 1\n OUTER LOOP\n  VERTEX 0 0 1\n  VERTEX 1 0 1\n  VERTEX 0 1 1\n ENDLOOP\nENDFACET\n";
    const Loaded stl = load(readStl, " solid\tone\r\n" + facet + "endsolid one\nsolid two\n" + upper + "ENDSOLID two\n");
    EXPECT_TRUE(stl.context->errors.empty());
    EXPECT_EQ(stl.mesh.partCount, 2);
    EXPECT_EQ(stl.mesh.faceCount, 2);

    const std::string twoCorners = "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nendloop\nendfacet\n";
    const Loaded broken = load(readStl, twoCorners + facet + "facet normal 0 0 1\nouter loop\nvertex 0 0 inf\nvertex 1 0 0\nvertex 0 1 0\n"
                                                     "endloop\nendfacet\nendsolid\n");
    EXPECT_EQ(broken.mesh.faceCount, 1);
    EXPECT_NE(broken.notes().find("Skipped 1 facets with fewer than three vertices"), std::string::npos);
    EXPECT_NE(broken.notes().find("Skipped 1 facets whose coordinates are not finite"), std::string::npos);
}

// ---------------------------------------------------------------- PLY

template <typename T>
std::string littleEndian(std::initializer_list<T> values) {
    return std::string(reinterpret_cast<const char*>(values.begin()), values.size() * sizeof(T));
}

template <typename T>
std::string bigEndian(T value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(&bytes[0], &value, sizeof value);
    return std::string(bytes.rbegin(), bytes.rend());
}

TEST(PlyReader, asciiWithFacesFirstExtraElementsAndFaceColours) {
    const Loaded ply = load(readPly,
                            "ply\r\nformat ascii 1.0\ncomment faces first\nelement face 2\n"
                            "property uchar red\nproperty list uchar int vertex_indices\nproperty uchar green\nproperty uchar blue\n"
                            "element edge 1\nproperty int a\nproperty int b\n"
                            "element vertex 4\nproperty float32 y\nproperty float32 x\nproperty float z\nproperty uchar alpha\n"
                            "end_header\n255 4 0 1 2 3 0 0\n0 3 0 1 2 255 0\n0 1\n0 0 0 255\n0 1 0 255\n1 1 0 255\n1 0 0 255\n");
    EXPECT_TRUE(ply.context->errors.empty()) << ply.context->errors[0];
    EXPECT_EQ(ply.mesh.faceCount, 3);
    EXPECT_EQ(faceColoursOf(ply.mesh), (std::vector<Vec3f>{{1, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
}

TEST(PlyReader, bigEndianOfEveryTypeWithStripsAndVertexColours) {
    std::string bytes =
        "ply\nformat binary_big_endian 1.0\nelement vertex 4\nproperty int8 x\nproperty uint16 y\nproperty double z\n"
        "property ushort red\nproperty uchar green\nproperty float blue\n"
        "element tristrips 1\nproperty list uint32 int32 vertex_indices\nend_header\n";
    const int8_t xs[4] = {0, 1, 0, 1};
    const uint16_t ys[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        bytes += bigEndian(xs[i]) + bigEndian(ys[i]) + bigEndian(0.0) + bigEndian(uint16_t{65535}) +
                 bigEndian(uint8_t{0}) + bigEndian(0.0f);
    }
    bytes += bigEndian(uint32_t{6});
    for (int32_t index : {0, 1, 2, 3, -1, 0}) bytes += bigEndian(index);
    const Loaded ply = load(readPly, bytes);
    EXPECT_TRUE(ply.context->errors.empty());
    EXPECT_EQ(ply.mesh.faceCount, 2);
    // The strip's second triangle turns like its first.
    EXPECT_GT(ply.mesh.parts[0].faceNormals[0][2], 0.99f);
    EXPECT_GT(ply.mesh.parts[0].faceNormals[1][2], 0.99f);
    EXPECT_EQ(faceColoursOf(ply.mesh)[0], (Vec3f{1, 0, 0}));
}

TEST(PlyReader, refusedHeadersAndTruncatedData) {
    const std::map<std::string, std::string> refused{
        {"ply\nformat binary_mixed_endian 1.0\n", "its format 'binary_mixed_endian' is not ascii or binary"},
        {"ply\nformat ascii 1.0\nelement face 4294967296\nend_header\n", "the count of element 'face' is too large"},
        {"ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n", "its header has no end_header line"},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float128 x\nend_header\n",
         "property type 'float128' is not one PLY knows"},
        {"PLY\n", "it does not begin with 'ply'"},
    };
    // Elements without properties hold nothing, whatever their count.
    const Loaded empty = load(readPly, "ply\nformat ascii 1.0\nelement vertex 4294967295\nend_header\n");
    EXPECT_EQ(empty.context->errors, std::vector<std::string>{"Read failed for PLY file 'model': it has no faces to show"});
    for (const auto& [text, reason] : refused) {
        const Loaded ply = load(readPly, text);
        EXPECT_EQ(ply.context->errors, std::vector<std::string>{"Read failed for PLY file 'model': " + reason});
    }
    // Data cut inside the second face, and a face naming a missing vertex.
    const std::string header =
        "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
        "element face 3\nproperty list uchar int vertex_indices\nend_header\n";
    const std::string bytes = header + littleEndian<float>({0, 0, 0, 1, 0, 0, 0, 1, 0}) + '\3' +
                              littleEndian<int32_t>({0, 1, 2}) + '\3' + littleEndian<int32_t>({0, 1, 7}) +
                              std::string("\3\0\0\0\0", 5);
    const Loaded ply = load(readPly, bytes);
    EXPECT_EQ(ply.mesh.faceCount, 1);
    EXPECT_NE(ply.notes().find("ends after 2 of the 3 'face' elements"), std::string::npos) << ply.notes();
    EXPECT_NE(ply.notes().find("Skipped 1 faces that name vertices"), std::string::npos);
}

// ---------------------------------------------------------------- the shared collection

// What one load through the program's loader told its user.
struct LoadRecord final : LoadObserver {
    bool showsStatus() const override { return true; }
    void showStatus(const std::string& text) override { statuses.push_back(text); }
    void showError(const std::string& text, const std::string& caption) override {
        errors.push_back(caption + ": " + text);
    }
    bool cancelled() override { return false; }
    std::vector<std::string> statuses, errors;
};

// Every model file of the collection, loaded by path as the programs load it:
// the table picks the reader, companions come through the folder's resolver.
// Its faces after the merge are the triangles its README counts, so the
// merge distance costs none of these models (stored in metres) a face.
TEST(SharedModels, eachLoadsThroughTheTableWithItsTrianglesOrIsRefusedOrShownInPartWithANote) {
    const std::filesystem::path root = std::filesystem::u8path(GLOWPOND_SHARED_MODELS);
    if (!std::filesystem::is_directory(root)) {
        if (std::getenv("CI")) FAIL() << root << " is missing";
        GTEST_SKIP() << "no shared models at " << root;
    }
    // Triangles as the collection's README counts them; 0: refused.
    const std::map<std::string, int32_t> triangles{
        {"obj/as_box_longline.obj", 944}, {"obj/as_box_UTF16BE.obj", 12}, {"obj/as_box_without_lineending.obj", 12},
        {"obj/as_number_formats.obj", 1}, {"obj/as_spider/spider.obj", 1368}, {"obj/ro_primitives.obj", 4},
        {"obj/tm_capsule/capsule.obj", 10200}, {"obj/tol_cornell_box/cornell_box.obj", 36},
        {"obj/tol_cube_vertex_w/cube-vertex-w-component.obj", 12}, {"obj/uf_kaydara_rotation_order.obj", 1872},
        {"obj/uf_max6_teapot.obj", 240}, {"stl/as_sphere_with_hole.stl", 285}, {"stl/as_spider_binary.stl", 1368},
        {"stl/as_two_solids.stl", 2}, {"stl/ns_cube_ascii_crlf.stl", 12}, {"stl/ns_halfdonut_ascii_upper.stl", 288},
        {"stl/ns_halfdonut_binary_solid_header.stl", 288}, {"stl/ns_rear_case.stl", 18808},
        {"ply/as_cube_binary.ply", 12}, {"ply/as_wuson.ply", 3732}, {"ply/dr_extra_whitespace.ply", 1},
        {"ply/hp_platonic_shelf_big_endian.ply", 80}, {"ply/mg_char_positions_be.ply", 3}, {"ply/mg_crlf_ushort.ply", 3},
        {"ply/o3v_cube_rgb_binary.ply", 12}, {"ply/tm_points_with_lists.ply", 0},
        {"gltf/as_assetgen_primitive_mode_04_strip/Mesh_PrimitiveMode_04.gltf", 2},
        {"gltf/bio_node_hierarchy/02_node_hierarchy.gltf", 60}, {"gltf/dr_Box_Draco.glb", 0},
        {"gltf/dr_Fox/Fox.gltf", 576}, {"gltf/gt_DracoSparseMesh/DracoSparseMesh.gltf", 0},
        {"gltf/gt_unicode_uris/Unicode \u2764\u267b Test.gltf", 2}, {"gltf/o3v_BoxInterleaved.glb", 12},
        {"gltf/o3v_CubeHierarchy/CubeHierarchy.gltf", 48}, {"gltf/o3v_OrientationTest.glb", 524},
        {"gltf/o3v_SimpleSparseAccessor_embedded.gltf", 12}, {"gltf/tg_box01_maya.glb", 12},
        // Broken: shown in part, with a note.
        {"stl/bad/derived_binary_count_ffffffff.stl", 1368}, {"gltf/bad/gv_index_buffer_oob/index_buffer_oob.gltf", 1}};
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string relative = std::filesystem::relative(entry.path(), root).generic_u8string();
        const std::string format = relative.substr(0, relative.find('/'));
        if (!entry.is_regular_file() || !hasModelSuffix(relative) || format == "vrml1" || format == "3ds" ||
            format == "bad") {
            continue;
        }
#ifdef _WIN32
        // The Windows opener still takes names in the ANSI code page.
        if (std::any_of(relative.begin(), relative.end(), [](char c) { return c & 0x80; })) continue;
#endif
        ++files;
        LoadRecord record;
        DisplayMesh mesh;
        const bool loaded = ModelLoader(testing::fileOpener()).load(entry.path().u8string(), mesh, record);
        const bool bad = relative.find("/bad/") != std::string::npos;
        const auto expected = triangles.find(relative);
        if (expected != triangles.end() && expected->second > 0) {
            EXPECT_EQ(std::tuple(loaded, mesh.faceCount, record.errors),
                      std::tuple(true, expected->second, std::vector<std::string>{})) << relative;
            EXPECT_TRUE(!bad || !record.statuses.empty()) << relative;
        } else if (expected != triangles.end() || bad) {
            // Refused with a message, or shown in part with a note.
            EXPECT_TRUE(record.errors.size() == 1 || (mesh.faceCount > 0 && !record.statuses.empty())) << relative;
        } else {
            ADD_FAILURE() << relative << " is not in the table";
        }
    }
    EXPECT_GE(files, 45);
}

}  // namespace
}  // namespace glowpond
