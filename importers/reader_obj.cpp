#include "importers/reader_obj.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "importers/part_collector.h"
#include "importers/text_lines.h"
#include "importers/texture_colour.h"
#include "text/number_scan.h"

namespace glowpond {

const char kReadObjFailed[] = "Read failed for OBJ file '%s': %s";

namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr int32_t kNoVertex = -1;
// Decoded images stay until the faces are coloured; a small library naming
// many large images must not take all memory. Five of the largest fit.
constexpr uint64_t kTextureBytesBudget = uint64_t{1} << 30;

bool keywordIs(const char* begin, const char* end, std::string_view keyword) {
    return static_cast<size_t>(end - begin) == keyword.size() && std::memcmp(begin, keyword.data(), keyword.size()) == 0;
}

std::string trimmed(const char* begin, const char* end) {
    begin = skipBlanks(begin, end);
    while (end != begin && isBlank(end[-1])) --end;
    return std::string(begin, end);
}

struct ObjMaterial {
    MaterialValues values;
    // The companion name of its map_Kd image; empty without one.
    std::string texture;
};

// Material libraries: name -> colours.
using MaterialTable = std::unordered_map<std::string, ObjMaterial>;

bool isNumber(const char* p, const char* end) {
    double ignored;
    return p != end && scanDouble(p, end, ignored) == end;
}

// The image a map_Kd statement names after its options ("-s 1 1 1",
// "-clamp on", "-imfchan r"); names may hold blanks.
std::string textureReference(const char* p, const char* end) {
    for (p = skipBlanks(p, end); p != end && *p == '-' && !isNumber(p, skipWord(p, end)); p = skipBlanks(p, end)) {
        const char* option = p;
        p = skipWord(p, end);
        // These two take one word whatever it is; the others numbers or on/off.
        if (keywordIs(option, p, "-imfchan") || keywordIs(option, p, "-type")) {
            p = skipWord(skipBlanks(p, end), end);
            continue;
        }
        for (const char* q = skipBlanks(p, end); q != end; q = skipBlanks(p, end)) {
            const char* word = skipWord(q, end);
            if (!isNumber(q, word) && !keywordIs(q, word, "on") && !keywordIs(q, word, "off")) break;
            p = word;
        }
    }
    return trimmed(p, end);
}

// `folder` is the library's own, with its '/': textures are named from there.
void readMaterialLibrary(std::string_view text, const std::string& folder, MaterialTable& table) {
    LineReader lines(text);
    const char* begin;
    const char* end;
    ObjMaterial* current = nullptr;
    while (lines.next(begin, end)) {
        const char* p = skipBlanks(begin, end);
        const char* word = skipWord(p, end);
        if (keywordIs(p, word, "newmtl")) {
            current = &(table[trimmed(word, end)] = ObjMaterial{});
            continue;
        }
        if (current && keywordIs(p, word, "map_Kd")) {
            // Named from the library's folder, which the name may climb out of
            // but not above the model's; a name that leaves it, absolute or
            // with a drive or scheme, is kept as written to be refused with a note.
            const std::string reference = textureReference(word, end);
            std::string name;
            const bool plain = !reference.empty() && reference[0] != '/' && reference[0] != '\\' &&
                               reference.find(':') == std::string::npos;
            current->texture = plain && companionName(folder + reference, name) ? name : reference;
            continue;
        }
        const bool diffuse = keywordIs(p, word, "Kd");
        if (!current || !(diffuse || keywordIs(p, word, "Ka"))) continue;
        double rgb[3];
        const char* q = word;
        int read = 0;
        for (; read < 3; ++read) {
            q = skipBlanks(q, end);
            const char* after = scanDouble(q, end, rgb[read]);
            if (after == q || !std::isfinite(rgb[read])) break;
            q = after;
        }
        // "Kd r" alone stands for grey; "Kd spectral ..." and the like are not read.
        if (read == 1) rgb[1] = rgb[2] = rgb[0];
        if (read != 1 && read != 3) continue;
        (diffuse ? current->values.diffuse : current->values.ambient) = {rgb[0], rgb[1], rgb[2]};
    }
}

class ObjReader {
public:
    ObjReader(Node& context, const ModelSource& source) : context_(context), source_(source) {}

