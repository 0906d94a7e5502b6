// The VRML lexer.
//
// Tokens are found by longest match among ten patterns, an earlier pattern
// winning a tie: header line, comment, blanks, line break, decimal integer,
// hexadecimal integer, floating-point number, word, string, any other
// character. Numbers and words share their first characters ("1e5" is a
// number, "1e" a word, "0X1F" a word), so scanWordOrNumber measures every
// candidate and picks the longest.
//
// Sections: character classes and conversions; candidate lengths; word
// tables; input and buffer; tokens; word resolution; reporting.
#include "vrml/lexer.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_map>

#include "text/number_scan.h"

namespace glowpond {

const char* const kVrmlParseError = "parse error";
const char* const kVrmlBufferOverflow = "fatal error - scanner input buffer overflow";
const char* const kVrmlReadFailed = "read() in flex scanner failed";
const char* const kVrmlNoBufferMemory = "out of dynamic memory in yy_create_buffer()";

namespace {

// ---------------------------------------------------------------------------
// Character classes and conversions

constexpr uint8_t kDigit = 1;
constexpr uint8_t kHexDigit = 2;
constexpr uint8_t kWordChar = 4;
constexpr uint8_t kBlank = 8;

constexpr std::array<uint8_t, 256> makeClasses() {
    std::array<uint8_t, 256> classes{};
    for (int c = '0'; c <= '9'; ++c) classes[c] |= kDigit | kHexDigit | kWordChar;
    for (int c = 'a'; c <= 'z'; ++c) classes[c] |= kWordChar;
    for (int c = 'A'; c <= 'Z'; ++c) classes[c] |= kWordChar;
    for (int c = 'a'; c <= 'f'; ++c) classes[c] |= kHexDigit;
    for (int c = 'A'; c <= 'F'; ++c) classes[c] |= kHexDigit;
    for (int c : {'_', '-', '+', '!', '&', '*', '~'}) classes[c] |= kWordChar;
    // Bytes beyond ASCII count as letters, so that names written in other
    // alphabets stay one word.
    for (int c = 128; c < 256; ++c) classes[c] |= kWordChar;
    classes[' '] |= kBlank;
    classes['\t'] |= kBlank;
    return classes;
}

constexpr std::array<uint8_t, 256> kClasses = makeClasses();

inline bool is(char c, uint8_t charClass) { return (kClasses[static_cast<unsigned char>(c)] & charClass) != 0; }

constexpr int kRescan = -2;  // a scanner refilled the buffer or skipped a comment
constexpr int kNoBareString = -3;  // scanBareString: scan the token as usual

// Integers are 32-bit on every platform; values beyond the range saturate
// to its ends, as a 32-bit strtol does.
int32_t decimalValue(const char* text, size_t length) {
    const bool negative = text[0] == '-';
    int64_t value = 0;
    for (size_t i = negative ? 1 : 0; i < length; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{1} << 31) value = int64_t{1} << 31;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

// "0x" and up to eight digits give the 32-bit pattern (0xFFFFFFFF is -1, as
// image pixels are written); larger values saturate to 0xFFFFFFFF.
int32_t hexValue(const char* text, size_t length) {
    uint64_t value = 0;
    for (size_t i = 2; i < length; ++i) {
        const char c = text[i];
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        value = value * 16 + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;
    }
    return static_cast<int32_t>(static_cast<int64_t>(value) - (value > 0x7FFFFFFFu ? (int64_t{1} << 32) : 0));
}

// What "%lf" would read, correctly rounded on every platform (overflow an
// infinity, underflow zero or a subnormal). A text without digits ("-",
// ".", "E5") reads as 0.
double floatValue(const char* text, size_t length) {
    double value = 0.0;
    scanDouble(text, text + length, value);
    return value;
}

// ---------------------------------------------------------------------------
// Candidate lengths for scanWordOrNumber: each is 0 when its pattern does
// not match at `p`. The buffer's NUL sentinels stop every scan.

size_t wordLength(const char* p) {
    size_t length = 0;
    while (is(p[length], kWordChar)) ++length;
    return length;
}

size_t decimalLength(const char* p) {
    const size_t digitsFrom = p[0] == '-' ? 1 : 0;
    size_t length = digitsFrom;
    while (is(p[length], kDigit)) ++length;
    return length == digitsFrom ? 0 : length;
}

size_t hexLength(const char* p) {
    if (p[0] != '0' || p[1] != 'x' || !is(p[2], kHexDigit)) return 0;
    size_t length = 3;
    while (is(p[length], kHexDigit)) ++length;
    return length;
}

// -? digits* .? digits* ([eE] [+-]? digits+)?. `examined` receives how far
// the scan looked, which is beyond the match when an exponent has no digits.
// Kept inline in the number scan, which it dominates, although the rare
// "+" numbers call it too.
[[gnu::always_inline]] inline size_t realLength(const char* p, size_t& examined) {
    size_t length = p[0] == '-' ? 1 : 0;
    while (is(p[length], kDigit)) ++length;
    if (p[length] == '.') ++length;
    while (is(p[length], kDigit)) ++length;
    examined = length;
    if (p[length] == 'e' || p[length] == 'E') {
        size_t exponent = length + 1;
        if (p[exponent] == '+' || p[exponent] == '-') ++exponent;
        examined = exponent;
        if (is(p[exponent], kDigit)) {
            while (is(p[exponent], kDigit)) ++exponent;
            length = examined = exponent;
        }
    }
    return length;
}

// A "+" and a number, as the tolerant reading takes it: digits, or a "."
// and digits, after the "+", then the longest decimal or real number.
// `examined` as for realLength; `integer` tells which of the two matched.
[[gnu::noinline]] size_t plusNumberLength(const char* p, size_t& examined, bool& integer) {
    const char* number = p + 1;
    if (!is(number[0], kDigit) && !(number[0] == '.' && is(number[1], kDigit))) {
        examined = 0;
        return 0;
    }
    const size_t decimal = decimalLength(number);
    const size_t real = realLength(number, examined);
    examined = 1 + std::max(examined, decimal);
    integer = decimal >= real;
    return 1 + std::max(decimal, real);
}

// Where a bare string ends: where a comment, a list or a body would go on.
bool endsBareString(char c) {
    return is(c, kBlank) || c == '\n' || c == '\r' || c == '\0' || c == '#' || c == '{' || c == '}' || c == ',' ||
           c == ']';
}

// A bare string is a word or a path ("../maps/wood.jpg", "\\server\\x.jpg").
bool startsBareString(char c) { return is(c, kWordChar) || c == '.' || c == '/' || c == '\\'; }

// ---------------------------------------------------------------------------
// Word tables

int keywordToken(std::string_view word) {
    static const std::unordered_map<std::string_view, int> keywords = {
        {"DEF", kTokenDef},
        {"USE", kTokenUse},
        {"fields", kTokenFields},
        {"SFBitMask", static_cast<int>(FieldType::SFBitMask)},
        {"SFBool", static_cast<int>(FieldType::SFBool)},
        {"SFColor", static_cast<int>(FieldType::SFColor)},
        {"SFEnum", static_cast<int>(FieldType::SFEnum)},
        {"SFFloat", static_cast<int>(FieldType::SFFloat)},
        {"SFImage", static_cast<int>(FieldType::SFImage)},
        {"SFLong", static_cast<int>(FieldType::SFLong)},
        {"SFMatrix", static_cast<int>(FieldType::SFMatrix)},
        {"SFRotation", static_cast<int>(FieldType::SFRotation)},
        {"SFString", static_cast<int>(FieldType::SFString)},
        {"SFVec2f", static_cast<int>(FieldType::SFVec2f)},
        {"SFVec3f", static_cast<int>(FieldType::SFVec3f)},
        {"MFColor", static_cast<int>(FieldType::MFColor)},
        {"MFLong", static_cast<int>(FieldType::MFLong)},
        {"MFVec2f", static_cast<int>(FieldType::MFVec2f)},
        {"MFVec3f", static_cast<int>(FieldType::MFVec3f)},
        {"MFString", static_cast<int>(FieldType::MFString)},
        // MFFloat has no keyword: such fields exist only in the node-type table.
    };
    auto found = keywords.find(word);
    return found == keywords.end() ? 0 : found->second;
}

// The enumeration keywords, which read as integers wherever they appear.
bool symbolValue(std::string_view word, int32_t& value) {
    static const std::unordered_map<std::string_view, int32_t> symbols = [] {
        std::unordered_map<std::string_view, int32_t> table;
        for (const EnumKeyword* k = enumKeywordsBegin(); k != enumKeywordsEnd(); ++k) table.emplace(k->name, k->value);
        return table;
    }();
    auto found = symbols.find(word);
    if (found == symbols.end()) return false;
    value = found->second;
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Input and buffer

VrmlLexer::VrmlLexer() = default;
VrmlLexer::~VrmlLexer() = default;

bool VrmlLexer::allocateBuffer() {
    if (!buffer_) buffer_.reset(new (std::nothrow) char[kBufferSize + 2]);
    if (!buffer_) {
        fail(kVrmlNoBufferMemory);
        return false;
    }
    buffer_[0] = buffer_[1] = '\0';
    return true;
}

void VrmlLexer::start(Node* context, VrmlNodeTypeTable* types, int64_t size) {
    context_ = context;
    types_ = types;
    currentType_ = nullptr;
    size_ = size;
    consumed_ = 0;
    pos_ = end_ = 0;
    atEof_ = false;
    line_ = 1;
    nameNext_ = false;
    failed_ = false;
    departureLine_ = 0;
    plusLength_ = 0;
    value_ = VrmlTokenValue();
}

bool VrmlLexer::startScanning(std::FILE* file, int64_t size, Node* context, VrmlNodeTypeTable* types) {
    start(context, types, size);
    file_ = file;
    text_ = {};
    return allocateBuffer();
}

bool VrmlLexer::startScanning(std::string_view text, Node* context, VrmlNodeTypeTable* types) {
    start(context, types, static_cast<int64_t>(text.size()));
    file_ = nullptr;
    text_ = text;
    textPos_ = 0;
    return allocateBuffer();
}

void VrmlLexer::finish() {
    file_ = nullptr;
    text_ = {};
    context_ = nullptr;
    types_ = nullptr;
    currentType_ = nullptr;
    atEof_ = true;
    pos_ = end_ = 0;
    if (buffer_) buffer_[0] = buffer_[1] = '\0';
}

bool VrmlLexer::refill(size_t keepFrom) {
    if (atEof_ || failed_) return false;
    const size_t kept = end_ - keepFrom;
    if (kept >= kBufferSize) {
        fail(kVrmlBufferOverflow);
        return false;
    }
    char* buffer = buffer_.get();
    std::memmove(buffer, buffer + keepFrom, kept);
    pos_ -= keepFrom;
    end_ = kept;

    plusLength_ = 0;
    const size_t wanted = kBufferSize - kept;
    size_t got = 0;
    if (file_) {
        got = std::fread(buffer + kept, 1, wanted, file_);
        if (got < wanted) {
            if (std::ferror(file_)) {
                buffer[end_] = buffer[end_ + 1] = '\0';
                fail(kVrmlReadFailed);
                return false;
            }
            atEof_ = true;
        }
    } else {
        got = std::min(wanted, text_.size() - textPos_);
        std::memcpy(buffer + kept, text_.data() + textPos_, got);
        textPos_ += got;
        if (textPos_ == text_.size()) atEof_ = true;
    }
    consumed_ += static_cast<int64_t>(got);
    // Ctrl-Z is where Windows text mode stops reading.
    if (const void* stop = std::memchr(buffer + kept, 0x1A, got)) {
        got = static_cast<size_t>(static_cast<const char*>(stop) - (buffer + kept));
        atEof_ = true;
    }
    end_ += got;
    buffer[end_] = buffer[end_ + 1] = '\0';
    return got > 0;
}

// ---------------------------------------------------------------------------
// Tokens

int VrmlLexer::nextToken() { return scanToken<false>(); }
int VrmlLexer::nextTokenOrBareString() { return scanToken<true>(); }

template <bool kBareString>
[[gnu::always_inline]] inline int VrmlLexer::scanToken() {
    assert(buffer_ && "startScanning comes first");
    for (;;) {
        if (failed_) return kTokenFailed;
        const char c = buffer_[pos_];
        if (is(c, kBlank)) {
            ++pos_;
            continue;
        }
        int token = kRescan;
        switch (c) {
            case '\n':
                ++pos_;
                lineBreak();
                continue;
            case '\r':
                if (pos_ + 1 >= end_ && !atEof_) {
                    refill(pos_);  // is a "\n" next?
                    continue;
                }
                pos_ += (pos_ + 1 < end_ && buffer_[pos_ + 1] == '\n') ? 2 : 1;
                lineBreak();
                continue;
            case '\0':
                if (pos_ < end_) {  // a NUL byte in the file
                    ++pos_;
                    return kTokenEnd;
                }
                if (refill(end_)) continue;
                return failed_ ? kTokenFailed : kTokenEnd;
            case '#':
                token = scanComment();
                break;
            case '"':
                token = scanString();
                break;
            default:
                if (kBareString && startsBareString(c) && (token = scanBareString()) != kNoBareString) {
                    break;
                }
                if (is(c, kWordChar) || c == '.') {
                    // Only words start with "+".
                    token = c == '+' && tolerant_ ? scanPlusWord() : scanWordOrNumber();
                } else {
                    ++pos_;
                    return static_cast<unsigned char>(c);
                }
        }
        if (token != kRescan) return token;
    }
}

int VrmlLexer::scanComment() {
    if (end_ - pos_ < 5 && !atEof_) {
        refill(pos_);
        return kRescan;
    }
    const bool header = end_ - pos_ >= 5 && std::memcmp(&buffer_[pos_], "#VRML", 5) == 0;
    // The comment's text is not kept, so it may be longer than the buffer.
    for (;;) {
        const char* p = &buffer_[pos_];
        const char* stop = &buffer_[end_];
        while (p < stop && *p != '\n' && *p != '\r') ++p;
        pos_ = static_cast<size_t>(p - buffer_.get());
        if (pos_ < end_ || !refill(end_)) break;
    }
    if (failed_) return kTokenFailed;
    return header ? kTokenHeader : kRescan;
}

int VrmlLexer::scanString() {
    const char* p = &buffer_[pos_];
    const size_t available = end_ - pos_;
    size_t close = 1;
    while (close < available && p[close] != '"') close += p[close] == '\\' ? 2 : 1;
    if (close >= available) {
        if (!atEof_) {
            refill(pos_);
            return kRescan;
        }
        ++pos_;  // no closing quote before the end: the quote is a character of its own
        return '"';
    }
    // A "\r\n" reads as "\n", as in Windows text mode, also after a backslash.
    // Every backslash has its pair before `close`: the scan above skipped both.
    stringText_.clear();
    for (size_t i = 1; i < close; ++i) {
        char c = p[i];
        if (c == '\\') {
            c = p[++i];
            if (c == 'n') c = '\n';
            else if (c == 'r') c = '\r';
            else if (c == 't') c = '\t';
        }
        if (c == '\r' && p[i] == '\r' && i + 1 < close && p[i + 1] == '\n') c = p[++i];
        stringText_.push_back(c);
    }
    pos_ += close + 1;
    value_.text = stringText_;
    return kTokenString;
}

int VrmlLexer::scanWordOrNumber() {
    const char* p = &buffer_[pos_];
    size_t examined = 0;
    const size_t real = realLength(p, examined);
    // Most tokens are numbers followed by a character no word takes: then no
    // other candidate is longer, and an integer wins the tie with a real.
    if (real > 0 && !is(p[real], kWordChar) && (pos_ + examined < end_ || atEof_)) {
        pos_ += real;
        if (decimalLength(p) == real) {
            value_.integer = decimalValue(p, real);
            return kTokenInteger;
        }
        value_.number = floatValue(p, real);
        return kTokenFloat;
    }
    const size_t word = wordLength(p), decimal = decimalLength(p), hex = hexLength(p);

    // A candidate that ran into the end of the buffer may go on after it.
    if (pos_ + std::max(word, examined) >= end_ && !atEof_) {
        refill(pos_);
        return kRescan;
    }

    const size_t longest = std::max(std::max(decimal, hex), std::max(real, word));
    pos_ += longest;
    if (decimal == longest) {
        value_.integer = decimalValue(p, longest);
        return kTokenInteger;
    }
    if (hex == longest) {
        value_.integer = hexValue(p, longest);
        return kTokenInteger;
    }
    if (real == longest) {
        value_.number = floatValue(p, longest);
        return kTokenFloat;
    }
    return resolveWord(std::string_view(p, longest));
}

int VrmlLexer::scanPlusWord() {
    size_t examined = 0;
    bool integer = false;
    size_t plus = plusNumberLength(&buffer_[pos_], examined, integer);
    if (examined >= kBufferSize) {
        plus = 0;  // one that the buffer cannot hold stays a word, as the grammar reads it
    } else if (pos_ + examined >= end_ && !atEof_) {
        refill(pos_);
        return kRescan;
    }
    const size_t start = pos_;
    const int token = scanWordOrNumber();
    if (token == kRescan) return token;
    plusStart_ = start;
    plusEnd_ = pos_;
    plusLength_ = plus >= pos_ - start ? plus : 0;
    plusInteger_ = integer;
    return token;
}

int VrmlLexer::readPlusNumber() {
    // Only while that word is the last token read, so that its number is
    // still in the buffer (a refill forgets it).
    if (plusLength_ == 0 || pos_ != plusEnd_) return 0;
    const char* number = &buffer_[plusStart_ + 1];
    const size_t length = plusLength_ - 1;
    pos_ = plusStart_ + plusLength_;
    plusLength_ = 0;
    if (plusInteger_) {
        value_.integer = decimalValue(number, length);
        return kTokenInteger;
    }
    value_.number = floatValue(number, length);
    return kTokenFloat;
}

int VrmlLexer::scanBareString() {
    const char* p = &buffer_[pos_];
    size_t length = 0;
    while (!endsBareString(p[length])) ++length;
    if (pos_ + length >= end_ && !atEof_) {
        // One that the buffer cannot hold is scanned as the grammar scans it.
        if (end_ - pos_ >= kBufferSize) return kNoBareString;
        refill(pos_);
        return kRescan;
    }
    departFromGrammar();
    pos_ += length;
    value_.text = std::string_view(p, length);
    return kTokenString;
}

// ---------------------------------------------------------------------------
// Word resolution

int VrmlLexer::resolveWord(std::string_view word) {
    value_.text = word;
    if (nameNext_) {  // a DEF or USE name may be any word, even a keyword
        nameNext_ = false;
        return kTokenName;
    }
    if (const int keyword = keywordToken(word)) {
        nameNext_ = keyword == kTokenDef || keyword == kTokenUse;
        return keyword;
    }
    if (symbolValue(word, value_.integer)) return kTokenInteger;
    if (types_) {
        if (VrmlNodeType* type = types_->find(word)) {
            value_.nodeType = type;
            return type->grouping ? kTokenGroupType : kTokenNodeType;
        }
    }
    if (currentType_) {
        if (const VrmlFieldDecl* field = currentType_->findField(word)) {
            value_.field = field;
            return kTokenFieldNameFirst + (static_cast<int>(field->type) - kTokenFieldTypeFirst);
        }
    }
    return kTokenName;
}

// ---------------------------------------------------------------------------
// Reporting

void VrmlLexer::lineBreak() {
    ++line_;
    if (context_) {
        // The position moves a buffer at a time, so lines within one buffer
        // repeat the same figure.
        const double percent = size_ > 0 ? 100.0 * static_cast<double>(consumed_) / static_cast<double>(size_) : 0.0;
        context_->status("Read %6.1f%% complete", percent);
    }
}

void VrmlLexer::fail(const char* message) {
    failed_ = true;
    reportError("%s", message);
}

void VrmlLexer::reportError(const char* format, ...) {
    if (!context_) return;
    if (departureLine_ != 0) {
        context_->error("%s, line %d.\n", kVrmlParseError, departureLine_);
        return;
    }
    char message[512];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    context_->error("%s, line %d.\n", message, line_);
}

}  // namespace glowpond
