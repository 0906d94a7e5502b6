// The VRML reader: the lexer's tokens, the parser in both readings, and files.
#include "vrml/parser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "scene/properties.h"
#include "scene/shapes.h"
#include "tests/scene_test_support.h"
#include "tests/test_support.h"
#include "vrml/lexer.h"

namespace glowpond {
namespace {

using namespace testing;

// A token as "int 17", "name point", "field point 281", "'{'" and so on.
std::string describe(int token, const VrmlTokenValue& value) {
    if (token < 256) return std::string("'") + static_cast<char>(token) + "'";
    if (token == kTokenInteger) return "int " + std::to_string(value.integer);
    if (token == kTokenHeader) return "header";
    if (token == kTokenNodeType) return "node " + value.nodeType->name;
    if (token == kTokenGroupType) return "group " + value.nodeType->name;
    if (token == kTokenFloat) {
        char number[32];
        std::snprintf(number, sizeof number, "float %g", value.number);
        return number;
    }
    const std::string text(value.text);  // the rest are words: names, strings, fields and keywords
    if (isFieldNameToken(token)) return "field " + text + ' ' + std::to_string(static_cast<int>(value.field->type));
    return (token == kTokenName ? "name " : token == kTokenString ? "string " : "keyword ") + text;
}

struct Lexed {
    std::vector<std::string> tokens;
    std::vector<int> lines;  // the line number after each token
    int last = 0;            // the token that ended the scan
};

// Every token of `text`, with the fields of `currentType` (if any) known.
Lexed lex(const std::string& text, const char* currentType = nullptr, RecordingContext* context = nullptr) {
    VrmlNodeTypeTable types;
    types.registerStandardTypes();
    VrmlLexer lexer;
    lexer.startScanning(text, context, &types);
    if (currentType) lexer.setCurrentType(types.find(currentType));
    Lexed lexed;
    while ((lexed.last = lexer.nextToken()) > 0) {
        lexed.tokens.push_back(describe(lexed.last, lexer.value()));
        lexed.lines.push_back(lexer.lineNumber());
    }
    return lexed;
}

using Tokens = std::vector<std::string>;

TEST(VrmlLexer, numbersAndWordsTakeTheLongestMatchAndWordsResolveByKindUnlessTheyFollowDefOrUse) {
    EXPECT_EQ(lex("017 0x1F 0X1F -0x1f +7 -0 1e5 1e E5 - . 3abc a-b 1-2 +1.5 a.b 1e-5x 2.5E-1").tokens,
              (Tokens{"int 17", "int 31", "name 0X1F", "name -0x1f", "name +7", "int 0", "float 100000", "name 1e",
                      "float 0", "float 0", "float 0", "name 3abc", "name a-b", "name 1-2", "name +1", "float 0.5",
                      "name a", "float 0", "name b", "name 1e-5x", "float 0.25"}));
    // Integers are 32-bit and saturate on every platform; so do floats.
    EXPECT_EQ(lex("2147483648 -99999999999 0xffffffff 0x7FFFFFFF 0x123456789").tokens,
              (Tokens{"int 2147483647", "int -2147483648", "int -1", "int 2147483647", "int -1"}));
    EXPECT_EQ(lex("1e999 -1e999 1e-999 1" + std::string(400, '0') + "e-5").tokens,
              (Tokens{"float inf", "float -inf", "float 0", "float inf"}));
    // Words resolve as keywords, constants, node types and fields, unless they follow DEF or USE.
    const Lexed words = lex("DEF Separator Separator USE fields fields SFFloat MFFloat TRUE ALL PER_VERTEX_INDEXED "
                            "point Cube", "Coordinate3");
    EXPECT_EQ(words.tokens, (Tokens{"keyword DEF", "name Separator", "group Separator", "keyword USE", "name fields",
                                    "keyword fields", "keyword SFFloat", "name MFFloat", "int 1", "int 7", "int 128",
                                    "field point 281", "node Cube"}));
    EXPECT_EQ(lex("point").tokens, (Tokens{"name point"}));
    EXPECT_EQ(lex("#VRML V1.0 ascii\n# hello { [\nCube # not { a token\n#VRMLx\r# tail").tokens,
              (Tokens{"header", "node Cube", "header"}));
}

TEST(VrmlLexer, countsLineBreaksResolvesEscapesAndEndsAtCtrlZNulOrATokenLongerThanTheBuffer) {
    EXPECT_EQ(lex("a\nb\r\nc\rd\n\re").lines, (std::vector<int>{1, 2, 3, 4, 6}));
    const Lexed strings = lex("\"a\\\"b\" \"x\\ny\\tz\\\\\\q\" \"two\nlines\r\nend\\\r\n\" x\n\"open");
    EXPECT_EQ(strings.tokens, (Tokens{"string a\"b", "string x\ny\tz\\q", "string two\nlines\nend\n", "name x",
                                      "'\"'", "name open"}));
    EXPECT_EQ(strings.lines, (std::vector<int>{1, 1, 1, 1, 2, 2}));
    const Lexed stopped = lex("Cube\x1A Sphere");
    EXPECT_EQ(std::make_pair(stopped.tokens, stopped.last), std::make_pair(Tokens{"node Cube"}, kTokenEnd));
    EXPECT_EQ(lex(std::string("Cube\0Sphere", 11)).tokens, (Tokens{"node Cube"}));

    // Tokens cut by a buffer refill read whole, but one longer than the buffer fails the file.
    const std::string tokens = "-12.5e1 0x1F \"s\\\"\" +7\r\n#VRML\n1e";
    for (size_t before = 1; before <= 32; ++before) {  // the cut falls in every token in turn
        SCOPED_TRACE(before);
        const Lexed lexed = lex(std::string(VrmlLexer::kBufferSize - before, ' ') + tokens);
        EXPECT_EQ(lexed.tokens, (Tokens{"float -125", "int 31", "string s\"", "name +7", "header", "name 1e"}));
        EXPECT_EQ(lexed.lines.back(), 3);
    }
    // Comments may be longer.
    EXPECT_EQ(lex("# " + std::string(100000, 'x') + "\nCube").tokens, (Tokens{"node Cube"}));
    EXPECT_EQ(lex(std::string(16000, 'w')).tokens.size(), 1u);
    for (const std::string& text : {std::string(100000, 'w'), "\"" + std::string(100000, 's') + "\""}) {
        RecordingContext context;
        EXPECT_EQ(lex("Cube\n" + text, nullptr, &context).last, kTokenFailed);
        EXPECT_EQ(context.errors, (std::vector<std::string>{"fatal error - scanner input buffer overflow, line 2.\n"}));
    }
}

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
        // A bare string is a word or a path, and ends where a body or a list goes on.
        {kVrmlHeader + "Info { string , }", 2}, {kVrmlHeader + "Info { string ( }", 2},
        {kVrmlHeader + "Texture2 { filename wood.jpg{ } }", 2},
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
        {"Texture2 { filename ../textures/wood.jpg wrapS CLAMP } WWWAnchor { name\n  http://x.org/a.wrl#view\n }\n"
         "Texture2 { description Plan\n filename C:\\maps\\wood.jpg} Texture2 { filename wood.jpg# bark {\n }" +
         triangle, 2,
         "Texture2 { filename \"a\" wrapS CLAMP } WWWAnchor { name \"a\" } Texture2 { filename \"b\" } "
         "Texture2 { filename \"c\" }" + triangle, " Skipped unknown field 'description', line 5."},
        // Field descriptions, as Inventor writes them, and the format's own example of an extension.
        {"Material { fields [ MFColor diffuseColor,\n MFFloat shininess ] diffuseColor 1 0 0 shininess 0.3 }" +
         triangle, 3, "Material { diffuseColor 1 0 0 shininess 0.3 }" + triangle, ""},
        {"ExtendedMaterial {\n fields [ MFString isA, MFFloat indexOfRefraction, MFColor diffuseColor ]\n"
         " isA [ \"Material\" ] indexOfRefraction .34 diffuseColor .8 .54 1 }" + triangle, 3,
         "Material { diffuseColor .8 .54 1 }" + triangle, ""},
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

TEST(VrmlParser, aNodeOfTheFilesOwnTypeActsAsTheFirstKnownTypeItIsAKindOfInTheTolerantReadingOnly) {
    // The values of the fields both types have, with the same type, are taken; isA may come last.
    const std::string text = kVrmlHeader +
                             "Crate { fields [ SFFloat width, SFLong height, MFString isA ] width 10 height 3\n"
                             "  isA [ \"AsciiText\", \"Cube\" ] }\n"
                             "Crate { isA \"Cube\" width 4 }\n"
                             "Shelf { fields [ MFString isA ] isA \"Separator\" Cube { } }\n"
                             "Thing { fields [ MFString isA ] isA [ \"Nothing\", \"Shelf\" ] }\n"
                             "DEF c Crate { isA \"Cube\" } USE c";
    const auto strict = readText(text, VrmlReading::Strict), tolerant = readText(text);
    EXPECT_TRUE(strict->errors.empty() && tolerant->errors.empty());
    EXPECT_EQ(treeOf(*strict), "");
    EXPECT_EQ(treeOf(*tolerant), "Cube Cube Separator(Cube) Cube#c Cube#c");
    EXPECT_EQ(std::make_tuple(childAt<Cube>(*tolerant, 0).width(), childAt<Cube>(*tolerant, 0).height(),
                              childAt<Cube>(*tolerant, 1).width()),
              std::make_tuple(10.0, 2.0, 4.0));
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
                                 "Cube2 { fields [ SFFloat width ] width 10 }\n"
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

OpenedFile opened(const std::string& path) { return OpenedFile(std::fopen(path.c_str(), "rb")); }

TEST(VrmlReader, filesReadAsWindowsTextModeOnEveryPlatform) {
    testing::TempDir dir;
    RecordingContext crlf, missing;
    const std::string crlfFile = "#VRML V1.0 ascii\r\n\r\nCube { width 1.5e }\r\n";
    readVrmlFile(crlf, opened(testing::writeFile(dir.path("crlf.wrl"), crlfFile)).get());
    readVrmlFile(missing, nullptr);
    // Reading stops at the error.
    EXPECT_EQ(std::make_pair(crlf.errors, crlf.statuses.size()), std::make_pair(parseErrorAt(3), size_t{2}));
    EXPECT_TRUE(missing.errors.empty() && missing.statuses.empty());
#ifndef _WIN32
    RecordingContext folder;  // opening a folder succeeds here; reading it fails
    readVrmlFile(folder, opened(dir.root()).get());
    EXPECT_EQ(folder.errors, std::vector<std::string>{"read() in flex scanner failed, line 1.\n"});
#endif
}

}  // namespace
}  // namespace glowpond
