#include "importers/reader_gltf.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "importers/reader_3ds.h"
#include "importers/texture_colour.h"
#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/properties.h"

// Contents:
//   byte access and the GLB container
//   buffers, buffer views and accessors
//   materials and textures
//   nodes, meshes and primitives

namespace glowpond {

const char kReadGltfFailed[] = "Read failed for glTF file '%s': %s";

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "glTF data is little-endian and read in place");

using Json = nlohmann::json;

// Component types.
constexpr uint32_t kByte = 5120;
constexpr uint32_t kUnsignedByte = 5121;
constexpr uint32_t kShort = 5122;
constexpr uint32_t kUnsignedShort = 5123;
constexpr uint32_t kUnsignedInt = 5125;
constexpr uint32_t kFloat = 5126;

constexpr uint32_t kGlbMagic = 0x46546C67;  // "glTF"
constexpr uint32_t kChunkJson = 0x4E4F534A;
constexpr uint32_t kChunkBin = 0x004E4942;
constexpr uint64_t kGlbHeaderBytes = 12;
constexpr uint64_t kChunkHeaderBytes = 8;

// A file draws at most 32 triangles for every byte of it and its buffers,
// and at least this many: nodes may draw one mesh many times, but a small
// file must not grow into gigabytes of faces.
constexpr uint64_t kBaseTriangleBudget = 250'000;
constexpr uint64_t kTrianglesPerByte = 32;
constexpr uint64_t kMaxElements = std::numeric_limits<int32_t>::max();

struct Span {
    const uint8_t* data = nullptr;
    uint64_t size = 0;
};

uint32_t u32At(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// ---------------------------------------------------------------------------
// JSON access: absent members and members of the wrong type read as absent.

const Json* member(const Json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

const Json* arrayMember(const Json& object, const char* key) {
    const Json* value = member(object, key);
    return value && value->is_array() ? value : nullptr;
}

// A non-negative integer, also when written as 3.0.
bool indexValue(const Json& value, uint64_t& out) {
    if (value.is_number_unsigned()) {
        out = value.get<uint64_t>();
        return true;
    }
    if (value.is_number_float()) {
        const double d = value.get<double>();
        if (d >= 0.0 && d < 9007199254740992.0 && d == std::floor(d)) {
            out = static_cast<uint64_t>(d);
            return true;
        }
    }
    return false;
}

bool indexMember(const Json& object, const char* key, uint64_t& out) {
    const Json* value = member(object, key);
    return value && indexValue(*value, out);
}

uint64_t indexMemberOr(const Json& object, const char* key, uint64_t fallback) {
    uint64_t value = fallback;
    return indexMember(object, key, value) ? value : fallback;
}

bool numberValue(const Json& value, double& out) {
    if (!value.is_number()) return false;
    out = value.get<double>();
    return std::isfinite(out);
}

std::string stringMember(const Json& object, const char* key) {
    const Json* value = member(object, key);
    return value && value->is_string() ? value->get<std::string>() : std::string();
}

const Json* element(const Json* array, uint64_t index) {
    if (!array || !array->is_array() || index >= array->size()) return nullptr;
    const Json& item = (*array)[static_cast<size_t>(index)];
    return item.is_object() ? &item : nullptr;
}

bool hasExtension(const Json& object, const char* name) {
    const Json* extensions = member(object, "extensions");
    return extensions && member(*extensions, name);
}

// ---------------------------------------------------------------------------
// Base64 of data: URIs; blanks are passed over, anything else ends it.

bool decodeBase64(const std::string& text, size_t from, std::vector<uint8_t>& out) {
    out.clear();
    out.reserve((text.size() - from) / 4 * 3 + 3);
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        int value;
        if (c >= 'A' && c <= 'Z') {
            value = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            value = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            value = c - '0' + 52;
        } else if (c == '+' || c == '-') {
            value = 62;
        } else if (c == '/' || c == '_') {
            value = 63;
        } else if (c == '=') {
            break;
        } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            continue;
        } else {
            return false;
        }
        bits = bits << 6 | static_cast<uint32_t>(value);
        if (++held == 4) {
            out.push_back(static_cast<uint8_t>(bits >> 16));
            out.push_back(static_cast<uint8_t>(bits >> 8));
            out.push_back(static_cast<uint8_t>(bits));
            bits = 0;
            held = 0;
        }
    }
    if (held == 1) return false;
    if (held == 2) out.push_back(static_cast<uint8_t>(bits >> 4));
    if (held == 3) {
        out.push_back(static_cast<uint8_t>(bits >> 10));
        out.push_back(static_cast<uint8_t>(bits >> 2));
    }
    return true;
}

// ---------------------------------------------------------------------------
// Matrices: the format's column-major arrays, for column vectors, are our
// row-major matrices for row vectors element for element.

Matrix4 trsMatrix(const Vec3& t, const double q[4], const Vec3& s) {
    double x = q[0], y = q[1], z = q[2], w = q[3];
    const double norm = std::sqrt(x * x + y * y + z * z + w * w);
    if (norm > 0.0 && std::isfinite(norm)) {
        x /= norm, y /= norm, z /= norm, w /= norm;
    } else {
        x = y = z = 0.0, w = 1.0;
    }
    // Rows of the rotation for row vectors: the transposed column form.
    const double r[3][3] = {
        {1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w)},
        {2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w)},
        {2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y)},
    };
    const double scale[3] = {s.x, s.y, s.z};
    Matrix4 m = Matrix4::identity();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) m.at(row, column) = scale[row] * r[row][column];
    }
    m.at(3, 0) = t.x, m.at(3, 1) = t.y, m.at(3, 2) = t.z;
    return m;
}

