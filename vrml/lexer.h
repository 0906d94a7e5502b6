// The VRML 1.0 lexer: turns the bytes of one model file into tokens for the
// parser, counts lines, and reports progress and errors to the load context.
//
// Bytes are read in blocks into a 16384-byte buffer that lives as long as
// the lexer, so a token (number, word or string) must fit in it; comments
// and blanks may be of any length. The input is taken as Windows text mode
// delivers it on every platform: "\r\n" is one line break (also inside
// strings), and a Ctrl-Z byte ends the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "scene/node.h"
#include "vrml/node_types.h"

namespace glowpond {

// Token codes. A single character that starts no other token is its own
// code (so a NUL byte reads as the end of the input).
constexpr int kTokenEnd = 0;
constexpr int kTokenHeader = 258;   // a line starting with "#VRML"
constexpr int kTokenFloat = 259;    // value().number
constexpr int kTokenName = 260;     // value().text: any other word
constexpr int kTokenString = 261;   // value().text: without quotes, escapes resolved
constexpr int kTokenInteger = 262;  // value().integer
constexpr int kTokenDef = 263;
constexpr int kTokenUse = 264;
constexpr int kTokenFields = 265;
// Field type keywords: the FieldType code itself ("SFBitMask" 266 ... "MFString" 282).
constexpr int kTokenFieldTypeFirst = static_cast<int>(FieldType::SFBitMask);
constexpr int kTokenFieldTypeLast = static_cast<int>(FieldType::MFFloat);
// A field of the current node type: kTokenFieldNameFirst + (type code - 266),
// with value().field and value().text.
constexpr int kTokenFieldNameFirst = 284;
constexpr int kTokenFieldNameLast = 301;
constexpr int kTokenNodeType = 302;   // value().nodeType: a type without children
constexpr int kTokenGroupType = 303;  // value().nodeType: a type with children
// Not a token: the lexer has reported a fatal condition and gives no more.
constexpr int kTokenFailed = -1;

inline bool isFieldNameToken(int token) { return token >= kTokenFieldNameFirst && token <= kTokenFieldNameLast; }

// The grammar's one message: the text cannot go on with the token at hand.
extern const char* const kVrmlParseError;
// The fatal conditions, as reported through reportError.
extern const char* const kVrmlBufferOverflow;
extern const char* const kVrmlReadFailed;
extern const char* const kVrmlNoBufferMemory;

struct VrmlTokenValue {
    double number = 0.0;
    int32_t integer = 0;
    // Valid until the next token is read.
    std::string_view text;
    VrmlNodeType* nodeType = nullptr;  // the parser may declare fields on it
    const VrmlFieldDecl* field = nullptr;
};

class VrmlLexer {
public:
    static constexpr size_t kBufferSize = 16384;

    VrmlLexer();
    ~VrmlLexer();
    VrmlLexer(const VrmlLexer&) = delete;
    VrmlLexer& operator=(const VrmlLexer&) = delete;

    // Attaches an input and resets the line number, the DEF/USE name flag
    // and the current node type. `file` stays the caller's and must stay
    // open until finish(); `size` is its length in bytes, used only for the
    // progress percentage. `text` must outlive the scan. `context` (may be
    // null) receives progress and errors; `types` (may be null) answers for
    // node-type names. False, with the error reported, when there is no
    // memory for the buffer.
    bool startScanning(std::FILE* file, int64_t size, Node* context, VrmlNodeTypeTable* types);
    bool startScanning(std::string_view text, Node* context, VrmlNodeTypeTable* types);
    // Detaches the input, the context and the tables; the buffer is kept.
    void finish();

    // The next token's code; its value is in value(). After a fatal
    // condition (reported once) every call gives kTokenFailed.
    int nextToken();
    // The same, except that a word or a path (a token that starts with a
    // word character, ".", "/" or "\\") reads as a string up to blanks, a
    // line break, "#", "{", "}", "," or "]" (a bare string of the tolerant
    // reading, which departs from the grammar).
    int nextTokenOrBareString();
    const VrmlTokenValue& value() const { return value_; }

    // 1 + the line breaks read so far.
    int lineNumber() const { return line_; }
    bool failed() const { return failed_; }

    // The node type whose fields read as field-name tokens; null: none.
    void setCurrentType(const VrmlNodeType* type) { currentType_ = type; }
    const VrmlNodeType* currentType() const { return currentType_; }

    // Sends "<message>, line <n>.\n" to the context's error hook; after
    // departFromGrammar, "parse error" at the line of the departure instead.
    void reportError(const char* format, ...) GLOWPOND_PRINTF(2, 3);

    // The tolerant reading (kept across startScanning): a word of a "+" and
    // a number can be read as that number (readPlusNumber), and a string
    // can be a bare word (nextTokenOrBareString).
    void setTolerant(bool tolerant) { tolerant_ = tolerant; }
    // The token at hand is where the VRML 1.0 grammar fails, and the reader
    // goes on regardless. From then on every error is reported as the
    // grammar would have reported it: "parse error" at the line of the
    // first departure, so that a broken file fails alike in both readings.
    void departFromGrammar() {
        if (departureLine_ == 0) departureLine_ = line_;
    }
    // When the token at hand is a word that is a number with a leading "+"
    // ("+3", "+0.5e+00"): reads it as that number and gives its token code
    // (kTokenInteger or kTokenFloat, value in value()); 0 otherwise.
    int readPlusNumber();

private:
    void start(Node* context, VrmlNodeTypeTable* types, int64_t size);
    bool allocateBuffer();
    // Moves the bytes from `keepFrom` on to the front of the buffer and
    // reads more after them. False at the end of the input, and on a fatal
    // condition (then failed() is set).
    bool refill(size_t keepFrom);
    void fail(const char* message);
    void lineBreak();

    template <bool kBareString>
    int scanToken();
    // Scanners for the token starting at pos_: each returns a token code,
    // or 0 after skipping a comment. -1 asks to scan again after a refill.
    int scanComment();
    int scanString();
    int scanWordOrNumber();
    // A word that starts with "+", as scanWordOrNumber scans it, with the
    // number that readPlusNumber may read instead.
    int scanPlusWord();
    int scanBareString();
    int resolveWord(std::string_view word);

    std::unique_ptr<char[]> buffer_;  // kBufferSize bytes and two NUL sentinels
    size_t pos_ = 0;                  // next byte to scan
    size_t end_ = 0;                  // end of the bytes in the buffer
    bool atEof_ = true;

    std::FILE* file_ = nullptr;
    std::string_view text_;  // the input when there is no file
    size_t textPos_ = 0;
    int64_t size_ = 0;      // for the progress percentage
    int64_t consumed_ = 0;  // bytes taken from the input so far

    Node* context_ = nullptr;
    VrmlNodeTypeTable* types_ = nullptr;
    const VrmlNodeType* currentType_ = nullptr;
    int line_ = 1;
    bool nameNext_ = false;  // the next word follows DEF or USE
    bool failed_ = false;
    bool tolerant_ = false;
    int departureLine_ = 0;  // 0: none yet
    // The last word that started with "+", when it is a "+" and a number:
    // where it starts and ends, the number's length with the "+", and
    // whether it is an integer.
    size_t plusStart_ = 0;
    size_t plusEnd_ = 0;
    size_t plusLength_ = 0;
    bool plusInteger_ = false;
    VrmlTokenValue value_;
    std::string stringText_;  // the last string token's text
};

}  // namespace glowpond
