#include "importers/reader_ply.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "importers/part_collector.h"
#include "importers/text_lines.h"
#include "text/number_scan.h"

namespace glowpond {

const char kReadPlyFailed[] = "Read failed for PLY file '%s': %s";

namespace {

enum class Type { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float32, Float64, Unknown };

Type typeNamed(std::string_view name) {
    struct Alias {
        const char* name;
        Type type;
    };
    static const Alias kTypes[] = {{"char", Type::Int8},     {"int8", Type::Int8},      {"uchar", Type::UInt8},
                                   {"uint8", Type::UInt8},   {"short", Type::Int16},    {"int16", Type::Int16},
                                   {"ushort", Type::UInt16}, {"uint16", Type::UInt16},  {"int", Type::Int32},
                                   {"int32", Type::Int32},   {"uint", Type::UInt32},    {"uint32", Type::UInt32},
                                   {"float", Type::Float32}, {"float32", Type::Float32}, {"double", Type::Float64},
                                   {"float64", Type::Float64}};
    for (const Alias& alias : kTypes) {
        if (name == alias.name) return alias.type;
    }
    return Type::Unknown;
}

size_t sizeOf(Type type) {
    switch (type) {
        case Type::Int8:
        case Type::UInt8: return 1;
        case Type::Int16:
        case Type::UInt16: return 2;
        case Type::Float64: return 8;
        default: return 4;
    }
}

// What an integer colour component is divided by.
double colourScale(Type type) {
    switch (type) {
        case Type::Int8: return 127.0;
        case Type::UInt8: return 255.0;
        case Type::Int16: return 32767.0;
        case Type::UInt16: return 65535.0;
        case Type::Int32: return 2147483647.0;
        case Type::UInt32: return 4294967295.0;
        default: return 1.0;
    }
}

// What a property is used for.
enum class Role { None, X, Y, Z, Red, Green, Blue, Indices };

struct Property {
    std::string name;
    Type type = Type::Unknown;  // the item type of a list
    bool list = false;
    Type countType = Type::Unknown;
    Role role = Role::None;
};

enum class Kind { Other, Vertex, Face, Strips };

struct Element {
    std::string name;
    uint64_t count = 0;
    std::vector<Property> properties;
    Kind kind = Kind::Other;
};

enum class Format { Ascii, Little, Big };

std::vector<std::string_view> wordsOf(const char* begin, const char* end) {
    std::vector<std::string_view> words;
    for (const char* p = skipBlanks(begin, end); p != end; p = skipBlanks(p, end)) {
        const char* word = skipWord(p, end);
        words.emplace_back(p, static_cast<size_t>(word - p));
        p = word;
    }
    return words;
}

Role colourRole(std::string_view name) {
    if (name == "red" || name == "r" || name == "diffuse_red") return Role::Red;
    if (name == "green" || name == "g" || name == "diffuse_green") return Role::Green;
    if (name == "blue" || name == "b" || name == "diffuse_blue") return Role::Blue;
    return Role::None;
}

class PlyReader {
public:
    PlyReader(Node& context, const ModelSource& source) : context_(context), source_(source) {}

    void run() {
        if (!readHeader()) {
            context_.error(kReadPlyFailed, source_.name.c_str(), failure_.c_str());
            return;
        }
        readData();
        buildFaces();
        if (missing_ > 0) context_.status("Skipped %lld faces that name vertices the file does not have.", missing_);
        if (nonFinite_ > 0) {
            context_.status("Skipped %lld faces whose coordinates are not finite numbers.", nonFinite_);
        }
        if (collector_.triangleCount() == 0) {
            context_.error(kReadPlyFailed, source_.name.c_str(), "it has no faces to show");
            return;
        }
        collector_.finish(context_);
    }

private:
    // ---- header

    bool fail(const std::string& reason) {
        failure_ = reason;
        return false;
    }