bool finiteMatrix(const Matrix4& m) {
    return std::all_of(m.m.begin(), m.m.end(), [](double v) { return std::isfinite(v); });
}

double determinant3(const Matrix4& m) {
    return m.at(0, 0) * (m.at(1, 1) * m.at(2, 2) - m.at(1, 2) * m.at(2, 1)) -
           m.at(0, 1) * (m.at(1, 0) * m.at(2, 2) - m.at(1, 2) * m.at(2, 0)) +
           m.at(0, 2) * (m.at(1, 0) * m.at(2, 1) - m.at(1, 1) * m.at(2, 0));
}

// Node transforms are affine: the last column is not used.
Vec3 affinePoint(const Matrix4& m, double x, double y, double z) {
    return {x * m[0] + y * m[4] + z * m[8] + m[12], x * m[1] + y * m[5] + z * m[9] + m[13],
            x * m[2] + y * m[6] + z * m[10] + m[14]};
}

bool finite(const Vec3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// ---------------------------------------------------------------------------
// Accessor elements, each component as a double.

uint32_t componentBytes(uint32_t type) {
    switch (type) {
        case kByte:
        case kUnsignedByte: return 1;
        case kShort:
        case kUnsignedShort: return 2;
        case kUnsignedInt:
        case kFloat: return 4;
        default: return 0;
    }
}

uint32_t componentCount(const std::string& type) {
    if (type == "SCALAR") return 1;
    if (type == "VEC2") return 2;
    if (type == "VEC3") return 3;
    if (type == "VEC4") return 4;
    return 0;  // matrices: no attribute we read has them
}

template <typename T>
constexpr double normalizedScale() {
    return std::is_same<T, float>::value ? 1.0 : 1.0 / static_cast<double>(std::numeric_limits<T>::max());
}

// Calls visit(i, values) for elements 0 .. count - 1 at `base` + i * stride.
template <typename T, typename Visit>
void visitElements(const uint8_t* base, uint64_t count, uint64_t stride, uint32_t components, bool normalized,
                   Visit& visit) {
    double values[4] = {0.0, 0.0, 0.0, 0.0};
    const double scale = normalized ? normalizedScale<T>() : 1.0;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* p = base + i * stride;
        for (uint32_t c = 0; c < components; ++c) {
            T raw;
            std::memcpy(&raw, p + c * sizeof(T), sizeof raw);
            double value = static_cast<double>(raw) * scale;
            // The most negative integer would fall below -1.
            if (normalized && value < -1.0) value = -1.0;
            values[c] = value;
        }
        visit(i, static_cast<const double*>(values));
    }
}

template <typename Visit>
void visitTyped(uint32_t componentType, const uint8_t* base, uint64_t count, uint64_t stride, uint32_t components,
                bool normalized, Visit& visit) {
    switch (componentType) {
        case kByte: return visitElements<int8_t>(base, count, stride, components, normalized, visit);
        case kUnsignedByte: return visitElements<uint8_t>(base, count, stride, components, normalized, visit);
        case kShort: return visitElements<int16_t>(base, count, stride, components, normalized, visit);
        case kUnsignedShort: return visitElements<uint16_t>(base, count, stride, components, normalized, visit);
        case kUnsignedInt: return visitElements<uint32_t>(base, count, stride, components, normalized, visit);
        case kFloat: return visitElements<float>(base, count, stride, components, false, visit);
        default: return;
    }
}

// Where an accessor's elements are, checked against the data they lie in.
struct AccessorData {
    uint64_t count = 0;
    uint32_t components = 0;
    uint32_t componentType = 0;
    bool normalized = false;
    const uint8_t* data = nullptr;  // null: every element is zero
    uint64_t stride = 0;
    // Elements replaced: their numbers and their values, packed.
    uint64_t sparseCount = 0;
    uint32_t sparseIndexType = 0;
    const uint8_t* sparseIndices = nullptr;
    const uint8_t* sparseValues = nullptr;
};

// What a read leaves out, told in status texts at the end.
struct Dropped {
    uint64_t badCorners = 0;       // triangles naming vertices that do not exist
    uint64_t notFinite = 0;        // triangles with corners that are not finite numbers
    uint64_t linesAndPoints = 0;   // primitives
    uint64_t unknownModes = 0;     // primitives
    uint64_t unreadable = 0;       // primitives whose data could not be read
    uint64_t compressed = 0;       // Draco primitives without a plain copy
    uint64_t overBudget = 0;       // triangles beyond what the file may draw
    uint64_t repeatedNodes = 0;    // nodes met a second time (cycles, shared children)
    uint64_t badTransforms = 0;    // instances whose transform is not finite
};

enum class ImageState { NotTried, Decoded, Failed };

struct ImageEntry {
    ImageState state = ImageState::NotTried;
    TextureImage image;
};

struct MaterialColour {
    Vec3 base{1.0, 1.0, 1.0};
    int64_t image = -1;  // the base-colour texture's image, or none
    uint64_t texCoord = 0;
};

class GltfReader {
public:
    GltfReader(Node& context, const ModelSource& source) : context_(context), source_(source) {}

