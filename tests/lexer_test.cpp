#include "vrml/lexer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::RecordingContext;

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

}  // namespace
}  // namespace glowpond
