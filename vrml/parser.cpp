// The VRML parser: recursive descent over the lexer's tokens.
//
// It reads a token only when the grammar needs it, so the lexer always
// resolves words against the node type whose body is open at that point
// (a field name inside a body, a plain word outside), and it stops at the
// first token that cannot continue the text read so far: the same token at
// which a table-driven LR parser of the grammar reports its error.
//
// The tolerant reading takes its own way only at such a token, and tells
// the lexer so (departFromGrammar), which keeps later errors as the strict
// reading reports them. The one place where it looks two tokens ahead is a
// word in a node body: a node when "{" follows, a field otherwise.
//
// Sections: the parser (file, nodes, declarations, field values, skipping);
// the reader entries.
#include "vrml/parser.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <utility>
#include <vector>


namespace glowpond {

const char* const kVrmlNestingTooDeep = "nodes nested deeper than 24 levels";
const char* const kVrmlOutOfMemory = "out of memory";

namespace {

// An SFString or MFString element keeps at most this many characters.
constexpr size_t kMaxStringChars = 1024;

// Estimated heap bytes of one node without its arrays, for the USE limit.
constexpr int64_t kNodeBytes = 256;

bool isNodeStart(int token) {
    return token == kTokenDef || token == kTokenUse || token == kTokenNodeType || token == kTokenGroupType ||
           token == kTokenName;
}

// Tokens that the lexer made of a word, DEF and USE apart.
bool isWord(int token) { return token == kTokenName || (token >= kTokenFields && token <= kTokenGroupType); }

// Types whose fields are known: the VRML 1.0 ones, and those a file described.
bool knowsFields(const VrmlNodeType& type) { return !type.fromFile || type.fieldCount > 0; }

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Node names start with a letter.
std::string nodeName(const std::string& defName) {
    return isAsciiLetter(defName[0]) ? defName : "G" + defName;
}

// Appends `node` (if any) to the chain that starts at `head`.
void appendTo(std::unique_ptr<Node>& head, std::unique_ptr<Node> node) {
    if (!node) return;
    if (head) {
        head->appendSibling(std::move(node));
    } else {
        head = std::move(node);
    }
}

// What the body of a node of an unknown type sets, kept to its end: a node
// that says it is a kind of a VRML 1.0 node ("isA", in order of preference)
// then becomes one, with the values of the fields the two types share.
class FieldRecorder final : public Node {
public:
    // A node of the first class that `isA` names and the table knows, or
    // null. The values move to it: this is the recorder's last use.
    std::unique_ptr<Node> becomeBase(const VrmlNodeTypeTable& types, const VrmlNodeType& own) {
        for (const std::string& name : isA_) {
            const VrmlNodeType* base = types.find(name);
            if (!base || base->fromFile || !base->factory) continue;
            std::unique_ptr<Node> node = base->factory();
            for (const Value& value : values_) {
                const VrmlFieldDecl* ownField = own.findField(value.field);
                const VrmlFieldDecl* baseField = base->findField(value.field);
                if (ownField && baseField && ownField->type == baseField->type) value.set(*node, value.field);
            }
            return node;
        }
        return nullptr;
    }

    void setVec3Array(std::string_view field, std::unique_ptr<FieldArray<Vec3>> value) override {
        keepArray(field, std::move(value), &Node::setVec3Array);
    }
    void setVec2Array(std::string_view field, std::unique_ptr<FieldArray<Vec2>> value) override {
        keepArray(field, std::move(value), &Node::setVec2Array);
    }
    void setStringArray(std::string_view field, std::unique_ptr<FieldArray<std::string>> value) override {
        if (field == "isA" && value) {
            for (int32_t i = 0; i < value->count(); ++i) isA_.push_back((*value)[i]);
        }
        keepArray(field, std::move(value), &Node::setStringArray);
    }
    void setFloatArray(std::string_view field, std::unique_ptr<FieldArray<double>> value) override {
        keepArray(field, std::move(value), &Node::setFloatArray);
    }
    void setLongArray(std::string_view field, std::unique_ptr<FieldArray<int32_t>> value) override {
        keepArray(field, std::move(value), &Node::setLongArray);
    }
    void setRotation(std::string_view field, const AxisAngle& value) override {
        keep(field, value, &Node::setRotation);
    }
    void setMatrix(std::string_view field, const Matrix4& value) override { keep(field, value, &Node::setMatrix); }
    void setVec3(std::string_view field, const Vec3& value) override { keep(field, value, &Node::setVec3); }
    void setVec2(std::string_view field, const Vec2& value) override { keep(field, value, &Node::setVec2); }
    void setFloat(std::string_view field, double value) override { keep(field, value, &Node::setFloat); }
    void setInt(std::string_view field, int32_t value) override { keep(field, value, &Node::setInt); }
    void setString(std::string_view field, std::string value) override {
        if (field == "isA") isA_.push_back(value);
        keep(field, std::move(value), &Node::setString);
    }

private:
    struct Value {
        std::string field;
        std::function<void(Node&, std::string_view)> set;
    };