    void run() {
        Span json{source_.data, source_.size};
        if (looksLikeGlb(source_.data, source_.size)) {
            if (!splitGlb(json)) return;
        } else if (!looksLikeGltf(source_.data, source_.size)) {
            fail("it is neither glTF text nor a binary glTF file.");
            return;
        }
        try {
            root_ = Json::parse(json.data, json.data + json.size);
        } catch (const Json::parse_error& error) {
            fail("its JSON text is damaged near byte " + std::to_string(error.byte) + ".");
            return;
        }
        if (!root_.is_object()) {
            fail("its JSON text is not an object.");
            return;
        }
        if (!checkVersion() || !checkExtensions()) return;
        addToBudget(source_.size);
        accessors_ = arrayMember(root_, "accessors");
        bufferViews_ = arrayMember(root_, "bufferViews");
        meshes_ = arrayMember(root_, "meshes");
        nodes_ = arrayMember(root_, "nodes");
        materials_ = arrayMember(root_, "materials");
        if (const Json* buffers = arrayMember(root_, "buffers")) buffers_.resize(buffers->size());
        if (const Json* images = arrayMember(root_, "images")) images_.resize(images->size());
        drawScene();
        if (failed_) return;
        reportDropped();
        if (triangles_ == 0) {
            if (dropped_.compressed > 0) {
                fail(kDracoReason);
            } else if (dropped_.linesAndPoints > 0) {
                fail("it has only points or lines, no faces to show.");
            } else {
                fail("it has no faces to show.");
            }
        }
    }

private:
    static constexpr const char* kDracoReason =
        "its meshes are compressed with Draco (KHR_draco_mesh_compression), which this program does not read.";

    void addToBudget(uint64_t bytes) {
        dataBytes_ += bytes;
        budget_ = std::max(kBaseTriangleBudget, dataBytes_ * kTrianglesPerByte);
    }

    void fail(const std::string& reason) {
        if (failed_) return;
        failed_ = true;
        context_.error(kReadGltfFailed, source_.name.c_str(), reason.c_str());
    }

    // -----------------------------------------------------------------------
    // The GLB container: a header, a JSON chunk, an optional BIN chunk.

    bool splitGlb(Span& json) {
        const uint8_t* data = source_.data;
        if (source_.size < kGlbHeaderBytes + kChunkHeaderBytes) {
            fail("the binary file is too short for its header.");
            return false;
        }
        const uint32_t version = u32At(data + 4);
        if (version != 2) {
            fail("it is a binary glTF file of version " + std::to_string(version) + "; only version 2 is read.");
            return false;
        }
        const uint64_t declared = u32At(data + 8);
        if (declared < kGlbHeaderBytes + kChunkHeaderBytes) {
            fail("the length in its header (" + std::to_string(declared) + " bytes) is too small.");
            return false;
        }
        const uint64_t end = std::min<uint64_t>(declared, source_.size);
        if (declared > source_.size) {
            context_.status("The file ends after %llu of the %llu bytes its header gives.",
                            static_cast<unsigned long long>(source_.size),
                            static_cast<unsigned long long>(declared));
        }
        const uint64_t jsonLength = u32At(data + 12);
        if (u32At(data + 16) != kChunkJson) {
            fail("its first chunk is not the JSON chunk.");
            return false;
        }
        if (jsonLength > end - kGlbHeaderBytes - kChunkHeaderBytes) {
            fail("its JSON chunk runs past the end of the file.");
            return false;
        }
        json = {data + kGlbHeaderBytes + kChunkHeaderBytes, jsonLength};
        uint64_t at = kGlbHeaderBytes + kChunkHeaderBytes + jsonLength;
        // Chunks are padded to four bytes; writers that did not pad are forgiven.
        while (at + kChunkHeaderBytes <= end) {
            const uint64_t length = u32At(data + at);
            const uint32_t type = u32At(data + at + 4);
            at += kChunkHeaderBytes;
            const uint64_t present = std::min(length, end - at);
            if (type == kChunkBin) {
                if (present < length) {
                    context_.status("The binary chunk is cut short: %llu of its %llu bytes are there.",
                                    static_cast<unsigned long long>(present),
                                    static_cast<unsigned long long>(length));
                }
                bin_ = {data + at, present};
                hasBin_ = true;
                break;
            }
            at += present;
        }
        return true;
    }

    bool checkVersion() {
        const Json* asset = member(root_, "asset");
        const std::string version = asset ? stringMember(*asset, "version") : std::string();
        if (!version.empty() && version[0] != '2') {
            fail("it is glTF version " + version + "; only version 2.0 is read.");
            return false;
        }
        return true;
    }

    bool checkExtensions() {
        const Json* required = arrayMember(root_, "extensionsRequired");
        if (!required) return true;
        for (const Json& entry : *required) {
            if (!entry.is_string()) continue;
            const std::string name = entry.get<std::string>();
            if (name == "KHR_draco_mesh_compression") {
                fail(kDracoReason);
                return false;
            }
            // Read where it matters (compressed views, quantized values).
            if (name == "EXT_meshopt_compression" || name == "KHR_mesh_quantization") continue;
            context_.status("The file requires the extension %s, which is not read: it may look different.",
                            name.c_str());
        }
        return true;
    }

    // -----------------------------------------------------------------------
    // Buffers, buffer views and accessors

    // The bytes a file names, or null with a status text saying why not.
    // `what` names the use in that text.
    bool fetchUri(const std::string& uri, const char* what, const char* consequence, std::vector<uint8_t>& bytes) {
        if (uri.compare(0, 5, "data:") == 0) {
            const size_t comma = uri.find(',');
            if (comma == std::string::npos || uri.rfind(";base64", comma) == std::string::npos) {
                context_.status("A %s given as a data URI is not base64: %s.", what, consequence);
                return false;
            }
            if (!decodeBase64(uri, comma + 1, bytes)) {
                context_.status("A %s given as a data URI is damaged: %s.", what, consequence);
                return false;
            }
            return true;
        }
        std::string name;
        if (!companionName(uri, name)) {
            context_.status("The %s '%s' lies outside the model's folder: %s.", what, uri.c_str(), consequence);
            return false;
        }
        if (!source_.resolver || !source_.resolver->read(name, bytes)) {
            context_.status("The %s '%s' is missing: %s.", what, name.c_str(), consequence);
            return false;
        }
        return true;
    }