    // False, with the reason in failure_, when the header cannot be used.
    bool readHeader() {
        const std::string_view text(reinterpret_cast<const char*>(source_.data), source_.size);
        LineReader lines(text);
        const char* begin;
        const char* end;
        if (!lines.next(begin, end) || wordsOf(begin, end) != std::vector<std::string_view>{"ply"}) {
            return fail("it does not begin with 'ply'");
        }
        bool formatSeen = false;
        while (lines.next(begin, end)) {
            const std::vector<std::string_view> words = wordsOf(begin, end);
            if (words.empty()) continue;
            const std::string_view keyword = words[0];
            if (keyword == "end_header") {
                if (!formatSeen) return fail("its header has no format line");
                dataStart_ = static_cast<size_t>(lines.position() - text.data());
                classify();
                return true;
            }
            if (keyword == "format") {
                if (words.size() < 2) return fail("its format line names no format");
                if (words[1] == "ascii") {
                    format_ = Format::Ascii;
                } else if (words[1] == "binary_little_endian") {
                    format_ = Format::Little;
                } else if (words[1] == "binary_big_endian") {
                    format_ = Format::Big;
                } else {
                    return fail("its format '" + std::string(words[1]).substr(0, 40) + "' is not ascii or binary");
                }
                formatSeen = true;
            } else if (keyword == "element") {
                if (words.size() < 3) return fail("an element line lacks its name or count");
                Element element;
                element.name = words[1];
                int64_t count = 0;
                bool overflow = false;
                const char* digits = words[2].data();
                const char* after = scanInt64(digits, digits + words[2].size(), count, overflow);
                if (after != digits + words[2].size() || after == digits || count < 0) {
                    return fail("the count of element '" + element.name.substr(0, 40) + "' is not a number");
                }
                if (overflow || count > std::numeric_limits<uint32_t>::max()) {
                    return fail("the count of element '" + element.name.substr(0, 40) + "' is too large");
                }
                element.count = static_cast<uint64_t>(count);
                elements_.push_back(std::move(element));
            } else if (keyword == "property") {
                if (elements_.empty()) return fail("a property comes before any element");
                Property property;
                size_t nameAt = 2;
                if (words.size() >= 2 && words[1] == "list") {
                    property.list = true;
                    if (words.size() < 5) return fail("a list property lacks its types or name");
                    property.countType = typeNamed(words[2]);
                    property.type = typeNamed(words[3]);
                    if (property.countType == Type::Unknown || property.type == Type::Unknown) {
                        return fail("a list property has a type PLY does not know");
                    }
                    nameAt = 4;
                } else {
                    if (words.size() < 3) return fail("a property lacks its type or name");
                    property.type = typeNamed(words[1]);
                    if (property.type == Type::Unknown) {
                        return fail("property type '" + std::string(words[1]).substr(0, 40) + "' is not one PLY knows");
                    }
                }
                property.name = words[nameAt];
                elements_.back().properties.push_back(std::move(property));
            }
            // comment, obj_info and stray lines of some writers mean nothing here.
        }
        return fail("its header has no end_header line");
    }

    // Which element and properties give what.
    void classify() {
        bool vertexSeen = false, faceSeen = false;
        for (Element& element : elements_) {
            if (element.name == "vertex" && !vertexSeen) {
                element.kind = Kind::Vertex;
                vertexSeen = true;
                for (Property& property : element.properties) {
                    if (property.list) continue;
                    if (property.name == "x") property.role = Role::X;
                    if (property.name == "y") property.role = Role::Y;
                    if (property.name == "z") property.role = Role::Z;
                    const Role colour = colourRole(property.name);
                    if (colour != Role::None) {
                        property.role = colour;
                        vertexColours_ = true;
                    }
                }
            } else if ((element.name == "face" && !faceSeen) || element.name == "tristrips") {
                element.kind = element.name == "face" ? Kind::Face : Kind::Strips;
                faceSeen = faceSeen || element.kind == Kind::Face;
                Property* indices = nullptr;
                for (Property& property : element.properties) {
                    if (property.list && !indices) indices = &property;
                    if (property.list && (property.name == "vertex_indices" || property.name == "vertex_index")) {
                        indices = &property;
                        break;
                    }
                }
                if (indices) indices->role = Role::Indices;
                for (Property& property : element.properties) {
                    const Role colour = property.list || element.kind != Kind::Face ? Role::None : colourRole(property.name);
                    if (colour != Role::None) {
                        property.role = colour;
                        faceColours_ = true;
                    }
                }
            }
        }
    }