    template <typename T, typename Setter>
    void keep(std::string_view field, T value, Setter setter) {
        values_.push_back({std::string(field), [value = std::move(value), setter](Node& node, std::string_view name) {
                               (node.*setter)(name, value);
                           }});
    }
    // Each value is replayed at most once: the array moves to the node.
    template <typename T>
    void keepArray(std::string_view field, std::unique_ptr<FieldArray<T>> value,
                   void (Node::*setter)(std::string_view, std::unique_ptr<FieldArray<T>>)) {
        if (!value) return;
        std::shared_ptr<FieldArray<T>> kept(std::move(value));
        values_.push_back({std::string(field), [kept, setter](Node& node, std::string_view name) {
                               (node.*setter)(name, std::make_unique<FieldArray<T>>(std::move(*kept)));
                           }});
    }

    std::vector<std::string> isA_;
    std::vector<Value> values_;
};

// ---------------------------------------------------------------------------
// The parser

class Parser {
public:
    Parser(VrmlReaderState& state, Node& context)
        : state_(state), lexer_(state.lexer), context_(context), tolerant_(state.reading == VrmlReading::Tolerant) {}

    // The root nodes as a chain (null when the file has none). False after
    // an error has been reported.
    bool parseFile(std::unique_ptr<Node>& roots);

private:
    int peek() {
        if (!havePeek_) {
            token_ = lexer_.nextToken();
            havePeek_ = true;
        }
        return token_;
    }
    void consume() { havePeek_ = false; }
    const VrmlTokenValue& value() const { return lexer_.value(); }

    // At the peeked token; a lexer failure has been reported already.
    bool syntaxError() {
        if (token_ != kTokenFailed) lexer_.reportError("%s", kVrmlParseError);
        return false;
    }
    bool outOfMemory() {
        lexer_.reportError("%s", kVrmlOutOfMemory);
        return false;
    }

    // `node` receives the node built, or stays null for a type without a
    // class or a USE of an unknown name; `bytes` its estimated size.
    bool parseNode(Node* parent, std::unique_ptr<Node>& node, int64_t& bytes);
    // From the type name, which is peeked.
    bool parseNodeBody(Node* parent, std::unique_ptr<Node>& node, int64_t& bytes);
    // From "{", after the unknown type name `name` on line `line`.
    bool parseUnknownBody(Node* parent, const std::string& name, int line, std::unique_ptr<Node>& node,
                          int64_t& bytes);
    bool parseBody(Node* parent, VrmlNodeType& type, bool childrenAllowed, int line, std::unique_ptr<Node>& node,
                   int64_t& bytes);
    bool parseDeclarations(VrmlNodeType& type);
    // Passes the value to `node`'s setter; reads and drops it when `node` is
    // null. `bytes` grows by the estimated heap size of the value.
    bool parseFieldValue(Node* node, int64_t& bytes);
    template <typename T, typename Setter>
    bool parseSingleField(Node* node, bool (Parser::*read)(T&), Setter setter);
    template <typename T>
    using ArraySetter = void (Node::*)(std::string_view, std::unique_ptr<FieldArray<T>>);
    template <typename T, typename ReadElement>
    bool parseArrayField(Node* node, int64_t& bytes, ArraySetter<T> setter, ReadElement readElement);
    bool skipImage();

    bool parseNumber(double& number);
    bool parseInteger(int32_t& integer);
    bool parseNumbers(double* numbers, int count);
    bool parseVec2(Vec2& v);
    bool parseVec3(Vec3& v);
    bool parseRotation(AxisAngle& r);
    bool parseMatrix(Matrix4& m);
    bool parseBitMask(int32_t& mask);
    bool parseString(std::string& text);
    bool parseSingleString(std::string& text);
    // Reads the word at hand as a number when it is one with a leading "+".
    bool takePlusNumber();
    // The value of the undeclared field `name`, or the rest of the body of
    // the node type `name`, with their status texts.
    bool skipFieldValue(const std::string& name, int line);
    bool skipRestOfBody(const std::string& name, int line);
    // From "[" or "(" to the token that closes it.
    bool skipList(int open, int close);
    // One element, or "[" elements separated by commas, a trailing comma allowed "]".
    template <typename T, typename ReadElement>
    bool parseList(Node* node, std::unique_ptr<FieldArray<T>>& array, ReadElement readElement);