    const Span* buffer(uint64_t index) {
        if (index >= buffers_.size()) return nullptr;
        BufferEntry& entry = buffers_[static_cast<size_t>(index)];
        if (entry.tried) return entry.ok ? &entry.span : nullptr;
        entry.tried = true;
        const Json& description = (*arrayMember(root_, "buffers"))[static_cast<size_t>(index)];
        uint64_t declared = 0;
        if (!indexMember(description, "byteLength", declared)) declared = std::numeric_limits<uint64_t>::max();
        const Json* uri = member(description, "uri");
        if (uri && uri->is_string()) {
            if (!fetchUri(uri->get<std::string>(), "buffer", "what lies in it is left out", entry.owned)) return nullptr;
            entry.span = {entry.owned.data(), entry.owned.size()};
            addToBudget(entry.owned.size());
        } else if (index == 0 && hasBin_) {
            entry.span = bin_;
        } else {
            // A meshopt fallback buffer holds nothing, and neither does this one.
            return nullptr;
        }
        entry.span.size = std::min(entry.span.size, declared);
        entry.ok = true;
        return &entry.span;
    }

    // The bytes of a buffer view and its stride (0: packed).
    bool bufferView(uint64_t index, Span& span, uint64_t& stride) {
        const Json* view = element(bufferViews_, index);
        if (!view) return false;
        if (hasExtension(*view, "EXT_meshopt_compression")) {
            // The view's own buffer is the uncompressed copy, where the file has one.
            uint64_t bufferIndex = 0;
            const Json* buffers = arrayMember(root_, "buffers");
            const Json* target = indexMember(*view, "buffer", bufferIndex) ? element(buffers, bufferIndex) : nullptr;
            const Json* extension = target ? member(*target, "extensions") : nullptr;
            const Json* meshopt = extension ? member(*extension, "EXT_meshopt_compression") : nullptr;
            const Json* fallback = meshopt ? member(*meshopt, "fallback") : nullptr;
            if (!target || (fallback && fallback->is_boolean() && fallback->get<bool>()) || !buffer(bufferIndex)) {
                fail("its meshes are compressed with EXT_meshopt_compression and it has no uncompressed copy.");
                return false;
            }
        }
        uint64_t bufferIndex = 0, length = 0;
        if (!indexMember(*view, "buffer", bufferIndex) || !indexMember(*view, "byteLength", length)) return false;
        const uint64_t offset = indexMemberOr(*view, "byteOffset", 0);
        stride = indexMemberOr(*view, "byteStride", 0);
        const Span* data = buffer(bufferIndex);
        if (!data || offset > data->size || length > data->size - offset) return false;
        span = {data->data + offset, length};
        return true;
    }

    // Finds accessor `index` and checks that its elements lie inside its
    // data; `minComponents` .. `maxComponents` per element.
    bool accessor(uint64_t index, uint32_t minComponents, uint32_t maxComponents, AccessorData& out) {
        const Json* description = element(accessors_, index);
        if (!description) return false;
        uint64_t type = 0, count = 0;
        if (!indexMember(*description, "componentType", type) || !indexMember(*description, "count", count)) {
            return false;
        }
        const uint32_t bytes = componentBytes(static_cast<uint32_t>(std::min<uint64_t>(type, 0xFFFFFFFFu)));
        const uint32_t components = componentCount(stringMember(*description, "type"));
        if (bytes == 0 || components < minComponents || components > maxComponents) return false;
        if (count == 0 || count > kMaxElements) return false;
        out.count = count;
        out.components = components;
        out.componentType = static_cast<uint32_t>(type);
        const Json* normalized = member(*description, "normalized");
        out.normalized = normalized && normalized->is_boolean() && normalized->get<bool>();
        const uint64_t elementBytes = uint64_t{bytes} * components;

        uint64_t viewIndex = 0;
        if (indexMember(*description, "bufferView", viewIndex)) {
            Span view;
            uint64_t stride = 0;
            if (!bufferView(viewIndex, view, stride)) return false;
            if (stride == 0) stride = elementBytes;
            const uint64_t offset = indexMemberOr(*description, "byteOffset", 0);
            if (stride < elementBytes || offset > view.size || view.size - offset < elementBytes ||
                (count - 1) > (view.size - offset - elementBytes) / stride) {
                return false;
            }
            out.data = view.data + offset;
            out.stride = stride;
        } else if (count > 3 * budget_) {
            // Elements without data cost nothing in the file: no more than it may draw.
            return false;
        }

        if (const Json* sparse = member(*description, "sparse")) {
            const Json* indices = member(*sparse, "indices");
            const Json* values = member(*sparse, "values");
            uint64_t sparseCount = 0, indexView = 0, valueView = 0, indexType = 0;
            if (!indices || !values || !indexMember(*sparse, "count", sparseCount) || sparseCount == 0 ||
                sparseCount > count || !indexMember(*indices, "bufferView", indexView) ||
                !indexMember(*indices, "componentType", indexType) || !indexMember(*values, "bufferView", valueView)) {
                return false;
            }
            if (indexType != kUnsignedByte && indexType != kUnsignedShort && indexType != kUnsignedInt) return false;
            Span indexSpan, valueSpan;
            uint64_t unusedStride = 0;
            if (!bufferView(indexView, indexSpan, unusedStride) || !bufferView(valueView, valueSpan, unusedStride)) {
                return false;
            }
            const uint64_t indexOffset = indexMemberOr(*indices, "byteOffset", 0);
            const uint64_t valueOffset = indexMemberOr(*values, "byteOffset", 0);
            const uint64_t indexBytes = componentBytes(static_cast<uint32_t>(indexType));
            if (indexOffset > indexSpan.size || (indexSpan.size - indexOffset) / indexBytes < sparseCount ||
                valueOffset > valueSpan.size || (valueSpan.size - valueOffset) / elementBytes < sparseCount) {
                return false;
            }
            out.sparseCount = sparseCount;
            out.sparseIndexType = static_cast<uint32_t>(indexType);
            out.sparseIndices = indexSpan.data + indexOffset;
            out.sparseValues = valueSpan.data + valueOffset;
        }
        return true;
    }