    // ---- data

    // One value of a binary file, or false at its end.
    bool binaryValue(Type type, double& value) {
        const size_t size = sizeOf(type);
        if (source_.size - at_ < size) return false;
        uint8_t bytes[8];
        std::memcpy(bytes, source_.data + at_, size);
        at_ += size;
        if (format_ == Format::Big) std::reverse(bytes, bytes + size);
        switch (type) {
            case Type::Int8: value = static_cast<int8_t>(bytes[0]); break;
            case Type::UInt8: value = bytes[0]; break;
            case Type::Int16: { int16_t v; std::memcpy(&v, bytes, 2); value = v; break; }
            case Type::UInt16: { uint16_t v; std::memcpy(&v, bytes, 2); value = v; break; }
            case Type::Int32: { int32_t v; std::memcpy(&v, bytes, 4); value = v; break; }
            case Type::UInt32: { uint32_t v; std::memcpy(&v, bytes, 4); value = v; break; }
            case Type::Float32: { float v; std::memcpy(&v, bytes, 4); value = v; break; }
            default: std::memcpy(&value, bytes, 8); break;
        }
        return true;
    }

    // One value of an ascii file, or false at its end. A word that is not a
    // number reads as NaN, which spoils what it is part of.
    bool asciiValue(double& value) {
        const char* text = reinterpret_cast<const char*>(source_.data);
        const char* end = text + source_.size;
        const char* p = text + at_;
        while (p != end && (isBlank(*p) || *p == '\n')) ++p;
        if (p == end) return false;
        const char* after = scanDouble(p, end, value);
        if (after == p || (after != end && !isBlank(*after) && *after != '\n')) {
            value = std::numeric_limits<double>::quiet_NaN();
            while (after != end && !isBlank(*after) && *after != '\n') ++after;
        }
        at_ = static_cast<size_t>(after - text);
        return true;
    }

    bool value(Type type, double& result) {
        return format_ == Format::Ascii ? asciiValue(result) : binaryValue(type, result);
    }

    void readData() {
        at_ = dataStart_;
        for (const Element& element : elements_) {
            // Without properties an element holds no data, whatever its count says.
            if (element.properties.empty()) continue;
            uint64_t read = 0;
            while (read < element.count && readItem(element)) ++read;
            if (read < element.count) {
                context_.status("The file ends after %llu of the %llu '%s' elements it declares.",
                                static_cast<unsigned long long>(read), static_cast<unsigned long long>(element.count),
                                element.name.substr(0, 40).c_str());
                break;
            }
        }
    }

    // False when the data ends inside the item.
    bool readItem(const Element& element) {
        double xyz[3] = {0, 0, 0};
        double rgb[3] = {0, 0, 0};
        bool hasColour = false;
        const size_t faceStart = corners_.size();
        for (const Property& property : element.properties) {
            if (property.list) {
                double count = 0;
                if (!value(property.countType, count)) return false;
                if (!(count >= 0) || count > static_cast<double>(source_.size)) return false;
                const bool indices = property.role == Role::Indices;
                if (indices && element.kind == Kind::Face) corners_.push_back(0);
                for (double i = 0; i < count; ++i) {
                    double item = 0;
                    if (!value(property.type, item)) {
                        // A face cut short is no face.
                        if (element.kind == Kind::Face) corners_.resize(faceStart);
                        return false;
                    }
                    if (indices) addIndex(element.kind, item);
                }
                if (indices && element.kind == Kind::Face) {
                    corners_[faceStart] = static_cast<int32_t>(corners_.size() - faceStart - 1);
                }
                if (indices && element.kind == Kind::Strips) strip_.clear();
                continue;
            }
            double v = 0;
            if (!value(property.type, v)) {
                if (element.kind == Kind::Face) corners_.resize(faceStart);
                return false;
            }
            switch (property.role) {
                case Role::X: xyz[0] = v; break;
                case Role::Y: xyz[1] = v; break;
                case Role::Z: xyz[2] = v; break;
                case Role::Red: rgb[0] = v / colourScale(property.type); hasColour = true; break;
                case Role::Green: rgb[1] = v / colourScale(property.type); hasColour = true; break;
                case Role::Blue: rgb[2] = v / colourScale(property.type); hasColour = true; break;
                default: break;
            }
        }
        if (element.kind == Kind::Vertex) {
            if (collector_.points().append({xyz[0], xyz[1], xyz[2]}) < 0) throw std::bad_alloc();
            // Face colours win: the vertex colours are not needed then.
            if (vertexColours_ && !faceColours_) {
                for (double c : rgb) collector_.pointColours().push_back(static_cast<float>(c));
            }
        } else if (element.kind == Kind::Face && corners_.size() > faceStart) {
            if (faceColours_) {
                for (double c : rgb) faceColourList_.push_back(static_cast<float>(hasColour ? c : std::nan("")));
            }
        }
        return true;
    }