    VrmlReaderState& state_;
    VrmlLexer& lexer_;
    Node& context_;
    const bool tolerant_;
    int token_ = kTokenEnd;
    bool havePeek_ = false;
    int depth_ = 0;
    int64_t copiedBytes_ = 0;
    std::string fieldName_;
    // Children of nodes that are dropped. A DEF among them may still be
    // used later in the file, so they live until the file ends.
    std::vector<std::unique_ptr<Node>> dropped_;
};

bool Parser::parseFile(std::unique_ptr<Node>& roots) {
    if (peek() != kTokenHeader) return syntaxError();
    consume();
    std::unique_ptr<Node> head;
    while (peek() != kTokenEnd) {
        if (!isNodeStart(peek())) return syntaxError();
        std::unique_ptr<Node> node;
        int64_t bytes = 0;
        if (!parseNode(nullptr, node, bytes)) return false;
        appendTo(head, std::move(node));
    }
    roots = std::move(head);
    return true;
}

bool Parser::parseNode(Node* parent, std::unique_ptr<Node>& node, int64_t& bytes) {
    if (peek() == kTokenDef) {
        consume();
        if (peek() != kTokenName) return syntaxError();
        const std::string name(value().text);
        consume();
        const int token = peek();
        if (token != kTokenNodeType && token != kTokenGroupType && token != kTokenName) return syntaxError();
        if (!parseNodeBody(parent, node, bytes)) return false;
        // Recorded only now, so a body cannot USE its own name.
        state_.defs[std::string(vrmlTableName(name))] = {node.get(), bytes};
        if (node) node->setName(nodeName(name));
        return true;
    }
    if (peek() == kTokenUse) {
        consume();
        if (peek() != kTokenName) return syntaxError();
        const auto found = state_.defs.find(std::string(vrmlTableName(value().text)));
        consume();
        if (found == state_.defs.end() || !found->second.node) return true;
        // Copies of copies double with every level: a limit keeps a small
        // file from asking for more memory than any model needs.
        copiedBytes_ += found->second.bytes;
        if (copiedBytes_ > state_.maxCopiedBytes) return outOfMemory();
        node = found->second.node->clone();
        bytes = found->second.bytes;
        return true;
    }
    return parseNodeBody(parent, node, bytes);
}

bool Parser::parseNodeBody(Node* parent, std::unique_ptr<Node>& node, int64_t& bytes) {
    const int line = lexer_.lineNumber();
    if (peek() == kTokenName) {
        const std::string name(value().text);
        consume();
        return parseUnknownBody(parent, name, line, node, bytes);
    }
    VrmlNodeType& type = *value().nodeType;
    const bool childrenAllowed = peek() == kTokenGroupType;
    consume();
    return parseBody(parent, type, childrenAllowed, line, node, bytes);
}

bool Parser::parseUnknownBody(Node* parent, const std::string& name, int line, std::unique_ptr<Node>& node,
                              int64_t& bytes) {
    // An unknown name becomes a type of its own for the rest of the file:
    // its declarations stay, and later bodies of it take no children.
    VrmlNodeType& type = state_.nodeTypes.add(name, false, nullptr);
    type.fromFile = true;
    return parseBody(parent, type, true, line, node, bytes);
}

bool Parser::parseBody(Node* parent, VrmlNodeType& type, bool childrenAllowed, int line,
                       std::unique_ptr<Node>& node, int64_t& bytes) {
    if (peek() != '{') return syntaxError();
    if (depth_ == VrmlReaderState::kMaxDepth) {
        lexer_.reportError("%s", kVrmlNestingTooDeep);
        return false;
    }
    consume();

    // The type must be current before the lexer reads the body's first word.
    node = type.factory ? type.factory() : nullptr;
    if (node) node->setParent(parent);
    const VrmlNodeType* outerType = lexer_.currentType();
    lexer_.setCurrentType(&type);
    ++depth_;
    bytes = kNodeBytes;

    if (peek() == kTokenFields && !parseDeclarations(type)) return false;
    // A type of the file's own may say what it is a kind of, in a field it describes.
    std::unique_ptr<FieldRecorder> recorder;
    if (!node && tolerant_ && type.fromFile && type.findField("isA")) recorder = std::make_unique<FieldRecorder>();
    Node* const target = node ? node.get() : recorder.get();
    std::unique_ptr<Node> children;
    auto addChild = [&](std::unique_ptr<Node> child, int64_t childBytes) {
        bytes += childBytes;
        appendTo(children, std::move(child));
    };
    for (;;) {
        if (isFieldNameToken(peek())) {
            if (!parseFieldValue(target, bytes)) return false;
            continue;
        }
        if (!tolerant_ || peek() != kTokenName || !knowsFields(type)) break;
        // A word among the fields of a known node: a child node when "{"
        // follows, else a field that the node does not declare.
        if (!childrenAllowed) lexer_.departFromGrammar();
        const std::string word(value().text);
        const int wordLine = lexer_.lineNumber();
        consume();
        if (peek() == '{') {
            if (!childrenAllowed) return syntaxError();
            std::unique_ptr<Node> child;
            int64_t childBytes = 0;
            if (!parseUnknownBody(node.get(), word, wordLine, child, childBytes)) return false;
            addChild(std::move(child), childBytes);
            break;
        }
        lexer_.departFromGrammar();
        if (!skipFieldValue(word, wordLine)) return false;
    }
    bool broken = false;  // the body of a node of an unknown type does not parse
    if (childrenAllowed) {
        while (isNodeStart(peek())) {
            std::unique_ptr<Node> child;
            int64_t childBytes = 0;
            if (peek() == kTokenName) {
                const std::string word(value().text);
                const int wordLine = lexer_.lineNumber();
                consume();
                broken = tolerant_ && !knowsFields(type) && peek() != '{';
                if (broken) break;
                if (!parseUnknownBody(node.get(), word, wordLine, child, childBytes)) return false;
            } else if (!parseNode(node.get(), child, childBytes)) {
                return false;
            }
            addChild(std::move(child), childBytes);
        }
    }
    if (broken || peek() != '}') {
        if (!tolerant_ || knowsFields(type)) return syntaxError();
        lexer_.departFromGrammar();
        if (!skipRestOfBody(type.name, line)) return false;
    } else {
        consume();
    }
    lexer_.setCurrentType(outerType);
    --depth_;

    if (recorder) {
        node = recorder->becomeBase(state_.nodeTypes, type);
        if (node) node->setParent(parent);
    }
    if (children) {
        if (node) {
            node->addChild(std::move(children));
        } else {
            dropped_.push_back(std::move(children));
        }
    }
    return true;
}

bool Parser::parseDeclarations(VrmlNodeType& type) {
    consume();
    if (peek() != '[') return syntaxError();
    consume();
    for (;;) {
        int fieldType = peek();
        if (tolerant_ && isWord(fieldType) && value().text == "MFFloat") {
            // A type the format has and the grammar's keywords lack.
            lexer_.departFromGrammar();
            fieldType = static_cast<int>(FieldType::MFFloat);
        }
        if (fieldType < kTokenFieldTypeFirst || fieldType > kTokenFieldTypeLast) return syntaxError();
        consume();
        if (peek() != kTokenName && !isFieldNameToken(peek())) return syntaxError();
        // Declared before the next word is read, which may already be this field.
        type.declareField(value().text, static_cast<FieldType>(fieldType));
        consume();
        if (peek() == ']') {
            consume();
            return true;
        }
        if (peek() != ',') return syntaxError();
        consume();
    }
}

bool Parser::parseNumber(double& number) {
    if (peek() == kTokenFloat) {
        number = value().number;
    } else if (peek() == kTokenInteger) {
        number = value().integer;
    } else {
        return takePlusNumber() ? parseNumber(number) : syntaxError();
    }
    consume();
    return true;
}

bool Parser::parseInteger(int32_t& integer) {
    if (peek() != kTokenInteger && !(takePlusNumber() && peek() == kTokenInteger)) return syntaxError();
    integer = value().integer;
    consume();
    return true;
}

bool Parser::takePlusNumber() {
    if (!tolerant_ || !isWord(peek())) return false;
    const int token = lexer_.readPlusNumber();
    if (token == 0) return false;
    lexer_.departFromGrammar();
    token_ = token;
    return true;
}

bool Parser::parseNumbers(double* numbers, int count) {
    for (int i = 0; i < count; ++i) {
        if (!parseNumber(numbers[i])) return false;
    }
    return true;
}

bool Parser::parseVec2(Vec2& v) { return parseNumber(v.x) && parseNumber(v.y); }
bool Parser::parseVec3(Vec3& v) { return parseNumber(v.x) && parseNumber(v.y) && parseNumber(v.z); }
bool Parser::parseRotation(AxisAngle& r) { return parseVec3(r.axis) && parseNumber(r.angle); }
bool Parser::parseMatrix(Matrix4& m) { return parseNumbers(m.m.data(), 16); }

bool Parser::parseBitMask(int32_t& mask) {
    if (peek() != '(') return parseInteger(mask);
    consume();
    mask = 0;
    for (;;) {
        int32_t bits = 0;
        if (!parseInteger(bits)) return false;
        mask |= bits;
        if (peek() == ')') {
            consume();
            return true;
        }
        if (peek() != '|') return syntaxError();
        consume();
    }
}

bool Parser::parseString(std::string& text) {
    if (peek() != kTokenString) return syntaxError();
    text.assign(value().text.substr(0, kMaxStringChars));
    consume();
    return true;
}

bool Parser::parseSingleString(std::string& text) {
    // Writers leave file names and the like unquoted.
    if (tolerant_ && !havePeek_) {
        token_ = lexer_.nextTokenOrBareString();
        havePeek_ = true;
    }
    return parseString(text);
}

template <typename T, typename ReadElement>
bool Parser::parseList(Node* node, std::unique_ptr<FieldArray<T>>& array, ReadElement readElement) {
    // Values for a dropped node are checked but not kept.
    if (node) array = std::make_unique<FieldArray<T>>();
    T element{};
    auto add = [&]() {
        if (!readElement(element)) return false;
        if (array && array->append(element) < 0) return outOfMemory();
        return true;
    };
    if (peek() != '[') return add();
    consume();
    if (tolerant_ && peek() == ']') {
        lexer_.departFromGrammar();  // an empty list: no values
    } else {
        if (!add()) return false;
        for (;;) {
            if (peek() == ']') break;
            if (peek() == ',') {
                consume();
                if (peek() == ']') break;
            } else if (tolerant_) {
                lexer_.departFromGrammar();  // elements separated by blanks alone
            } else {
                return syntaxError();
            }
            if (!add()) return false;
        }
    }
    consume();
    return true;
}

bool Parser::parseFieldValue(Node* node, int64_t& bytes) {
    const FieldType type = value().field->type;
    fieldName_.assign(value().text);  // the setters get the name as written
    consume();

    switch (type) {
        case FieldType::SFFloat: return parseSingleField(node, &Parser::parseNumber, &Node::setFloat);
        case FieldType::SFBool:
        case FieldType::SFEnum:
        case FieldType::SFLong: return parseSingleField(node, &Parser::parseInteger, &Node::setInt);
        case FieldType::SFBitMask: return parseSingleField(node, &Parser::parseBitMask, &Node::setInt);
        case FieldType::SFVec2f: return parseSingleField(node, &Parser::parseVec2, &Node::setVec2);
        case FieldType::SFVec3f:
        case FieldType::SFColor: return parseSingleField(node, &Parser::parseVec3, &Node::setVec3);
        case FieldType::SFRotation: return parseSingleField(node, &Parser::parseRotation, &Node::setRotation);
        case FieldType::SFMatrix: return parseSingleField(node, &Parser::parseMatrix, &Node::setMatrix);
        case FieldType::SFString: return parseSingleField(node, &Parser::parseSingleString, &Node::setString);
        case FieldType::SFImage: return skipImage();
        case FieldType::MFVec3f:
        case FieldType::MFColor:
            return parseArrayField(node, bytes, &Node::setVec3Array, [this](Vec3& v) { return parseVec3(v); });
        case FieldType::MFVec2f:
            return parseArrayField(node, bytes, &Node::setVec2Array, [this](Vec2& v) { return parseVec2(v); });
        case FieldType::MFLong:
            return parseArrayField(node, bytes, &Node::setLongArray, [this](int32_t& i) { return parseInteger(i); });
        case FieldType::MFFloat:
            return parseArrayField(node, bytes, &Node::setFloatArray, [this](double& d) { return parseNumber(d); });
        case FieldType::MFString: {
            // The texts count towards the node's size even when it is dropped.
            auto readString = [this, &bytes](std::string& s) {
                if (!parseString(s)) return false;
                bytes += static_cast<int64_t>(s.size());
                return true;
            };
            return parseArrayField(node, bytes, &Node::setStringArray, readString);
        }
    }
    return false;  // every type is handled above
}

template <typename T, typename Setter>
bool Parser::parseSingleField(Node* node, bool (Parser::*read)(T&), Setter setter) {
    T fieldValue{};
    if (!(this->*read)(fieldValue)) return false;
    if (node) (node->*setter)(fieldName_, std::move(fieldValue));
    return true;
}

template <typename T, typename ReadElement>
bool Parser::parseArrayField(Node* node, int64_t& bytes, ArraySetter<T> setter, ReadElement readElement) {
    std::unique_ptr<FieldArray<T>> array;
    if (!parseList(node, array, readElement)) return false;
    if (!array) return true;
    bytes += int64_t{array->capacity()} * static_cast<int64_t>(sizeof(T));
    (node->*setter)(fieldName_, std::move(array));
    return true;
}

bool Parser::skipImage() {
    // Width, height, components, then the pixels; no class keeps an image.
    int32_t header[3];
    for (int32_t& number : header) {
        if (!parseInteger(number)) return false;
    }
    while (peek() == kTokenInteger) consume();
    return true;
}

// ---------------------------------------------------------------------------
// Skipping, in the tolerant reading. Token by token, so that braces and
// brackets inside strings do not count.

bool Parser::skipFieldValue(const std::string& name, int line) {
    const int token = peek();
    if (token == '[' || token == '(') {
        if (!skipList(token, token == '[' ? ']' : ')')) return false;  // "(" opens a bit mask
    } else if (token == kTokenInteger || token == kTokenFloat || takePlusNumber()) {
        do {
            consume();
        } while (peek() == kTokenInteger || peek() == kTokenFloat || takePlusNumber());
    } else if (token == kTokenString || isWord(token)) {
        consume();
    } else {
        return syntaxError();
    }
    context_.status(kSkippedFieldNote, name.c_str(), line);
    return true;
}

bool Parser::skipList(int open, int close) {
    for (int depth = 0;;) {
        const int token = peek();
        if (token == kTokenEnd || token == kTokenFailed || token == '{' || token == '}') return syntaxError();
        consume();
        if (token == open) {
            ++depth;
        } else if (token == close && --depth == 0) {
            return true;
        }
    }
}

bool Parser::skipRestOfBody(const std::string& name, int line) {
    for (int depth = 1; depth > 0;) {
        const int token = peek();
        if (token == kTokenEnd || token == kTokenFailed) return syntaxError();
        consume();
        depth += token == '{' ? 1 : token == '}' ? -1 : 0;
    }
    context_.status(kSkippedNodeNote, name.c_str(), line);
    return true;
}

// ---------------------------------------------------------------------------
// Reader entries

int64_t fileSize(std::FILE* file) {
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    const int64_t size = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_SET) != 0) return -1;
#else
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    const int64_t size = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) return -1;
#endif
    return size;
}