    // Calls visit(i, values) for every element in order, then again for
    // each element a sparse part replaces.
    template <typename Visit>
    static void visitAccessor(const AccessorData& data, Visit&& visit) {
        if (data.data) {
            visitTyped(data.componentType, data.data, data.count, data.stride, data.components, data.normalized, visit);
        } else {
            const double zeros[4] = {0.0, 0.0, 0.0, 0.0};
            for (uint64_t i = 0; i < data.count; ++i) visit(i, static_cast<const double*>(zeros));
        }
        if (data.sparseCount == 0) return;
        const uint64_t elementBytes = uint64_t{componentBytes(data.componentType)} * data.components;
        const uint32_t indexBytes = componentBytes(data.sparseIndexType);
        for (uint64_t k = 0; k < data.sparseCount; ++k) {
            const uint8_t* at = data.sparseIndices + k * indexBytes;
            uint64_t target = indexBytes == 1 ? at[0] : indexBytes == 2 ? uint64_t{at[0]} | uint64_t{at[1]} << 8
                                                                         : u32At(at);
            // A number past the end replaces nothing.
            if (target >= data.count) continue;
            auto one = [&](uint64_t, const double* values) { visit(target, values); };
            visitTyped(data.componentType, data.sparseValues + k * elementBytes, 1, elementBytes, data.components,
                       data.normalized, one);
        }
    }

    // -----------------------------------------------------------------------
    // Materials and textures

    MaterialColour materialColour(uint64_t index) {
        MaterialColour colour;
        const Json* material = element(materials_, index);
        if (!material) return colour;
        const Json* pbr = member(*material, "pbrMetallicRoughness");
        const char* factorName = "baseColorFactor";
        const char* textureName = "baseColorTexture";
        // Older writers put the colour in the specular-glossiness model only.
        if (!pbr) {
            if (const Json* extensions = member(*material, "extensions")) {
                pbr = member(*extensions, "KHR_materials_pbrSpecularGlossiness");
                factorName = "diffuseFactor";
                textureName = "diffuseTexture";
            }
        }
        if (!pbr) return colour;
        const Json* factor = arrayMember(*pbr, factorName);
        if (factor && factor->size() >= 3) {
            double rgb[3];
            bool ok = true;
            for (size_t c = 0; c < 3; ++c) ok = numberValue((*factor)[c], rgb[c]) && ok;
            if (ok) {
                colour.base = {std::clamp(rgb[0], 0.0, 1.0), std::clamp(rgb[1], 0.0, 1.0),
                               std::clamp(rgb[2], 0.0, 1.0)};
            }
        }
        const Json* texture = member(*pbr, textureName);
        uint64_t textureIndex = 0;
        if (texture && indexMember(*texture, "index", textureIndex)) {
            const Json* textures = arrayMember(root_, "textures");
            const Json* entry = element(textures, textureIndex);
            uint64_t image = 0;
            if (entry && indexMember(*entry, "source", image) && image < images_.size()) {
                colour.image = static_cast<int64_t>(image);
                colour.texCoord = indexMemberOr(*texture, "texCoord", 0);
            }
        }
        return colour;
    }

    // The decoded image, or null (with a status text the first time) when
    // it cannot be had.
    const TextureImage* image(int64_t index) {
        ImageEntry& entry = images_[static_cast<size_t>(index)];
        if (entry.state != ImageState::NotTried) return entry.state == ImageState::Decoded ? &entry.image : nullptr;
        entry.state = ImageState::Failed;
        const Json& description = (*arrayMember(root_, "images"))[static_cast<size_t>(index)];
        std::string name = stringMember(description, "name");
        std::vector<uint8_t> owned;
        Span bytes;
        uint64_t view = 0;
        if (const Json* uri = member(description, "uri"); uri && uri->is_string()) {
            const std::string text = uri->get<std::string>();
            if (name.empty() && text.compare(0, 5, "data:") != 0) name = text;
            if (!fetchUri(text, "texture", "the base colour stays", owned)) return nullptr;
            bytes = {owned.data(), owned.size()};
        } else if (indexMember(description, "bufferView", view)) {
            uint64_t stride = 0;
            if (!bufferView(view, bytes, stride)) {
                context_.status("The texture '%s' lies outside its data: the base colour stays.", name.c_str());
                return nullptr;
            }
        } else {
            return nullptr;
        }
        if (name.empty()) name = "#" + std::to_string(index);
        switch (decodeTexture(bytes.data, static_cast<size_t>(bytes.size), entry.image)) {
            case TextureDecode::Decoded: entry.state = ImageState::Decoded; return &entry.image;
            case TextureDecode::TooLarge:
                context_.status("The texture '%s' is larger than %d x %d: the base colour stays.", name.c_str(),
                                kMaxTextureSide, kMaxTextureSide);
                return nullptr;
            case TextureDecode::Unreadable:
                context_.status("The texture '%s' is not a PNG or JPEG image that can be read: the base colour stays.",
                                name.c_str());
                return nullptr;
        }
        return nullptr;
    }

    // -----------------------------------------------------------------------
    // Nodes, meshes and primitives

