#include "vrml/parser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
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

TEST(VrmlParser, separatorWithCoordinatesAndFacesBuildsTwoChildren) {
    RecordingContext context;
    readText(context, kHeader +
                          "Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }"
                          " IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }");
    EXPECT_TRUE(context.errors.empty());
    EXPECT_EQ(context.tree(), "Separator(Coordinate3 IndexedFaceSet)");
    const Node& separator = *context.firstChildNode();
    EXPECT_EQ(separator.parent(), &context);
    EXPECT_EQ(separator.firstChildNode()->parent(), &separator);
    EXPECT_EQ(child<Coordinate3>(separator, 0).point()[1], (Vec3{1, 0, 0}));
    const FieldArray<int32_t>& coordIndex = child<IndexedFaceSet>(separator, 1).coordIndex();
    ASSERT_EQ(coordIndex.count(), 4);
    EXPECT_EQ(coordIndex[3], -1);
}

TEST(VrmlParser, aSyntaxErrorNamesTheLineOfTheFirstBadTokenAndYieldsNoScene) {
    const struct {
        std::string text;
        int line;
    } cases[] = {
        {"Separator { Coordinate3 { point [ 0 0 0 ] } }", 1},  // no header
        {"", 1},
        {kHeader + "Cube { }\n" + kHeader, 3},  // a second header
        {kHeader + "Separator {\n  Cube { width 1 }\n  Switch { whichChild 1.5 }\n}", 4},
        {kHeader + "Coordinate3 {\n point [ ] }", 3},
        {kHeader + "Coordinate3 { point [ 0 0 0 1 1 1 ] }", 2},
        {kHeader + "Coordinate3 { point [ 0 0 0,, 1 1 1 ] }", 2},
        {kHeader + "Separator {\n\n", 4},                   // ends inside a body
        {kHeader + "Cube { Sphere { } }", 2},               // children in a type without them
        {kHeader + "Separator { Cube { } renderCulling ON }", 2},  // a field after a child
        {kHeader + "Info { string word }", 2},
        {kHeader + "Cone { parts ( SIDES | ) }", 2},
        {kHeader + "Foo { fields [ ] }", 2},
        {kHeader + "Foo { fields [ SFFloat a, ] }", 2},
        {kHeader + "Foo { b 1 }", 2},                       // not a declared field
        {kHeader + "Foo { }\nFoo { Cube { } }", 3},         // only a first Foo takes children
        {kHeader + "DEF Cube { }", 2},
        {kHeader + "Cube { }\n\"open", 3},
    };
    for (const auto& c : cases) {
        RecordingContext context;
        readText(context, c.text);
        EXPECT_EQ(context.errors, std::vector<std::string>{"parse error, line " + std::to_string(c.line) + ".\n"})
            << c.text;
        EXPECT_EQ(context.firstChildNode(), nullptr) << c.text;
    }
}

TEST(VrmlParser, fieldValuesReachTheSettersOfTheirNodes) {
    RecordingContext context;
    readText(context, kHeader + R"(
        Cube { width 2 height 1.5 depth -0.5 }
        Cone { parts ( SIDES | BOTTOM ) bottomRadius 3 }
        Cylinder { parts TOP }
        Transform { translation 1 2 3 rotation 0 1 0 1.5 scaleFactor 2 2 2 }
        MatrixTransform { matrix 1 0 0 0  0 1 0 0  0 0 1 0  4 5 6 1 }
        Coordinate3 { point 1 2 3 }
        Material { diffuseColor [ 1 0 0, 0 1 0, ] shininess [ 0.5 ] }
        ShapeHints { vertexOrdering CLOCKWISE creaseAngle 0.5 }
        Texture2 { image 2 1 3 0xFF0000 0x00FF00 filename "x.rgb" }
        Switch { whichChild -1 }
        AsciiText { string [ "a", "b" ] width [ 1, 2 ] })");
    ASSERT_TRUE(context.errors.empty()) << context.errors[0];
    const Cube& cube = child<Cube>(context, 0);
    EXPECT_EQ(cube.width() + cube.height() + cube.depth(), 3.0);
    EXPECT_EQ(child<Cone>(context, 1).parts(), kPartsSides | kPartsBottom);
    EXPECT_EQ(child<Transform>(context, 3).rotation().angle, 1.5);
    EXPECT_EQ(child<MatrixTransform>(context, 4).matrix().at(3, 1), 5.0);
    EXPECT_EQ(child<Coordinate3>(context, 5).point().count(), 1);
    EXPECT_EQ(child<Material>(context, 6).diffuseColor().count(), 2);
    EXPECT_EQ(child<Material>(context, 6).shininess()[0], 0.5);
    EXPECT_EQ(child<ShapeHints>(context, 7).vertexOrdering(), kOrderingClockwise);
    EXPECT_EQ(context.tree(), "Cube Cone Cylinder Transform MatrixTransform Coordinate3 Material ShapeHints Switch");
}

TEST(VrmlParser, defNamesAreFitAndUseCopiesTheLatestDefinition) {
    RecordingContext context;
    const std::string longName(31, 'n');
    readText(context, kHeader + "DEF 2b Cube { width 3 }\nUSE 2b\n"
                                "DEF box Cube { }\nDEF box Sphere { }\nUSE box\nUSE nothing\n"
                                "DEF text AsciiText { }\nUSE text\n"
                                "DEF " + longName + "1 Cube { }\nUSE " + longName + "2\n");
    EXPECT_TRUE(context.errors.empty());
    EXPECT_EQ(context.tree(), "Cube#G2b Cube#G2b Cube#box Sphere#box Sphere#box Cube#" + longName + "1 Cube#" +
                                  longName + "1");
    EXPECT_NE(&child<Cube>(context, 1), &child<Cube>(context, 0));
    EXPECT_EQ(child<Cube>(context, 1).width(), 3.0);
}