template <typename StartScanning>
void read(VrmlReaderState& state, Node& context, StartScanning startScanning) {
    bool scanning = false;
    try {
        state.defs.clear();
        state.nodeTypes.registerStandardTypes();
        state.lexer.setTolerant(state.reading == VrmlReading::Tolerant);
        scanning = startScanning();
        if (scanning) {
            Parser parser(state, context);
            std::unique_ptr<Node> roots;
            if (parser.parseFile(roots)) context.addChild(std::move(roots));
        }
    } catch (const std::bad_alloc&) {
        if (scanning) {
            state.lexer.reportError("%s", kVrmlOutOfMemory);
        } else {
            context.error("%s, line %d.\n", kVrmlOutOfMemory, state.lexer.lineNumber());
        }
    }
    state.lexer.finish();
    state.defs.clear();
    state.nodeTypes.clear();
}

}  // namespace

void readVrmlFile(Node& context, std::FILE* file, VrmlReading reading) {
    VrmlReaderState state;
    state.reading = reading;
    readVrmlFile(state, context, file);
}

void readVrmlFile(VrmlReaderState& state, Node& context, std::FILE* file) {
    // Binary, so that every platform reads the same bytes; the lexer itself
    // gives them the meaning Windows text mode would.
    if (!file) return;
    const int64_t size = fileSize(file);
    read(state, context, [&] { return state.lexer.startScanning(file, size, &context, &state.nodeTypes); });
}

void readVrmlText(VrmlReaderState& state, Node& context, std::string_view text) {
    read(state, context, [&] { return state.lexer.startScanning(text, &context, &state.nodeTypes); });
}

}  // namespace glowpond