    Matrix4 localMatrix(const Json& node) {
        const Json* matrix = arrayMember(node, "matrix");
        if (matrix && matrix->size() == 16) {
            Matrix4 m;
            for (size_t i = 0; i < 16; ++i) {
                if (!numberValue((*matrix)[i], m.m[i])) return Matrix4::identity();
            }
            return m;
        }
        double q[4] = {0.0, 0.0, 0.0, 1.0};
        auto read = [&](const char* key, double* values, size_t count) {
            const Json* array = arrayMember(node, key);
            if (!array || array->size() != count) return;
            double got[4];
            for (size_t i = 0; i < count; ++i) {
                if (!numberValue((*array)[i], got[i])) return;
            }
            std::copy(got, got + count, values);
        };
        double tv[3] = {0.0, 0.0, 0.0}, sv[3] = {1.0, 1.0, 1.0};
        read("translation", tv, 3);
        read("rotation", q, 4);
        read("scale", sv, 3);
        return trsMatrix({tv[0], tv[1], tv[2]}, q, {sv[0], sv[1], sv[2]});
    }

    void drawScene() {
        std::vector<uint64_t> roots;
        const size_t nodeCount = nodes_ ? nodes_->size() : 0;
        const Json* scenes = arrayMember(root_, "scenes");
        uint64_t sceneIndex = 0;
        const Json* scene = nullptr;
        if (indexMember(root_, "scene", sceneIndex)) {
            scene = element(scenes, sceneIndex);
            if (!scene) context_.status("The scene the file names does not exist: the first one is shown.");
        }
        if (!scene) scene = element(scenes, 0);
        if (scene) {
            if (const Json* list = arrayMember(*scene, "nodes")) {
                for (const Json& entry : *list) {
                    uint64_t index = 0;
                    if (indexValue(entry, index) && index < nodeCount) roots.push_back(index);
                }
            }
        } else if (nodeCount > 0) {
            std::vector<uint8_t> isChild(nodeCount, 0);
            for (size_t n = 0; n < nodeCount; ++n) {
                const Json* children = arrayMember((*nodes_)[n], "children");
                if (!children) continue;
                for (const Json& entry : *children) {
                    uint64_t index = 0;
                    if (indexValue(entry, index) && index < nodeCount) isChild[static_cast<size_t>(index)] = 1;
                }
            }
            for (size_t n = 0; n < nodeCount; ++n) {
                if (!isChild[n]) roots.push_back(n);
            }
        } else {
            // Meshes without nodes: each once, as stored.
            const size_t meshCount = meshes_ ? meshes_->size() : 0;
            for (size_t m = 0; m < meshCount && !failed_; ++m) {
                drawMesh(m, "Mesh" + std::to_string(m), Matrix4::identity(), true);
            }
            return;
        }

        // Depth first, without recursion: a node is drawn once, so cycles
        // and children claimed by two parents end there.
        std::vector<uint8_t> visited(nodeCount, 0);
        struct Pending {
            uint64_t node;
            Matrix4 parent;
        };
        std::vector<Pending> stack;
        for (auto r = roots.rbegin(); r != roots.rend(); ++r) stack.push_back({*r, Matrix4::identity()});
        while (!stack.empty() && !failed_) {
            const Pending pending = stack.back();
            stack.pop_back();
            if (visited[static_cast<size_t>(pending.node)]) {
                ++dropped_.repeatedNodes;
                continue;
            }
            visited[static_cast<size_t>(pending.node)] = 1;
            const Json& node = (*nodes_)[static_cast<size_t>(pending.node)];
            if (!node.is_object()) continue;
            const Matrix4 world = multiply(localMatrix(node), pending.parent);
            uint64_t mesh = 0;
            if (indexMember(node, "mesh", mesh)) {
                std::string name = fit3dsName(stringMember(node, "name"));
                if (name.empty()) name = "Node" + std::to_string(pending.node);
                // A skinned mesh is stored in its bind pose, where the
                // joints place it: the node's own transform does not apply.
                const bool skinned = member(node, "skin") != nullptr;
                drawMesh(mesh, name, skinned ? Matrix4::identity() : world, skinned);
            }
            if (const Json* children = arrayMember(node, "children")) {
                for (auto c = children->rbegin(); c != children->rend(); ++c) {
                    uint64_t index = 0;
                    if (indexValue(*c, index) && index < nodeCount) stack.push_back({index, world});
                }
            }
        }
    }

    void drawMesh(uint64_t index, const std::string& name, const Matrix4& world, bool identity) {
        const Json* mesh = element(meshes_, index);
        if (!mesh) return;
        const Json* primitives = arrayMember(*mesh, "primitives");
        if (!primitives) return;
        if (!finiteMatrix(world)) {
            ++dropped_.badTransforms;
            return;
        }
        context_.status("Reading mesh '%s'", name.c_str());
        auto separator = std::make_unique<Separator>();
        separator->setName(name);
        bool any = false;
        for (const Json& primitive : *primitives) {
            if (failed_) return;
            any = drawPrimitive(primitive, world, identity, *separator) || any;
        }
        if (any) context_.addChild(std::move(separator));
    }

    // The corners of the primitive's triangles, in the mode's order.
    template <typename Emit>
    static void assemble(uint64_t mode, uint64_t count, const std::vector<uint32_t>* indices, Emit&& emit) {
        auto at = [&](uint64_t i) -> uint64_t { return indices ? (*indices)[static_cast<size_t>(i)] : i; };
        if (mode == 4) {
            for (uint64_t i = 0; i + 3 <= count; i += 3) {
                if (!emit(at(i), at(i + 1), at(i + 2))) return;
            }
        } else if (mode == 5) {
            for (uint64_t i = 0; i + 2 < count; ++i) {
                // Every second triangle of a strip turns the other way round.
                const bool odd = (i & 1) != 0;
                if (!emit(at(odd ? i + 1 : i), at(odd ? i : i + 1), at(i + 2))) return;
            }
        } else {
            for (uint64_t i = 1; i + 1 < count; ++i) {
                if (!emit(at(0), at(i), at(i + 1))) return;
            }
        }
    }

