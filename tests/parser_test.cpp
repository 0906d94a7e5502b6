#include "vrml/parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/geometry.h"
#include "scene/properties.h"
#include "scene/shapes.h"
#include "scene/transforms.h"
#include "tests/test_support.h"
#include "tests/vrml_test_support.h"

namespace glowpond {
namespace {

using testing::readText;
using testing::RecordingContext;

const std::string kHeader = "#VRML V1.0 ascii\n";

template <typename T>
const T& child(const Node& parent, int index) {
    const Node* node = parent.firstChildNode();
    for (int i = 0; i < index && node; ++i) node = node->nextSibling();
    EXPECT_NE(dynamic_cast<const T*>(node), nullptr) << "child " << index;
    return *static_cast<const T*>(node);
}

TEST(VrmlParser, aSyntaxErrorNamesTheLineOfTheFirstBadTokenAndYieldsNoScene) {
    const std::pair<std::string, int> cases[] = {
        {"Separator { Coordinate3 { point [ 0 0 0 ] } }", 1},  // no header
        {"", 1},
        // Files of other formats.
        {"#VRML V2.0 utf8\nTransform { children [ Shape { } ] }", 2},
        {std::string("\x1f\x8b\x08\0\0\0\0\0", 8), 1},
        {std::string("MM\x10\0\0\0\x02\0", 8), 1},
        {kHeader + "Cube { }\n" + kHeader, 3},  // a second header
        {kHeader + "Separator {\n  Cube { width 1 }\n  Switch { whichChild 1.5 }\n}", 4},
        {kHeader + "Coordinate3 {\n point [ ] }", 3},
        {kHeader + "Coordinate3 { point [ 0 0 0 1 1 1 ] }", 2},
        {kHeader + "Coordinate3 { point [ 0 0 0,, 1 1 1 ] }", 2},
        {kHeader + "Separator {\n\n", 4},                          // ends inside a body
        {kHeader + "Cube { Sphere { } }", 2},                      // children in a type without them
        {kHeader + "Separator { Cube { } renderCulling ON }", 2},  // a field after a child
        {kHeader + "Info { string word }", 2},
        {kHeader + "Cone { parts ( SIDES | ) }", 2},
        {kHeader + "Foo { fields [ SFFloat a, ] }", 2},
        {kHeader + "Foo { b 1 }", 2},                // not a declared field
        {kHeader + "Foo { }\nFoo { Cube { } }", 3},  // only a first Foo takes children
        {kHeader + "Cube { fields [ SFLong width ] width 2.5 }", 2},
        {kHeader + "DEF Cube { }", 2},
    };
    for (const auto& [text, line] : cases) {
        RecordingContext context;
        readText(context, text);
        EXPECT_EQ(context.errors, std::vector<std::string>{"parse error, line " + std::to_string(line) + ".\n"}) << text;
        EXPECT_EQ(context.firstChildNode(), nullptr) << text;
    }
}

TEST(VrmlParser, fieldValuesReachTheSettersOfTheirNodes) {
    RecordingContext context;
    readText(context, kHeader + R"(
        Separator { Cube { width 2 height 1.5 depth -0.5 } }
        Cone { parts ( SIDES | BOTTOM ) bottomRadius 3 }
        Transform { translation 1 2 3 rotation 0 1 0 1.5 scaleFactor 2 2 2 }
        MatrixTransform { matrix 1 0 0 0  0 1 0 0  0 0 1 0  4 5 6 1 }
        Material { diffuseColor [ 1 0 0, 0 1 0, ] shininess [ 0.5 ] }
        IndexedFaceSet { coordIndex 7 materialIndex [ 1, -1 ] }
        ShapeHints { vertexOrdering CLOCKWISE creaseAngle 0.5 }
        Texture2 { image 2 1 3 0xFF0000 0x00FF00 filename "x.rgb" }
        AsciiText { string [ "a", "b" ] width [ 1, 2 ] })");
    ASSERT_TRUE(context.errors.empty()) << context.errors[0];
    EXPECT_EQ(context.tree(), "Separator(Cube) Cone Transform MatrixTransform Material IndexedFaceSet ShapeHints");
    const Cube& cube = child<Cube>(*context.firstChildNode(), 0);
    EXPECT_EQ(cube.width() + cube.height() + cube.depth(), 3.0);
    EXPECT_EQ(child<Cone>(context, 1).parts(), kPartsSides | kPartsBottom);
    EXPECT_EQ(child<Transform>(context, 2).rotation().angle, 1.5);
    EXPECT_EQ(child<MatrixTransform>(context, 3).matrix().at(3, 1), 5.0);
    EXPECT_EQ(child<Material>(context, 4).diffuseColor().count(), 2);
    EXPECT_EQ(child<Material>(context, 4).shininess()[0], 0.5);
    EXPECT_EQ(child<IndexedFaceSet>(context, 5).coordIndex()[0], 7);
    EXPECT_EQ(child<IndexedFaceSet>(context, 5).materialIndex()[1], -1);
    EXPECT_EQ(child<ShapeHints>(context, 6).vertexOrdering(), kOrderingClockwise);
}

TEST(VrmlParser, defNamesAreFitUseCopiesTheLatestDefinitionAndDefsUnderDroppedNodesStayUsable) {
    RecordingContext context;
    const std::string longName(31, 'n');
    readText(context, kHeader + "DEF 2b Cube { width 3 }\nUSE 2b\n"
                                "DEF box Cube { }\nDEF box Sphere { }\nUSE box\nUSE nothing\n"
                                "DEF text AsciiText { }\nUSE text\n"
                                "DEF " + longName + "1 Cube { }\nUSE " + longName + "2\n" + R"(
        Separator {
            DirectionalLight { on TRUE color 1 1 1 }
            Foo { fields [ SFFloat a, MFLong b ] a 1 b [ 1, 2 ] DEF inner Cube { } Bar { Cube { } } }
            Foo { a 2 b 3 }
            USE inner
            Cube { fields [ SFLong width ] width 2 }
        })");
    EXPECT_TRUE(context.errors.empty());
    EXPECT_EQ(context.tree(), "Cube#G2b Cube#G2b Cube#box Sphere#box Sphere#box Cube#" + longName + "1 Cube#" +
                                  longName + "1 Separator(Cube#inner Cube)");
    EXPECT_NE(&child<Cube>(context, 1), &child<Cube>(context, 0));
    EXPECT_EQ(child<Cube>(context, 1).width(), 3.0);
}

TEST(VrmlParser, nestingBeyondTwentyFourLevelsIsRefused) {
    for (int depth : {24, 25, 100000}) {
        std::string text = kHeader;
        for (int i = 0; i < depth; ++i) text += "Separator { ";
        RecordingContext context;
        readText(context, text + std::string(static_cast<size_t>(depth), '}'));
        const bool refused = depth > VrmlReaderState::kMaxDepth;
        EXPECT_EQ(context.errors, std::vector<std::string>(refused, "nodes nested deeper than 24 levels, line 2.\n"));
        EXPECT_EQ(context.firstChildNode() == nullptr, refused);
    }
}

TEST(VrmlParser, copiesOfCopiesBeyondTheMemoryLimitAreRefused) {
    std::string text = kHeader + "DEF a Coordinate3 { point 1 2 3 }\n";
    for (int i = 0; i < 40; ++i) text += "DEF a Group { USE a USE a }\n";
    VrmlReaderState state;
    EXPECT_EQ(state.maxCopiedBytes, int64_t{256} << 20);
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
    readVrmlText(state, first, kHeader + "Cube { fields [ SFLong width ] width 1 }\nFoo { }\nDEF x Cube { }");
    readVrmlText(state, second, kHeader + "Cube { width 1.5 }\nFoo { Cube { } }\nUSE x");
    EXPECT_TRUE(first.errors.empty());
    EXPECT_TRUE(second.errors.empty());
    EXPECT_EQ(second.tree(), "Cube");
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
