#include "vrml/parser.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "scene/properties.h"
#include "scene/shapes.h"
#include "tests/scene_test_support.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using namespace testing;

// The error of a file that fails at `line`.
std::vector<std::string> parseErrorAt(int line) { return {"parse error, line " + std::to_string(line) + ".\n"}; }

TEST(VrmlParser, aSyntaxErrorNamesTheLineOfTheFirstBadTokenAndYieldsNoSceneInBothReadings) {
    const std::pair<std::string, int> cases[] = {
        {"Separator { Coordinate3 { point [ 0 0 0 ] } }", 1}, {"", 1},  // no header
        // Files of other formats.
        {std::string("\x1f\x8b\x08\0\0\0\0\0", 8), 1}, {std::string("MM\x10\0\0\0\x02\0", 8), 1},
        {kVrmlHeader + "Cube { }\n" + kVrmlHeader, 3},  // a second header
        {kVrmlHeader + "Separator {\n  Cube { width 1 }\n  Switch { whichChild 1.5 }\n}", 4},
        {kVrmlHeader + "Coordinate3 { point [ 0 0 0,, 1 1 1 ] }", 2}, {kVrmlHeader + "Coordinate3 { point [ 0 0 ] }", 2},
        {kVrmlHeader + "Separator {\n\n", 4},                          // ends inside a body
        {kVrmlHeader + "Cube { Sphere { } }", 2},                      // children in a type without them
        {kVrmlHeader + "Separator { Cube { } renderCulling ON }", 2},  // a field after a child
        {kVrmlHeader + "Cone { parts ( SIDES | ) }", 2}, {kVrmlHeader + "Foo { fields [ SFFloat a, ] }", 2},
        {kVrmlHeader + "DEF Cube { }", 2}, {kVrmlHeader + "Cube { fields [ SFLong width ] width 2.5 }", 2},
        // What the tolerant reading skips must still be whole; it fails where the strict one does.
        {kVrmlHeader + "NavigationInfo { headlight FALSE\n\n", 2}, {kVrmlHeader + "Cube { foo }", 2},
        {kVrmlHeader + "Separator {\n mirror [ 1\n }", 3}, {kVrmlHeader + "Switch { whichChild +1.5 }", 2},
        {kVrmlHeader + "Cube { Foo { } }", 2}, {kVrmlHeader + "garbage 1 2 3", 2},
        {kVrmlHeader + "Cube { foo 1\n Separator { } }", 2}, {kVrmlHeader + "Info { string }", 2},
    };
    for (const auto& [text, line] : cases) {
        for (VrmlReading reading : {VrmlReading::Strict, VrmlReading::Tolerant}) {
            const auto file = readText(text, reading);
            EXPECT_EQ(file->errors, parseErrorAt(line)) << text;
            EXPECT_EQ(file->firstChildNode(), nullptr) << text;
        }
    }
}

// The tree, each polygon's corners and colour, and what was skipped.
std::string digest(RecordingContext& scene) {
    std::string text = treeOf(scene);
    for (const RecordedPolygon& polygon : polygonsOf(scene)) {
        for (const Vec3& corner : polygon.vertices) text += ' ' + ::testing::PrintToString(corner);
        text += " in " + ::testing::PrintToString(polygon.material.diffuse);
    }
    for (const std::string& status : scene.statuses) text += status.compare(0, 7, "Skipped") ? "" : " " + status;
    return text;
}