    bool drawPrimitive(const Json& primitive, const Matrix4& world, bool identity, Separator& separator) {
        const uint64_t mode = indexMemberOr(primitive, "mode", 4);
        if (mode <= 3) {
            ++dropped_.linesAndPoints;
            return false;
        }
        if (mode > 6) {
            ++dropped_.unknownModes;
            return false;
        }
        const Json* attributes = member(primitive, "attributes");
        uint64_t positionIndex = 0;
        if (!attributes || !indexMember(*attributes, "POSITION", positionIndex)) {
            ++dropped_.unreadable;
            return false;
        }
        const bool draco = hasExtension(primitive, "KHR_draco_mesh_compression");
        const Json* positionDescription = element(accessors_, positionIndex);
        if (draco && (!positionDescription || !member(*positionDescription, "bufferView"))) {
            ++dropped_.compressed;
            return false;
        }
        AccessorData positions;
        if (!accessor(positionIndex, 3, 3, positions)) {
            if (!failed_) ++dropped_.unreadable;
            return false;
        }
        AccessorData indexData;
        uint64_t indexAccessor = 0;
        const bool indexed = indexMember(primitive, "indices", indexAccessor);
        if (indexed && (!accessor(indexAccessor, 1, 1, indexData) || indexData.normalized ||
                        (indexData.componentType != kUnsignedByte && indexData.componentType != kUnsignedShort &&
                         indexData.componentType != kUnsignedInt))) {
            if (!failed_) ++dropped_.unreadable;
            return false;
        }
        const uint64_t cornerCount = indexed ? indexData.count : positions.count;
        const uint64_t possible = mode == 4 ? cornerCount / 3 : cornerCount >= 3 ? cornerCount - 2 : 0;
        if (possible == 0) return false;
        if (triangles_ >= budget_) {
            dropped_.overBudget += possible;
            return false;
        }

        // The points, in model coordinates.
        auto coordinates = std::make_unique<Coordinate3>();
        FieldArray<Vec3>& points = coordinates->point();
        const uint64_t vertexCount = positions.count;
        bool grown = true;
        visitAccessor(positions, [&](uint64_t i, const double* v) {
            const Vec3 p = identity ? Vec3{v[0], v[1], v[2]} : affinePoint(world, v[0], v[1], v[2]);
            if (i < static_cast<uint64_t>(points.count())) {
                *points.at(static_cast<int32_t>(i)) = p;
            } else if (points.append(p) < 0) {
                grown = false;
            }
        });
        if (!grown) throw std::bad_alloc();
        std::vector<uint8_t> usable(static_cast<size_t>(vertexCount));
        for (int32_t i = 0; i < points.count(); ++i) usable[static_cast<size_t>(i)] = finite(points[i]);

        std::vector<uint32_t> indices;
        if (indexed) {
            indices.resize(static_cast<size_t>(indexData.count));
            visitAccessor(indexData, [&](uint64_t i, const double* v) {
                indices[static_cast<size_t>(i)] = static_cast<uint32_t>(v[0]);
            });
        }

        // Colours: the material's, the corners', the texture's.
        uint64_t materialIndex = 0;
        const MaterialColour material =
            indexMember(primitive, "material", materialIndex) ? materialColour(materialIndex) : MaterialColour{};
        std::vector<float> cornerColours;
        uint64_t colourAccessor = 0;
        if (indexMember(*attributes, "COLOR_0", colourAccessor)) {
            AccessorData colours;
            if (accessor(colourAccessor, 3, 4, colours) && colours.count >= vertexCount) {
                cornerColours.resize(static_cast<size_t>(vertexCount) * 3);
                visitAccessor(colours, [&](uint64_t i, const double* v) {
                    if (i >= vertexCount) return;
                    for (size_t c = 0; c < 3; ++c) {
                        const double value = std::isfinite(v[c]) ? std::clamp(v[c], 0.0, 1.0) : 1.0;
                        cornerColours[static_cast<size_t>(i) * 3 + c] = static_cast<float>(value);
                    }
                });
            }
        }
        const TextureImage* texture = nullptr;
        std::vector<float> uvs;
        uint64_t uvAccessor = 0;
        const std::string uvName = "TEXCOORD_" + std::to_string(material.texCoord);
        if (material.image >= 0 && indexMember(*attributes, uvName.c_str(), uvAccessor)) {
            AccessorData uvData;
            if (accessor(uvAccessor, 2, 2, uvData) && uvData.count >= vertexCount) {
                texture = image(material.image);
                if (texture) {
                    uvs.resize(static_cast<size_t>(vertexCount) * 2);
                    visitAccessor(uvData, [&](uint64_t i, const double* v) {
                        if (i >= vertexCount) return;
                        uvs[static_cast<size_t>(i) * 2] = static_cast<float>(v[0]);
                        uvs[static_cast<size_t>(i) * 2 + 1] = static_cast<float>(v[1]);
                    });
                }
            }
        }
        const bool perFace = !cornerColours.empty() || texture;

        // A transform that mirrors the model turns its faces the other way round.
        const bool mirrored = !identity && determinant3(world) < 0.0;
        auto faces = std::make_unique<IndexedFaceSet>();
        FieldArray<int32_t>& coordIndex = faces->coordIndex();
        auto materialNode = std::make_unique<Material>();
        int32_t faceCount = 0;
        bool uniform = true;
        Vec3 firstColour = material.base;
        assemble(mode, cornerCount, indexed ? &indices : nullptr, [&](uint64_t a, uint64_t b, uint64_t c) {
            if (a >= vertexCount || b >= vertexCount || c >= vertexCount) {
                ++dropped_.badCorners;
                return true;
            }
            // Strips and fans join their pieces with triangles of two equal corners.
            if (a == b || b == c || a == c) return true;
            if (!usable[a] || !usable[b] || !usable[c]) {
                ++dropped_.notFinite;
                return true;
            }
            if (triangles_ >= budget_) {
                ++dropped_.overBudget;
                return true;
            }
            if (mirrored) std::swap(b, c);
            coordIndex.append(static_cast<int32_t>(a));
            coordIndex.append(static_cast<int32_t>(b));
            coordIndex.append(static_cast<int32_t>(c));
            coordIndex.append(-1);
            if (perFace) {
                Vec3 colour = material.base;
                if (!cornerColours.empty()) {
                    const float* ca = &cornerColours[a * 3];
                    const float* cb = &cornerColours[b * 3];
                    const float* cc = &cornerColours[c * 3];
                    constexpr double kThird = 1.0 / 3.0;
                    colour.x *= (ca[0] + cb[0] + cc[0]) * kThird;
                    colour.y *= (ca[1] + cb[1] + cc[1]) * kThird;
                    colour.z *= (ca[2] + cb[2] + cc[2]) * kThird;
                }
                if (texture) {
                    const double u = (static_cast<double>(uvs[a * 2]) + uvs[b * 2] + uvs[c * 2]) / 3.0;
                    const double v = (static_cast<double>(uvs[a * 2 + 1]) + uvs[b * 2 + 1] + uvs[c * 2 + 1]) / 3.0;
                    const Vec3 texel = textureColour(*texture, u, v);
                    colour = {colour.x * texel.x, colour.y * texel.y, colour.z * texel.z};
                }
                if (faceCount == 0) {
                    firstColour = colour;
                } else if (colour != firstColour) {
                    uniform = false;
                }
                materialNode->setColourAt(Material::Colour::Diffuse, faceCount, colour);
            }
            ++faceCount;
            ++triangles_;
            return true;
        });
        if (coordIndex.failed() || materialNode->failed()) throw std::bad_alloc();
        if (faceCount == 0) return false;

        if (!perFace || uniform) {
            materialNode = std::make_unique<Material>();
            materialNode->setColourAt(Material::Colour::Diffuse, 0, firstColour);
        }
        std::unique_ptr<Node> binding = MaterialBinding::create();
        binding->setInt("value", perFace && !uniform ? kBindingPerFace : kBindingOverall);
        separator.addChild(std::move(materialNode));
        separator.addChild(std::move(binding));
        separator.addChild(std::move(coordinates));
        separator.addChild(std::move(faces));
        return true;
    }

