#include "importers/reader_3ds.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "mesh/vector.h"
#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/properties.h"

namespace glowpond {

const char kRead3dsFailed[] = "Read failed for 3ds file '%s'";

namespace {

// Chunk ids.
constexpr uint16_t kMain = 0x4D4D;
constexpr uint16_t kVersion = 0x0002;
constexpr uint16_t kEditor = 0x3D3D;
constexpr uint16_t kMeshVersion = 0x3D3E;
constexpr uint16_t kMasterScale = 0x0100;
constexpr uint16_t kMaterialBlock = 0xAFFF;
constexpr uint16_t kMaterialName = 0xA000;
constexpr uint16_t kAmbient = 0xA010;
constexpr uint16_t kDiffuse = 0xA020;
constexpr uint16_t kSpecular = 0xA030;
constexpr uint16_t kShininess = 0xA040;
constexpr uint16_t kTransparency = 0xA050;
constexpr uint16_t kObject = 0x4000;
constexpr uint16_t kTriangleMesh = 0x4100;
constexpr uint16_t kVertexList = 0x4110;
constexpr uint16_t kFaceList = 0x4120;
constexpr uint16_t kMaterialGroup = 0x4130;
constexpr uint16_t kColourFloats = 0x0010;
constexpr uint16_t kColourBytes = 0x0011;
constexpr uint16_t kPercentInt = 0x0030;
constexpr uint16_t kPercentFloat = 0x0031;

constexpr uint64_t kHeaderBytes = 6;
constexpr size_t kMaxStringChars = 255;
constexpr float kPercent = 0.01f;

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Little-endian fields assembled byte by byte, so the host's byte order and
// struct layout play no part. A read past the last byte fails and moves nothing.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint64_t position() const { return position_; }
    uint64_t remaining() const { return position_ < size_ ? size_ - position_ : 0; }
    // Seeking past the end is allowed; reads there fail.
    void seek(uint64_t position) { position_ = position; }

    bool skip(uint64_t count) {
        if (remaining() < count) return false;
        position_ += count;
        return true;
    }
    bool u8(uint8_t& value) {
        if (remaining() < 1) return false;
        value = data_[position_++];
        return true;
    }
    bool u16(uint16_t& value) {
        if (remaining() < 2) return false;
        value = static_cast<uint16_t>(data_[position_] | data_[position_ + 1] << 8);
        position_ += 2;
        return true;
    }
    bool u32(uint32_t& value) {
        if (remaining() < 4) return false;
        value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | data_[position_ + static_cast<uint64_t>(i)];
        position_ += 4;
        return true;
    }
    bool i16(int16_t& value) {
        uint16_t bits;
        if (!u16(bits)) return false;
        value = static_cast<int16_t>(bits);
        return true;
    }
    bool f32(float& value) {
        uint32_t bits;
        if (!u32(bits)) return false;
        static_assert(sizeof(float) == 4, "3DS floats are IEEE single precision");
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
    // Zero-terminated; characters beyond kMaxStringChars are read but not kept.
    bool string(std::string& value) {
        const void* zero = position_ < size_ ? std::memchr(data_ + position_, 0, size_ - position_) : nullptr;
        if (!zero) return false;
        const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - (data_ + position_));
        value.assign(reinterpret_cast<const char*>(data_ + position_), std::min(length, kMaxStringChars));
        position_ += length + 1;
        return true;
    }

private:
    const uint8_t* data_;
    uint64_t size_;
    uint64_t position_ = 0;
};

struct ChunkHeader {
    uint16_t id = 0;
    uint64_t end = 0;  // chunk start + length: where a skip goes
};

struct NamedMaterial {
    std::string name;
    MaterialValues values;
};

// The state of reading one file. Every read operation returns false when
// the file is damaged; the failure then travels up to run(), which reports it.
class Reader3ds {
public:
    Reader3ds(Node& context, const std::string& path, const uint8_t* data, size_t size)
        : context_(context), path_(path), in_(data, size) {}

    void run() {
        bool ok = true;
        while (ok && in_.remaining() > 0) {
            ChunkHeader chunk;
            const Header header = readHeader(chunk);
            if (header == Header::Missing) break;
            if (header == Header::Damaged) {
                ok = false;
            } else if (chunk.id == kMain) {
                materials_.clear();
                materialByName_.clear();
                ok = readMain(chunk.end);
            } else {
                in_.seek(chunk.end);
            }
        }
        if (!ok) context_.error(kRead3dsFailed, path_.c_str());
    }

private:
    enum class Header { Read, Missing, Damaged };