TEST(VrmlParser, theTolerantReadingTakesWhatWritersWriteWhereTheStrictOneStops) {
    const std::string triangle = " Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] } IndexedFaceSet { coordIndex [ 0, 1, "
                                 "2, -1 ] }";
    // Text, the line where the strict reading stops, the same read strictly, and the skips.
    const std::tuple<std::string, int, std::string, std::string> cases[] = {
        {"Material { specularColor [ ] diffuseColor [ 0 0 1 ] }\nNormal { vector [] }" + triangle, 2,
         "Material { diffuseColor 0 0 1 } Normal { }" + triangle, ""},
        {"Coordinate3 { point [ +1 +0.0 0,\n 0 +1.5e+00 0, 0 0 +0. ] }\nIndexedFaceSet { coordIndex [ +0, 1, 2, -1 ] }",
         2, "Coordinate3 { point [ 1 0 0, 0 1.5 0, 0 0 0 ] } IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }", ""},
        {"Texture2 { filename ../textures/wood.jpg wrapS CLAMP } WWWAnchor { name\n  http://x.org/a.wrl#v "
         "description Plan" + triangle + "}", 2,
         "Texture2 { filename \"a\" wrapS CLAMP } WWWAnchor { name \"a\" description \"b\"" + triangle + "}", ""},
        {"Separator {\n Coordinate3 { point [ 0 0 0  1 0 0\n 0 1 0 ] }\n IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }",
         3, "Separator {" + triangle + "}", ""},
        {"Material {\n diffuseColor 0 1 0 reflSpecular 0 0 0 mirror +0.5 }\nDirectionalLight { headlight FALSE }\n"
         "Separator { alphaChannel \"}\" hint ( A | B ) tags [ \"]\" ]\n ShapeHints { kind SOLID }" + triangle + " }", 3,
         "Material { diffuseColor 0 1 0 } DirectionalLight { } Separator { ShapeHints { }" + triangle + " }",
         " Skipped unknown field 'reflSpecular', line 3. Skipped unknown field 'mirror', line 3. Skipped unknown "
         "field 'headlight', line 4. Skipped unknown field 'alphaChannel', line 5. Skipped unknown field 'hint', "
         "line 5. Skipped unknown field 'tags', line 5. Skipped unknown field 'kind', line 6."},
        {"NavigationInfo {\n headlight FALSE }\nBackground { skyColor [ 0 1 1 ] }\nViewpoint { description \"}\" "
         "Group { } }\nFoo { Cube { } }\nFoo { Bar { } }" + triangle, 3, "Foo { Cube { } }" + triangle,
         " Skipped unknown node 'NavigationInfo', line 2. Skipped unknown node 'Background', line 4. Skipped "
         "unknown node 'Viewpoint', line 5. Skipped unknown node 'Foo', line 7."},
    };
    for (const auto& [text, line, strictText, skipped] : cases) {
        EXPECT_EQ(readText(kVrmlHeader + text, VrmlReading::Strict)->errors, parseErrorAt(line)) << text;
        const auto tolerant = readText(kVrmlHeader + text);
        EXPECT_EQ(tolerant->errors, std::vector<std::string>{}) << text;
        EXPECT_EQ(digest(*tolerant), digest(*sceneOf(strictText)) + skipped) << text;
    }
    // Numbers and bare strings cut by a buffer refill read whole.
    for (size_t before = 1; before <= 48; ++before) {
        const auto cut = readText(kVrmlHeader + "Texture2 {" + std::string(VrmlLexer::kBufferSize - before - 27, ' ') +
                                  " filename ../maps/a.jpg } Cube { width +1.5e1 }");
        EXPECT_EQ(std::make_pair(cut->errors.size(), childAt<Cube>(*cut, 0).width()), std::make_pair(size_t{0}, 15.0));
    }
}

TEST(VrmlParser, fieldValuesOfEveryTypeReachTheirNodesOrAreDroppedWithTheirNode) {
    // The scene tests read the other field types through VRML.
    const auto context = sceneOf(R"(
        Material { diffuseColor [ 1 0 0, 0 1 0, ] shininess [ 0.5 ] }
        ShapeHints { vertexOrdering CLOCKWISE creaseAngle 0.5 }
        DirectionalLight { on TRUE color 1 1 1 }
        Texture2 { image 2 1 3 0xFF0000 0x00FF00 filename "x.rgb" }
        AsciiText { string [ "a", "b" ] width [ 1, 2 ] })");
    EXPECT_EQ(treeOf(*context), "Material ShapeHints");
    const Material& material = childAt<Material>(*context, 0);
    EXPECT_EQ(std::make_tuple(material.materialCount(), material.material(1).shininess,
                              childAt<ShapeHints>(*context, 1).vertexOrdering()),
              std::make_tuple(2, 0.5, kOrderingClockwise));
}

TEST(VrmlParser, defNamesAreFitUseCopiesTheLatestDefinitionAndDefsUnderDroppedNodesStayUsable) {
    const std::string longName(31, 'n');
    const auto context = sceneOf("DEF 2b Cube { width 3 }\nUSE 2b\nDEF box Cube { }\nDEF box Sphere { }\nUSE box\n"
                                 "USE nothing\nDEF text AsciiText { }\nUSE text\nDEF +1 Cube { } USE +1\n"
                                 "Cube2 { fields [ SFFloat width, MFString isA ] isA \"Cube\" width 10 }\n"
                                 "DEF " + longName + "1 Cube { }\nUSE " + longName + "2\n" + R"(
        Separator {
            Foo { fields [ SFFloat a, MFLong b ] a 1 b [ 1, 2 ] DEF inner Cube { } Bar { Cube { } } }
            Foo { a 2 b 3 }
            USE inner
            Cube { fields [ SFLong width ] width 2 }
        })");
    EXPECT_EQ(treeOf(*context), "Cube#G2b Cube#G2b Cube#box Sphere#box Sphere#box Cube#G+1 Cube#G+1 Cube#" + longName +
                                    "1 Cube#" + longName + "1 Separator(Cube#inner Cube)");
    EXPECT_EQ(childAt<Cube>(*context, 1).width(), 3.0);
}

