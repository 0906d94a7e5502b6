#include "vrml/lexer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/vrml_test_support.h"

namespace glowpond {
namespace {

using testing::RecordingContext;

std::string describe(int token, const VrmlTokenValue& value) {
    std::ostringstream text;
    if (token == kTokenInteger) {
        text << "int " << value.integer;
    } else if (token == kTokenFloat) {
        text << "float " << value.number;
    } else if (token == kTokenName) {
        text << "name " << value.text;
    } else if (token == kTokenString) {
        text << "string " << value.text;
    } else if (token >= kTokenFieldTypeFirst && token <= kTokenFieldTypeLast) {
        text << "keyword " << value.text;
    } else if (isFieldNameToken(token)) {
        text << "field " << value.text << ' ' << static_cast<int>(value.field->type);
    } else if (token == kTokenNodeType || token == kTokenGroupType) {
        text << (token == kTokenNodeType ? "node " : "group ") << value.nodeType->name;
    } else if (token >= 256) {
        text << (token == kTokenHeader ? "header" : token == kTokenDef ? "DEF" : token == kTokenUse ? "USE" : "fields");
    } else {
        text << '\'' << static_cast<char>(token) << '\'';
    }
    return text.str();
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

TEST(VrmlLexer, numbersAndWordsTakeTheLongestMatchWithEarlierRulesWinningTies) {
    EXPECT_EQ(lex("017 0x1F 0X1F -0x1f +7 -0 1e5 1e E5 - . 3abc a-b 1-2 +1.5 a.b 1e-5x 2.5E-1").tokens,
              (Tokens{"int 17", "int 31", "name 0X1F", "name -0x1f", "name +7", "int 0", "float 100000", "name 1e",
                      "float 0", "float 0", "float 0", "name 3abc", "name a-b", "name 1-2", "name +1", "float 0.5",
                      "name a", "float 0", "name b", "name 1e-5x", "float 0.25"}));
}

TEST(VrmlLexer, integersAreThirtyTwoBitsAndSaturateOnEveryPlatform) {
    EXPECT_EQ(lex("2147483647 2147483648 -2147483648 -99999999999 0xffffffff 0x7FFFFFFF 0x123456789").tokens,
              (Tokens{"int 2147483647", "int 2147483647", "int -2147483648", "int -2147483648", "int -1",
                      "int 2147483647", "int -1"}));
    EXPECT_EQ(lex("1e999 -1e999 1e-999 1" + std::string(400, '0') + "e-5").tokens,
              (Tokens{"float inf", "float -inf", "float 0", "float inf"}));
}

TEST(VrmlLexer, wordsResolveAsKeywordsConstantsNodeTypesAndFieldsUnlessTheyFollowDefOrUse) {
    EXPECT_EQ(lex("DEF Separator Separator USE fields fields SFFloat MFFloat TRUE ALL PER_VERTEX_INDEXED point Cube",
                  "Coordinate3")
                  .tokens,
              (Tokens{"DEF", "name Separator", "group Separator", "USE", "name fields", "fields", "keyword SFFloat",
                      "name MFFloat", "int 1", "int 7", "int 128", "field point 281", "node Cube"}));
    EXPECT_EQ(lex("point").tokens, (Tokens{"name point"}));
}

TEST(VrmlLexer, commentsAndHeaderLinesRunToTheEndOfTheirLine) {
    EXPECT_EQ(lex("#VRML V1.0 ascii\n# hello { [\nCube # not { a token\n#VRMLx\r# tail").tokens,
              (Tokens{"header", "node Cube", "header"}));
}

TEST(VrmlLexer, stringsResolveEscapesAndSpanLinesWithoutCountingThem) {
    const Lexed lexed = lex("\"a\\\"b\" \"x\\ny\\tz\\\\\\q\" \"two\nlines\r\nend\\\r\n\" x\n\"open");
    EXPECT_EQ(lexed.tokens, (Tokens{"string a\"b", "string x\ny\tz\\q", "string two\nlines\nend\n", "name x", "'\"'",
                                    "name open"}));
    EXPECT_EQ(lexed.lines, (std::vector<int>{1, 1, 1, 1, 2, 2}));
}

TEST(VrmlLexer, everyKindOfLineBreakCountsOneLineAndReportsProgress) {
    RecordingContext context;
    const Lexed lexed = lex("a\nb\r\nc\rd\n\re", nullptr, &context);
    EXPECT_EQ(lexed.lines, (std::vector<int>{1, 2, 3, 4, 6}));
    EXPECT_EQ(context.statuses, std::vector<std::string>(5, "Read  100.0% complete"));
}

TEST(VrmlLexer, ctrlZAndNulBytesEndTheInput) {
    const Lexed stopped = lex("Cube\x1A Sphere");
    EXPECT_EQ(stopped.tokens, (Tokens{"node Cube"}));
    EXPECT_EQ(stopped.last, kTokenEnd);
    EXPECT_EQ(lex(std::string("Cube\0Sphere", 11)).tokens, (Tokens{"node Cube"}));
}

TEST(VrmlLexer, tokensCutByABufferRefillReadWhole) {
    for (size_t before = 1; before <= 32; ++before) {  // the cut falls in every token in turn
        const std::string text =
            std::string(VrmlLexer::kBufferSize - before, ' ') + "-12.5e1 0x1F \"s\\\"\" +7\r\n#VRML\n1e";
        const Lexed lexed = lex(text);
        EXPECT_EQ(lexed.tokens, (Tokens{"float -125", "int 31", "string s\"", "name +7", "header", "name 1e"}))
            << before;
        EXPECT_EQ(lexed.lines.back(), 3) << before;
    }
}

TEST(VrmlLexer, aTokenLongerThanTheBufferFailsTheFileButCommentsMayBeLonger) {
    EXPECT_EQ(lex("# " + std::string(100000, 'x') + "\nCube").tokens, (Tokens{"node Cube"}));
    EXPECT_EQ(lex(std::string(16000, 'w')).tokens.size(), 1u);
    for (const std::string& text : {std::string(100000, 'w'), "\"" + std::string(100000, 's') + "\""}) {
        RecordingContext context;
        EXPECT_EQ(lex("Cube\n" + text, nullptr, &context).last, kTokenFailed);
        EXPECT_EQ(context.errors, (std::vector<std::string>{"fatal error - scanner input buffer overflow, line 2.\n"}));
    }
}

TEST(VrmlLexer, progressAdvancesOneBufferAtATime) {
    RecordingContext context;
    std::string lines;
    for (int i = 0; i < 20000; ++i) lines += "0\n";
    lex(lines, nullptr, &context);
    ASSERT_EQ(context.statuses.size(), 20000u);
    EXPECT_EQ(context.statuses.front(), "Read   41.0% complete");  // 16384 of 40000 bytes
    EXPECT_EQ(context.statuses[8191], "Read   41.0% complete");
    EXPECT_EQ(context.statuses[8192], "Read   81.9% complete");
    EXPECT_EQ(context.statuses.back(), "Read  100.0% complete");
}

}  // namespace
}  // namespace glowpond
