#include "vrml/parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/properties.h"
#include "scene/shapes.h"
#include "tests/test_support.h"
#include "tests/vrml_test_support.h"

namespace glowpond {
namespace {

using namespace testing;

TEST(VrmlParser, aSyntaxErrorNamesTheLineOfTheFirstBadTokenAndYieldsNoScene) {
    const std::pair<std::string, int> cases[] = {
        {"Separator { Coordinate3 { point [ 0 0 0 ] } }", 1}, {"", 1},  // no header
        // Files of other formats.
        {"#VRML V2.0 utf8\nTransform { children [ Shape { } ] }", 2},
        {std::string("\x1f\x8b\x08\0\0\0\0\0", 8), 1}, {std::string("MM\x10\0\0\0\x02\0", 8), 1},
        {kVrmlHeader + "Cube { }\n" + kVrmlHeader, 3},  // a second header
        {kVrmlHeader + "Separator {\n  Cube { width 1 }\n  Switch { whichChild 1.5 }\n}", 4},
        {kVrmlHeader + "Coordinate3 {\n point [ ] }", 3},
        {kVrmlHeader + "Coordinate3 { point [ 0 0 0 1 1 1 ] }", 2},
        {kVrmlHeader + "Coordinate3 { point [ 0 0 0,, 1 1 1 ] }", 2},
        {kVrmlHeader + "Separator {\n\n", 4},                          // ends inside a body
        {kVrmlHeader + "Cube { Sphere { } }", 2},                      // children in a type without them
        {kVrmlHeader + "Separator { Cube { } renderCulling ON }", 2},  // a field after a child
        {kVrmlHeader + "Info { string word }", 2}, {kVrmlHeader + "Cone { parts ( SIDES | ) }", 2},
        {kVrmlHeader + "Foo { fields [ SFFloat a, ] }", 2}, {kVrmlHeader + "DEF Cube { }", 2},
        // An undeclared field; children for a Foo that was first seen without them.
        {kVrmlHeader + "Foo { b 1 }", 2}, {kVrmlHeader + "Foo { }\nFoo { Cube { } }", 3},
        {kVrmlHeader + "Cube { fields [ SFLong width ] width 2.5 }", 2},
    };
    for (const auto& [text, line] : cases) {
        const auto file = readText(text);
        EXPECT_EQ(file->errors, std::vector<std::string>{"parse error, line " + std::to_string(line) + ".\n"}) << text;
        EXPECT_EQ(file->firstChildNode(), nullptr) << text;
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
    EXPECT_EQ(childAt<Material>(*context, 0).materialCount(), 2);
    EXPECT_EQ(childAt<Material>(*context, 0).material(1).shininess, 0.5);
    EXPECT_EQ(childAt<ShapeHints>(*context, 1).vertexOrdering(), kOrderingClockwise);
}

TEST(VrmlParser, defNamesAreFitUseCopiesTheLatestDefinitionAndDefsUnderDroppedNodesStayUsable) {
    const std::string longName(31, 'n');
    const auto context = sceneOf("DEF 2b Cube { width 3 }\nUSE 2b\nDEF box Cube { }\nDEF box Sphere { }\nUSE box\n"
                                 "USE nothing\nDEF text AsciiText { }\nUSE text\n"
                                 "DEF " + longName + "1 Cube { }\nUSE " + longName + "2\n" + R"(
        Separator {
            Foo { fields [ SFFloat a, MFLong b ] a 1 b [ 1, 2 ] DEF inner Cube { } Bar { Cube { } } }
            Foo { a 2 b 3 }
            USE inner
            Cube { fields [ SFLong width ] width 2 }
        })");
    EXPECT_EQ(treeOf(*context), "Cube#G2b Cube#G2b Cube#box Sphere#box Sphere#box Cube#" + longName + "1 Cube#" +
                                    longName + "1 Separator(Cube#inner Cube)");
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
    EXPECT_EQ(context.errors[0].substr(0, 15), "out of memory, ");
    EXPECT_EQ(context.firstChildNode(), nullptr);
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
    testing::writeFile(dir.path("crlf.wrl"), "#VRML V1.0 ascii\r\n\r\nCube { width 1.5e }\r\n");
    RecordingContext crlf, missing;
    readVrmlFile(crlf, dir.path("crlf.wrl"));
    readVrmlFile(missing, dir.path("missing.wrl"));
    EXPECT_EQ(crlf.errors, std::vector<std::string>{"parse error, line 3.\n"});
    EXPECT_EQ(crlf.statuses.size(), 2u);  // reading stops at the error
    EXPECT_TRUE(missing.errors.empty() && missing.statuses.empty());
#ifndef _WIN32
    RecordingContext folder;  // opening a folder succeeds here; reading it fails
    readVrmlFile(folder, dir.root());
    EXPECT_EQ(folder.errors, std::vector<std::string>{"read() in flex scanner failed, line 1.\n"});
#endif
}

}  // namespace
}  // namespace glowpond