TEST(VrmlParser, nestingBeyondTwentyFourLevelsIsRefused) {
    for (int depth : {24, 25, 100000}) {
        std::string text = kVrmlHeader;
        for (int i = 0; i < depth; ++i) text += "Separator { ";
        const auto context = readText(text + std::string(static_cast<size_t>(depth), '}'));
        const bool refused = depth > VrmlReaderState::kMaxDepth;
        EXPECT_EQ(context->errors, std::vector<std::string>(refused, "nodes nested deeper than 24 levels, line 2.\n"));
        EXPECT_EQ(context->firstChildNode() == nullptr, refused);
    }
}

TEST(VrmlParser, copiesOfCopiesBeyondTheMemoryLimitAreRefused) {
    std::string text = kVrmlHeader + "DEF a Coordinate3 { point 1 2 3 }\n";
    for (int i = 0; i < 40; ++i) text += "DEF a Group { USE a USE a }\n";
    VrmlReaderState state;
    state.maxCopiedBytes = 1 << 20;  // a Coordinate3 holds at least 12000 bytes of points
    RecordingContext context;
    readVrmlText(state, context, text);
    ASSERT_EQ(context.errors.size(), 1u);
    EXPECT_TRUE(context.errors[0].substr(0, 15) == "out of memory, " && !context.firstChildNode()) << context.errors[0];
}

TEST(VrmlParser, nothingOfOneFileReachesTheNext) {
    VrmlReaderState state;
    RecordingContext first, second;
    readVrmlText(state, first, kVrmlHeader + "Cube { fields [ SFLong width ] width 1 }\nFoo { }\nDEF x Cube { }");
    readVrmlText(state, second, kVrmlHeader + "Cube { width 1.5 }\nFoo { Cube { } }\nUSE x");
    EXPECT_TRUE(first.errors.empty() && second.errors.empty());
    EXPECT_EQ(treeOf(second), "Cube");
}

TEST(VrmlReader, filesReadAsWindowsTextModeOnEveryPlatform) {
    testing::TempDir dir;
    RecordingContext crlf, missing;
    readVrmlFile(crlf, testing::writeFile(dir.path("crlf.wrl"), "#VRML V1.0 ascii\r\n\r\nCube { width 1.5e }\r\n"));
    readVrmlFile(missing, dir.path("missing.wrl"));
    // Reading stops at the error.
    EXPECT_EQ(std::make_pair(crlf.errors, crlf.statuses.size()), std::make_pair(parseErrorAt(3), size_t{2}));
    EXPECT_TRUE(missing.errors.empty() && missing.statuses.empty());
    // Compressed files, members one after another included, unpack whole within a limit.
    VrmlReaderState state;
    state.maxUnpackedBytes = 40;
    const std::string packed = testing::gzipped(kVrmlHeader + "Cube { }");
    const std::pair<std::string, const char*> packedFiles[] = {
        {testing::gzipped(kVrmlHeader) + testing::gzipped("Cube { }"), nullptr},
        {testing::gzipped(kVrmlHeader + std::string(40, ' ')), kVrmlGzipTooLarge},
        {packed.substr(0, packed.size() - 4), kVrmlGzipDamaged}};
    for (const auto& [contents, error] : packedFiles) {
        RecordingContext context;
        readVrmlFile(state, context, testing::writeFile(dir.path("p.wrz"), contents));
        EXPECT_EQ(context.errors, error ? std::vector<std::string>{error + std::string(".\n")} : std::vector<std::string>{});
        EXPECT_EQ(treeOf(context), error ? "" : "Cube");
    }
#ifndef _WIN32
    RecordingContext folder;  // opening a folder succeeds here; reading it fails
    readVrmlFile(folder, dir.root());
    EXPECT_EQ(folder.errors, std::vector<std::string>{"read() in flex scanner failed, line 1.\n"});
#endif
}

}  // namespace
}  // namespace glowpond