    void run() {
        std::string storage;
        const std::string_view text = modelText(source_.data, source_.size, storage);
        LineReader lines(text);
        const char* begin;
        const char* end;
        std::string joined;
        part_ = collector_.part("");
        while (lines.next(begin, end)) {
            // A backslash at the end of a line carries the statement on.
            if (end != begin && end[-1] == '\\') {
                joined.assign(begin, end - 1);
                bool carried = true;
                while (carried && lines.next(begin, end)) {
                    carried = end != begin && end[-1] == '\\';
                    joined.append(begin, carried ? end - 1 : end);
                }
                statement(joined.data(), joined.data() + joined.size());
            } else {
                statement(begin, end);
            }
        }
        buildFaces();
        if (skippedLines_ > 0) context_.status("Skipped %lld lines and points: only faces are shown.", skippedLines_);
        if (missingVertices_ > 0) {
            context_.status("Skipped %lld faces that name vertices the file does not have.", missingVertices_);
        }
        if (nonFinite_ > 0) {
            context_.status("Skipped %lld faces whose coordinates are not finite numbers.", nonFinite_);
        }
        if (collector_.triangleCount() == 0) {
            context_.error(kReadObjFailed, source_.name.c_str(), "it has no faces to show");
            return;
        }
        collector_.finish(context_);
    }

private:
    void statement(const char* begin, const char* end) {
        const char* p = skipBlanks(begin, end);
        if (p == end || *p == '#') return;
        const char* word = skipWord(p, end);
        const size_t length = static_cast<size_t>(word - p);
        if (length == 1 && *p == 'v') return vertex(word, end);
        if (length == 1 && *p == 'f') return face(word, end);
        if (length == 2 && p[0] == 'v' && p[1] == 't') return texCoord(word, end);
        if (length == 2 && p[0] == 'v') return;  // vn, vp
        if (length == 1 && (*p == 'o' || *p == 'g')) return startPart(trimmed(word, end));
        if (length == 1 && (*p == 'l' || *p == 'p')) {
            ++skippedLines_;
            return;
        }
        if (keywordIs(p, word, "usemtl")) return useMaterial(trimmed(word, end));
        if (keywordIs(p, word, "mtllib")) return readLibraries(trimmed(word, end));
    }

    void vertex(const char* p, const char* end) {
        double values[7];
        int count = 0;
        bool ok = true;
        for (;;) {
            p = skipBlanks(p, end);
            if (p == end) break;
            const char* after = count < 7 ? scanDouble(p, end, values[count]) : p;
            if (after == p || (after != end && !isBlank(*after))) {
                ok = false;  // "3.1+e2", a word, an eighth number
                break;
            }
            ++count;
            p = after;
        }
        Vec3 point{kNotANumber, kNotANumber, kNotANumber};
        if (ok && count >= 3) point = {values[0], values[1], values[2]};
        if (collector_.points().append(point) < 0) throw std::bad_alloc();
        // x y z r g b, or x y z w r g b.
        const bool coloured = ok && (count == 6 || count == 7);
        std::vector<float>& colours = collector_.pointColours();
        if (coloured && !vertexColours_) {
            vertexColours_ = true;
            colours.assign(static_cast<size_t>(collector_.pointCount() - 1) * 3, std::numeric_limits<float>::quiet_NaN());
        }
        if (vertexColours_) {
            for (int i = count - 3; i < count; ++i) {
                colours.push_back(coloured ? static_cast<float>(values[i]) : std::numeric_limits<float>::quiet_NaN());
            }
        }
    }