    void reportDropped() {
        auto note = [this](uint64_t count, const char* format) {
            if (count > 0) context_.status(format, static_cast<unsigned long long>(count));
        };
        note(dropped_.badCorners, "Dropped %llu triangles whose corners name vertices that do not exist.");
        note(dropped_.notFinite, "Dropped %llu triangles whose corners are not finite numbers.");
        note(dropped_.linesAndPoints, "Skipped %llu primitives of points or lines.");
        note(dropped_.unknownModes, "Skipped %llu primitives of an unknown mode.");
        note(dropped_.unreadable, "Skipped %llu primitives whose data lies outside the file or is malformed.");
        note(dropped_.compressed, "Skipped %llu primitives compressed with Draco.");
        note(dropped_.overBudget, "Dropped %llu triangles beyond what a file of this size may draw.");
        note(dropped_.repeatedNodes, "Skipped %llu nodes met a second time (a node graph with cycles or shared children).");
        note(dropped_.badTransforms, "Skipped %llu meshes whose transform is not finite.");
    }

    struct BufferEntry {
        bool tried = false;
        bool ok = false;
        Span span;
        std::vector<uint8_t> owned;
    };

    Node& context_;
    const ModelSource& source_;
    Json root_;
    Span bin_;
    bool hasBin_ = false;
    bool failed_ = false;
    const Json* accessors_ = nullptr;
    const Json* bufferViews_ = nullptr;
    const Json* meshes_ = nullptr;
    const Json* nodes_ = nullptr;
    const Json* materials_ = nullptr;
    std::vector<BufferEntry> buffers_;
    std::vector<ImageEntry> images_;
    uint64_t budget_ = kBaseTriangleBudget;
    uint64_t dataBytes_ = 0;
    uint64_t triangles_ = 0;
    Dropped dropped_;
};

}  // namespace

bool looksLikeGlb(const uint8_t* data, size_t size) { return size >= 4 && u32At(data) == kGlbMagic; }

bool looksLikeGltf(const uint8_t* data, size_t size) {
    size_t at = 0;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) at = 3;
    while (at < size && (data[at] == ' ' || data[at] == '\t' || data[at] == '\r' || data[at] == '\n')) ++at;
    return at < size && data[at] == '{';
}

void readGltf(Node& context, const ModelSource& source, const ReadOptions&) {
    try {
        GltfReader(context, source).run();
    } catch (const std::bad_alloc&) {
        context.error(kReadGltfFailed, source.name.c_str(), "there is not enough memory for it.");
    } catch (const nlohmann::json::exception&) {
        context.error(kReadGltfFailed, source.name.c_str(), "its JSON text is damaged.");
    }
}

}  // namespace glowpond