    // A header that does not fit in the file ends the chunk loop normally.
    // One shorter than itself would never move the reader on.
    Header readHeader(ChunkHeader& chunk) {
        if (in_.remaining() < kHeaderBytes) return Header::Missing;
        const uint64_t start = in_.position();
        uint32_t length = 0;
        in_.u16(chunk.id);
        in_.u32(length);
        if (length < kHeaderBytes) return Header::Damaged;
        chunk.end = start + length;
        return Header::Read;
    }

    // Calls handle(header) for each chunk from the current position until
    // `end` or a missing header. Known chunks are read field by field and
    // the loop goes on right after them, so sub-chunks that follow their
    // data (material groups inside a face list) are met here too.
    template <typename Handler>
    bool forEachChunk(uint64_t end, Handler handle) {
        while (in_.position() < end) {
            ChunkHeader chunk;
            const Header header = readHeader(chunk);
            if (header == Header::Missing) return true;
            if (header == Header::Damaged || !handle(chunk)) return false;
        }
        return true;
    }

    bool skip(const ChunkHeader& chunk) {
        in_.seek(chunk.end);
        return true;
    }

    bool readMain(uint64_t end) {
        return forEachChunk(end, [this](const ChunkHeader& chunk) {
            switch (chunk.id) {
                case kVersion: return in_.skip(4);
                case kEditor: return readEditor(chunk.end);
                default: return skip(chunk);
            }
        });
    }

    bool readEditor(uint64_t end) {
        return forEachChunk(end, [this](const ChunkHeader& chunk) {
            switch (chunk.id) {
                case kMeshVersion:
                case kMasterScale: return in_.skip(4);
                case kMaterialBlock: return readMaterial(chunk.end);
                case kObject: return readObject(chunk.end);
                default: return skip(chunk);
            }
        });
    }

    // A colour chunk holds a colour sub-chunk first; a second one (the
    // gamma-corrected colour some writers add) is skipped by the caller's loop.
    bool readColour(Vec3& colour) {
        uint16_t id = 0;
        uint32_t length = 0;
        if (!in_.u16(id) || !in_.u32(length)) return false;
        if (id == kColourFloats) {
            float rgb[3];
            if (!in_.f32(rgb[0]) || !in_.f32(rgb[1]) || !in_.f32(rgb[2])) return false;
            colour = {rgb[0], rgb[1], rgb[2]};
            return true;
        }
        if (id == kColourBytes) {
            uint8_t rgb[3];
            if (!in_.u8(rgb[0]) || !in_.u8(rgb[1]) || !in_.u8(rgb[2])) return false;
            colour = {rgb[0] * kColorFromByte, rgb[1] * kColorFromByte, rgb[2] * kColorFromByte};
            return true;
        }
        return false;
    }

    bool readPercentage(double& value) {
        uint16_t id = 0;
        uint32_t length = 0;
        if (!in_.u16(id) || !in_.u32(length)) return false;
        if (id == kPercentInt) {
            int16_t percent;
            if (!in_.i16(percent)) return false;
            value = static_cast<float>(percent) * kPercent;
            return true;
        }
        if (id == kPercentFloat) {
            float fraction;
            if (!in_.f32(fraction)) return false;
            value = fraction;
            return true;
        }
        return false;
    }

    bool readMaterial(uint64_t end) {
        NamedMaterial material;
        const bool ok = forEachChunk(end, [this, &material](const ChunkHeader& chunk) {
            switch (chunk.id) {
                case kMaterialName:
                    if (!in_.string(material.name)) return false;
                    context_.status("Reading material '%s'", material.name.c_str());
                    return true;
                case kAmbient: return readColour(material.values.ambient);
                case kDiffuse: return readColour(material.values.diffuse);
                case kSpecular: return readColour(material.values.specular);
                case kShininess: return readPercentage(material.values.shininess);
                case kTransparency: return readPercentage(material.values.transparency);
                default: return skip(chunk);
            }
        });
        if (!ok) return false;
        // The first definition of a name wins.
        if (materialByName_.emplace(material.name, materials_.size()).second) materials_.push_back(std::move(material));
        return true;
    }

    bool readObject(uint64_t end) {
        std::string name;
        if (!in_.string(name)) return false;
        context_.status("Reading object '%s'", name.c_str());
        return forEachChunk(end, [this, &name](const ChunkHeader& chunk) {
            return chunk.id == kTriangleMesh ? readMesh(chunk.end, name) : skip(chunk);
        });
    }