    // Texture coordinates matter only to faces of a textured material;
    // without one, none are kept.
    void texCoord(const char* p, const char* end) {
        ++texCoordsSeen_;
        if (!textured_) return;
        double uv[2] = {kNotANumber, kNotANumber};
        for (double& value : uv) {
            p = skipBlanks(p, end);
            const char* after = scanDouble(p, end, value);
            if (after == p) value = kNotANumber;
            p = after;
        }
        texCoords_.push_back(uv[0]);
        texCoords_.push_back(uv[1]);
    }

    // The number (from 0) that a face's `number` names among `count` read
    // so far, or -1.
    static int32_t indexOf(int64_t number, bool overflow, int64_t count) {
        // Counting from 1, or back from the last one read.
        const int64_t index = number > 0 ? number - 1 : count + number;
        if (overflow || number == 0 || index < 0 || index >= std::numeric_limits<int32_t>::max()) return kNoVertex;
        return static_cast<int32_t>(index);
    }

    void face(const char* p, const char* end) {
        const size_t start = corners_.size();
        corners_.push_back(0);
        const int64_t vertices = collector_.pointCount();
        const bool textured = material_ >= 0 && !materialList_[static_cast<size_t>(material_)].texture.empty();
        const int64_t texCoordCount = static_cast<int64_t>(texCoords_.size() / 2);
        double uSum = 0.0, vSum = 0.0;
        bool allTextured = textured;
        for (;;) {
            p = skipBlanks(p, end);
            if (p == end) break;
            int64_t number = 0;
            bool overflow = false;
            const char* after = scanInt64(p, end, number, overflow);
            corners_.push_back(after != p ? indexOf(number, overflow, vertices) : kNoVertex);
            if (allTextured) {
                // v/vt, v/vt/vn: the texture number follows the first slash.
                int32_t texIndex = kNoVertex;
                if (after != end && *after == '/') {
                    const char* first = after + 1;
                    const char* texEnd = scanInt64(first, end, number, overflow);
                    if (texEnd != first) texIndex = indexOf(number, overflow, texCoordCount);
                }
                if (texIndex < 0 || texIndex >= texCoordCount) {
                    allTextured = false;
                } else {
                    uSum += texCoords_[2 * static_cast<size_t>(texIndex)];
                    vSum += texCoords_[2 * static_cast<size_t>(texIndex) + 1];
                }
            }
            // The normal numbers play no part.
            p = skipWord(after, end);
        }
        const size_t count = corners_.size() - start - 1;
        if (count < 3) {
            corners_.resize(start);
            if (count > 0) ++skippedLines_;
            return;
        }
        corners_[start] = static_cast<int32_t>(count);
        if (allTextured && std::isfinite(uSum) && std::isfinite(vSum)) {
            texturedFaces_.push_back({faceCount_, uSum / static_cast<double>(count), vSum / static_cast<double>(count)});
        }
        ++faceCount_;
    }

    // Faces are sorted into parts and materials when they come, and checked
    // against the vertices at the end: a positive number may name a vertex
    // that comes later.
    void markState() {
        if (!changes_.empty() && changes_.back().firstFace == faceCount_) {
            changes_.back().part = part_;
            changes_.back().material = material_;
        } else {
            changes_.push_back({faceCount_, part_, material_});
        }
    }

    void startPart(const std::string& name) {
        part_ = collector_.part(name);
        markState();
    }

    void useMaterial(const std::string& name) {
        const auto found = materials_.find(name);
        if (found == materials_.end()) {
            material_ = -1;
        } else {
            auto [entry, added] = materialNumbers_.emplace(name, static_cast<int32_t>(materialList_.size()));
            if (added) materialList_.push_back(found->second);
            material_ = entry->second;
        }
        markState();
    }