    static int32_t vertexNumber(double item) {
        return item >= 0 && item < std::numeric_limits<int32_t>::max() && item == std::floor(item)
                   ? static_cast<int32_t>(item)
                   : -1;
    }

    void addIndex(Kind kind, double item) {
        if (kind == Kind::Face) {
            corners_.push_back(vertexNumber(item));
            return;
        }
        // A strip: each index after the second makes a triangle with the two
        // before it, turning alternately; -1 starts a new strip.
        if (item < 0) {
            strip_.clear();
            return;
        }
        strip_.push_back(vertexNumber(item));
        const size_t n = strip_.size();
        if (n < 3) return;
        int32_t a = strip_[n - 3], b = strip_[n - 2];
        const int32_t c = strip_[n - 1];
        if (n % 2 == 0) std::swap(a, b);
        // Strips join with repeated indices: those triangles have no area.
        if (a == b || b == c || a == c) return;
        corners_.insert(corners_.end(), {3, a, b, c});
        if (faceColours_) faceColourList_.insert(faceColourList_.end(), 3, std::nanf(""));
    }

    void buildFaces() {
        const FieldArray<Vec3>& points = collector_.points();
        const int32_t vertices = points.count();
        const size_t part = collector_.part("");
        MaterialValues material;
        size_t face = 0;
        for (size_t at = 0; at < corners_.size(); ++face) {
            const size_t count = static_cast<size_t>(corners_[at]);
            const int32_t* corners = &corners_[at + 1];
            at += count + 1;
            bool usable = true;
            for (size_t c = 0; c < count && usable; ++c) {
                if (corners[c] < 0 || corners[c] >= vertices) {
                    ++missing_;
                    usable = false;
                } else {
                    const Vec3& p = points[corners[c]];
                    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                        ++nonFinite_;
                        usable = false;
                    }
                }
            }
            if (!usable || count < 3) continue;
            const MaterialValues* chosen = nullptr;
            if (faceColours_ && face * 3 + 2 < faceColourList_.size()) {
                const float* rgb = &faceColourList_[face * 3];
                if (std::isfinite(rgb[0]) && std::isfinite(rgb[1]) && std::isfinite(rgb[2])) {
                    material.diffuse = {rgb[0], rgb[1], rgb[2]};
                    chosen = &material;
                }
            }
            if (!collector_.addFace(part, corners, count, chosen)) throw std::bad_alloc();
        }
    }

    Node& context_;
    const ModelSource& source_;
    PartCollector collector_;
    std::vector<Element> elements_;
    std::string failure_;
    Format format_ = Format::Ascii;
    size_t dataStart_ = 0;
    size_t at_ = 0;
    bool vertexColours_ = false;
    bool faceColours_ = false;
    // Each face as its corner count and vertex numbers (-1 where unusable);
    // strips already made triangles.
    std::vector<int32_t> corners_;
    std::vector<float> faceColourList_;  // red, green, blue per face; NaN without
    std::vector<int32_t> strip_;
    long long missing_ = 0;
    long long nonFinite_ = 0;
};

}  // namespace

void readPly(Node& context, const ModelSource& source, const ReadOptions&) {
    readWithinMemory(context, source, kReadPlyFailed, [](Node& c, const ModelSource& s) { PlyReader(c, s).run(); });
}

bool looksLikePly(const uint8_t* data, size_t size) {
    return size >= 4 && std::memcmp(data, "ply", 3) == 0 && (data[3] == '\n' || data[3] == '\r');
}

}  // namespace glowpond