    bool readVertices(Coordinate3& coordinates) {
        uint16_t count = 0;
        if (!in_.u16(count)) return false;
        for (uint16_t i = 0; i < count; ++i) {
            float x, y, z;
            if (!in_.f32(x) || !in_.f32(y) || !in_.f32(z)) return false;
            if (coordinates.point().append({x, y, z}) < 0) return false;
        }
        return true;
    }

    // Vertex numbers are stored as read; the face set leaves out corners
    // that name no point.
    bool readFaces(IndexedFaceSet& faces, int32_t& faceCount) {
        uint16_t count = 0;
        if (!in_.u16(count)) return false;
        FieldArray<int32_t>& indices = faces.coordIndex();
        for (uint16_t i = 0; i < count; ++i) {
            uint16_t a, b, c, flags;
            if (!in_.u16(a) || !in_.u16(b) || !in_.u16(c) || !in_.u16(flags)) return false;
            if (indices.append(a) < 0 || indices.append(b) < 0 || indices.append(c) < 0 || indices.append(-1) < 0) {
                return false;
            }
            ++faceCount;
        }
        return true;
    }

    bool readGroup(Material& material, FieldArray<int32_t>& materialIndex, int32_t faceCount) {
        std::string name;
        uint16_t count = 0;
        if (!in_.string(name) || !in_.u16(count)) return false;
        const auto found = materialByName_.find(name);
        const MaterialValues values =
            found != materialByName_.end() ? materials_[found->second].values : MaterialValues{};
        const int32_t index = material.appendMaterial(values);
        if (index < 0) return false;
        // Faces that no group names keep the first group's material.
        while (materialIndex.count() < faceCount) {
            if (materialIndex.append(0) < 0) return false;
        }
        for (uint16_t i = 0; i < count; ++i) {
            uint16_t face;
            if (!in_.u16(face)) return false;
            // A face that does not exist is passed over.
            if (face < faceCount) materialIndex.setAt(face, index);
        }
        return true;
    }

    bool readMesh(uint64_t end, const std::string& name) {
        auto separator = std::make_unique<Separator>();
        auto material = std::make_unique<Material>();
        auto coordinates = std::make_unique<Coordinate3>();
        auto faces = std::make_unique<IndexedFaceSet>();
        FieldArray<int32_t> materialIndex;
        int32_t faceCount = 0;
        int32_t groups = 0;
        const bool ok = forEachChunk(end, [&](const ChunkHeader& chunk) {
            switch (chunk.id) {
                case kVertexList: return readVertices(*coordinates);
                case kFaceList: return readFaces(*faces, faceCount);
                case kMaterialGroup:
                    ++groups;
                    return readGroup(*material, materialIndex, faceCount);
                default: return skip(chunk);
            }
        });
        if (!ok) return false;

        separator->setName(fit3dsName(name));
        if (groups >= 2) {
            std::unique_ptr<Node> binding = MaterialBinding::create();
            binding->setInt("value", kBindingPerPartIndexed);
            separator->addChild(std::move(binding));
            faces->materialIndex() = std::move(materialIndex);
        }
        separator->addChild(std::move(material));
        separator->addChild(std::move(coordinates));
        separator->addChild(std::move(faces));
        context_.addChild(std::move(separator));
        return true;
    }

    Node& context_;
    const std::string& path_;
    ByteReader in_;
    // The material definitions of the current main chunk, in file order.
    std::vector<NamedMaterial> materials_;
    std::unordered_map<std::string, size_t> materialByName_;
};

}  // namespace

std::string fit3dsName(const std::string& name) {
    std::string fitted = name;
    for (char& c : fitted) {
        if (!isLetter(c) && !isDigit(c)) c = '_';
    }
    if (!fitted.empty() && !isLetter(fitted[0])) fitted.insert(0, "G");
    return fitted;
}

void read3dsData(Node& context, const std::string& path, const uint8_t* data, size_t size) {
    try {
        Reader3ds(context, path, data, size).run();
    } catch (const std::bad_alloc&) {
        context.error(kRead3dsFailed, path.c_str());
    }
}

void read3dsFile(Node& context, const std::string& path, std::FILE* file) {
    if (!file) return;
    std::vector<uint8_t> bytes;
    bool ok = true;
    try {
        // The size, where it can be told, spares the list its growing.
        if (std::fseek(file, 0, SEEK_END) == 0) {
            const long size = std::ftell(file);
            if (size > 0) bytes.reserve(static_cast<size_t>(size));
            std::rewind(file);
        }
        uint8_t buffer[65536];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) {
        context.error(kRead3dsFailed, path.c_str());
        return;
    }
    read3dsData(context, path, bytes.data(), bytes.size());
}

}  // namespace glowpond