    void readLibraries(const std::string& names) {
        // Names with blanks exist; so do several names on one line.
        const char* p = names.data();
        const char* end = p + names.size();
        if (skipWord(p, end) == end) {
            readLibrary(names, true);
            return;
        }
        if (readLibrary(names, false)) return;
        for (p = skipBlanks(p, end); p != end; p = skipBlanks(p, end)) {
            const char* word = skipWord(p, end);
            readLibrary(std::string(p, word), true);
            p = word;
        }
    }

    bool readLibrary(const std::string& reference, bool tell) {
        std::string name;
        if (!companionName(reference, name)) {
            if (tell) context_.status("Material library '%s' is not inside the model's folder: not read.", reference.c_str());
            return false;
        }
        // Each library once, however often the file names it.
        if (!librariesRead_.insert(name).second) return true;
        std::vector<uint8_t> bytes;
        if (!source_.resolver || !source_.resolver->read(name, bytes)) {
            if (tell) context_.status("Material library '%s' not found: its colours are not shown.", reference.c_str());
            return false;
        }
        std::string storage;
        const size_t slash = name.rfind('/');
        readMaterialLibrary(modelText(bytes.data(), bytes.size(), storage),
                            slash == std::string::npos ? std::string() : name.substr(0, slash + 1), materials_);
        for (const auto& entry : materials_) {
            if (textured_ || entry.second.texture.empty()) continue;
            // Coordinates read before keep their numbers, unusable.
            textured_ = true;
            texCoords_.assign(static_cast<size_t>(texCoordsSeen_) * 2, kNotANumber);
        }
        return true;
    }