TEST(VrmlParser, classlessAndUnknownNodesAreReadAndDroppedButTheirDefsStayUsable) {
    RecordingContext context;
    readText(context, kHeader + R"(
        Separator {
            DirectionalLight { on TRUE color 1 1 1 }
            Foo { fields [ SFFloat a, MFLong b ] a 1 b [ 1, 2 ] DEF inner Cube { } Bar { Cube { } } }
            Foo { a 2 b 3 }
            USE inner
            Cube { fields [ SFLong width ] width 2 }
        })");
    EXPECT_TRUE(context.errors.empty());
    EXPECT_EQ(context.tree(), "Separator(Cube#inner Cube)");

    RecordingContext retyped;
    readText(retyped, kHeader + "Cube { fields [ SFLong width ] width 2.5 }");
    EXPECT_EQ(retyped.errors.size(), 1u);
}

TEST(VrmlParser, aTypeKeepsTenFieldsAndIgnoresFurtherDeclarations) {
    std::string declarations = "SFFloat f0";
    for (int i = 1; i <= 10; ++i) declarations += ", SFFloat f" + std::to_string(i);
    RecordingContext context;
    readText(context, kHeader + "Foo { fields [ " + declarations + " ] f9 1 }\nFoo { f10 1 }");
    EXPECT_EQ(context.errors, std::vector<std::string>{"parse error, line 3.\n"});
}

TEST(VrmlParser, nestingBeyondTwentyFourLevelsIsRefused) {
    auto nested = [](int depth) {
        std::string text = kHeader;
        for (int i = 0; i < depth; ++i) text += "Separator { ";
        return text + std::string(static_cast<size_t>(depth), '}');
    };
    RecordingContext deepest;
    readText(deepest, nested(24));
    EXPECT_TRUE(deepest.errors.empty());
    for (int depth : {25, 100000}) {
        RecordingContext context;
        readText(context, nested(depth));
        EXPECT_EQ(context.errors, std::vector<std::string>{"nodes nested deeper than 24 levels, line 2.\n"});
        EXPECT_EQ(context.firstChildNode(), nullptr);
    }
}

TEST(VrmlParser, copiesOfCopiesBeyondTheMemoryLimitAreRefused) {
    std::string text = kHeader + "DEF a Coordinate3 { point 1 2 3 }\n";
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
    readVrmlText(state, first, kHeader + "Cube { fields [ SFLong width ] width 1 }\nFoo { }\nDEF x Cube { }");
    readVrmlText(state, second, kHeader + "Cube { width 1.5 }\nFoo { Cube { } }\nUSE x");
    EXPECT_TRUE(first.errors.empty());
    EXPECT_TRUE(second.errors.empty());
    EXPECT_EQ(second.tree(), "Cube");
}

TEST(VrmlReader, filesReadAsWindowsTextModeOnEveryPlatform) {
    testing::TempDir dir;
    testing::writeFile(dir.path("crlf.wrl"), "#VRML V1.0 ascii\r\n\r\nCube { width 1.5e }\r\n");
    testing::writeFile(dir.path("ctrlz.wrl"), kHeader + "Cube { }\x1A garbage {");
    RecordingContext crlf, ctrlz, missing;
    readVrmlFile(crlf, dir.path("crlf.wrl"));
    readVrmlFile(ctrlz, dir.path("ctrlz.wrl"));
    readVrmlFile(missing, dir.path("missing.wrl"));
    EXPECT_EQ(crlf.errors, std::vector<std::string>{"parse error, line 3.\n"});
    EXPECT_EQ(crlf.statuses.size(), 2u);  // reading stops at the error
    EXPECT_TRUE(ctrlz.errors.empty());
    EXPECT_EQ(ctrlz.tree(), "Cube");
    EXPECT_TRUE(missing.errors.empty() && missing.statuses.empty());
#ifndef _WIN32
    RecordingContext folder;  // opening a folder succeeds here; reading it fails
    readVrmlFile(folder, dir.root());
    EXPECT_EQ(folder.errors, std::vector<std::string>{"read() in flex scanner failed, line 1.\n"});
#endif
}

TEST(VrmlReader, everyVrmlModelLoadsAndFilesOfOtherFormatsFailWithOneMessage) {
    int files = 0;
    const std::pair<const char*, bool> folders[] = {
        {GLOWPOND_SHARED_MODELS "/vrml1", false}, {GLOWPOND_SAMPLE_MODELS, false}, {GLOWPOND_SHARED_MODELS "/bad", true}};
    for (const auto& [folder, bad] : folders) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (!bad && entry.path().extension() != ".wrl") continue;
            SCOPED_TRACE(entry.path().string());
            files += !bad;
            RecordingContext context;
            readVrmlFile(context, entry.path().string());
            EXPECT_EQ(context.errors.size(), bad ? 1u : 0u);
            EXPECT_EQ(context.firstChildNode() == nullptr, bad);
            if (!bad) {
                EXPECT_EQ(context.statuses.back(), "Read  100.0% complete");
            }
        }
    }
    EXPECT_EQ(files, 11);
}

}  // namespace
}  // namespace glowpond