    void buildFaces() {
        const FieldArray<Vec3>& points = collector_.points();
        const int32_t vertices = points.count();
        size_t at = 0;
        size_t textured = 0;
        size_t change = 0;
        size_t part = 0;
        int32_t material = -1;
        for (int64_t f = 0; f < faceCount_; ++f) {
            while (change < changes_.size() && changes_[change].firstFace == f) {
                part = changes_[change].part;
                material = changes_[change].material;
                ++change;
            }
            const size_t count = static_cast<size_t>(corners_[at]);
            const int32_t* corners = &corners_[at + 1];
            at += count + 1;
            bool usable = true;
            for (size_t c = 0; c < count && usable; ++c) {
                if (corners[c] < 0 || corners[c] >= vertices) {
                    ++missingVertices_;
                    usable = false;
                    break;
                }
                const Vec3& point = points[corners[c]];
                if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z)) {
                    ++nonFinite_;
                    usable = false;
                }
            }
            if (!usable) continue;
            const MaterialValues* values = material >= 0 ? &materialList_[static_cast<size_t>(material)].values : nullptr;
            MaterialValues texturedValues;
            while (textured < texturedFaces_.size() && texturedFaces_[textured].face < f) ++textured;
            if (values && textured < texturedFaces_.size() && texturedFaces_[textured].face == f) {
                const TextureImage* image = texture(materialList_[static_cast<size_t>(material)].texture);
                if (image) {
                    // The image's rows run down; OBJ's v runs up.
                    const Vec3 texel =
                        textureColour(*image, texturedFaces_[textured].u, 1.0 - texturedFaces_[textured].v);
                    texturedValues = *values;
                    texturedValues.diffuse = {values->diffuse.x * texel.x, values->diffuse.y * texel.y,
                                              values->diffuse.z * texel.z};
                    values = &texturedValues;
                }
            }
            if (!collector_.addFace(part, corners, count, values)) throw std::bad_alloc();
        }
        std::vector<int32_t>().swap(corners_);
        std::vector<TexturedFace>().swap(texturedFaces_);
    }

    // The image a map_Kd names, decoded at its first use; null, after a note
    // saying why, when it cannot be had.
    const TextureImage* texture(const std::string& reference) {
        auto [entry, added] = textures_.try_emplace(reference);
        TextureImage& image = entry->second;
        if (!added) return image.empty() ? nullptr : &image;
        std::string name;
        std::vector<uint8_t> bytes;
        if (!companionName(reference, name)) {
            context_.status("The texture '%s' is not inside the model's folder: the Kd colour stays.", reference.c_str());
        } else if (!source_.resolver || !source_.resolver->read(name, bytes)) {
            context_.status("The texture '%s' is missing: the Kd colour stays.", reference.c_str());
        } else {
            switch (decodeTexture(bytes.data(), bytes.size(), image)) {
                case TextureDecode::Decoded:
                    textureBytes_ += uint64_t(image.width) * uint64_t(image.height) * 3;
                    if (textureBytes_ > kTextureBytesBudget) {
                        textureBytes_ -= uint64_t(image.width) * uint64_t(image.height) * 3;
                        image = TextureImage{};
                        context_.status("The texture '%s' is one too many: the model's images would take more than "
                                        "1 GB. The Kd colour stays.", reference.c_str());
                    }
                    break;
                case TextureDecode::TooLarge:
                    context_.status("The texture '%s' is larger than %d x %d: the Kd colour stays.", reference.c_str(),
                                    kMaxTextureSide, kMaxTextureSide);
                    break;
                case TextureDecode::Unreadable:
                    context_.status("The texture '%s' is not a PNG or JPEG image that can be read: the Kd colour stays.",
                                    reference.c_str());
                    break;
            }
        }
        return image.empty() ? nullptr : &image;
    }

    // A face of a textured material, with the centre of its texture coordinates.
    struct TexturedFace {
        int64_t face;
        double u, v;
    };

    struct StateChange {
        int64_t firstFace;
        size_t part;
        int32_t material;
    };

    Node& context_;
    const ModelSource& source_;
    PartCollector collector_;
    MaterialTable materials_;
    std::unordered_set<std::string> librariesRead_;
    // The materials faces use, numbered in order of first use.
    std::unordered_map<std::string, int32_t> materialNumbers_;
    std::vector<ObjMaterial> materialList_;
    // u v of every vt, once some material has a texture (NaN where unreadable).
    std::vector<double> texCoords_;
    std::vector<TexturedFace> texturedFaces_;
    std::unordered_map<std::string, TextureImage> textures_;
    int64_t texCoordsSeen_ = 0;
    uint64_t textureBytes_ = 0;
    bool textured_ = false;
    // Each face as its corner count and its vertex numbers (kNoVertex where
    // the number is unusable).
    std::vector<int32_t> corners_;
    std::vector<StateChange> changes_;
    int64_t faceCount_ = 0;
    size_t part_ = 0;
    int32_t material_ = -1;
    bool vertexColours_ = false;
    long long skippedLines_ = 0;
    long long missingVertices_ = 0;
    long long nonFinite_ = 0;
};

}  // namespace

void readObj(Node& context, const ModelSource& source, const ReadOptions&) {
    readWithinMemory(context, source, kReadObjFailed, [](Node& c, const ModelSource& s) { ObjReader(c, s).run(); });
}

bool looksLikeObj(const uint8_t* data, size_t size) {
    static const char* const kStatements[] = {"v", "vt", "vn", "vp", "f", "o", "g", "s", "l", "p", "usemtl", "mtllib",
                                              "cstype", "deg", "curv", "surf", "call", "csh", "maplib", "usemap"};
    std::string storage;
    // The head is enough to tell; UTF-16 is converted first.
    const std::string_view text = modelText(data, std::min<size_t>(size, 4096), storage);
    if (text.find('\0') != std::string_view::npos) return false;
    LineReader lines(text);
    const char* begin;
    const char* end;
    while (lines.next(begin, end)) {
        const char* p = skipBlanks(begin, end);
        if (p == end || *p == '#') continue;
        // The head may end in the middle of a statement.
        if (lines.position() == text.data() + text.size() && size > 4096) return true;
        const char* word = skipWord(p, end);
        for (const char* statement : kStatements) {
            if (keywordIs(p, word, statement)) return true;
        }
        return false;
    }
    return size > 0;
}

}  // namespace glowpond
