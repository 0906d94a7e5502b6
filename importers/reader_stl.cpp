#include "importers/reader_stl.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "importers/part_collector.h"
#include "importers/text_lines.h"
#include "text/number_scan.h"

namespace glowpond {

const char kReadStlFailed[] = "Read failed for STL file '%s': %s";

namespace {

constexpr size_t kHeaderBytes = 80;
constexpr size_t kFacetBytes = 50;
constexpr size_t kFirstFacet = kHeaderBytes + 4;

uint32_t u32At(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24; }

float f32At(const uint8_t* p) {
    const uint32_t bits = u32At(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool wordIs(const char* begin, const char* end, std::string_view word) {
    if (static_cast<size_t>(end - begin) != word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (lower(begin[i]) != word[i]) return false;
    }
    return true;
}

bool startsWithSolid(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const char* p = skipBlanks(text, text + size);
    while (p != text + size && (*p == '\n' || isBlank(*p))) ++p;
    return text + size - p >= 5 && wordIs(p, p + 5, "solid");
}

// Text, as far as the head tells: no NUL bytes and a facet or the end of a solid.
bool readsAsText(const uint8_t* data, size_t size) {
    const size_t head = std::min<size_t>(size, 1024);
    if (std::memchr(data, 0, head)) return false;
    std::string text(reinterpret_cast<const char*>(data), head);
    for (char& c : text) c = lower(c);
    return text.find("facet") != std::string::npos || text.find("endsolid") != std::string::npos;
}

bool finite(const Vec3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

class StlReader {
public:
    StlReader(Node& context, const ModelSource& source) : context_(context), source_(source) {
        collector_.setZUp(true);
    }

    void run() {
        const uint8_t* data = source_.data;
        const size_t size = source_.size;
        const bool exactBinary = size >= kFirstFacet && kFirstFacet + uint64_t{u32At(data + kHeaderBytes)} * kFacetBytes == size;
        if (!exactBinary && startsWithSolid(data, size) && readsAsText(data, size)) {
            readAscii();
        } else if (size >= kFirstFacet) {
            readBinary();
        } else {
            context_.error(kReadStlFailed, source_.name.c_str(), "it is too short for an STL file");
            return;
        }
        if (shortFacets_ > 0) context_.status("Skipped %lld facets with fewer than three vertices.", shortFacets_);
        if (nonFinite_ > 0) {
            context_.status("Skipped %lld facets whose coordinates are not finite numbers.", nonFinite_);
        }
        if (collector_.triangleCount() == 0) {
            context_.error(kReadStlFailed, source_.name.c_str(), "it has no facets to show");
            return;
        }
        collector_.finish(context_);
    }

private:
    bool addFacet(size_t part, const Vec3* corners, size_t count, const MaterialValues* material) {
        if (count < 3) {
            ++shortFacets_;
            return true;
        }
        for (size_t i = 0; i < count; ++i) {
            if (!finite(corners[i])) {
                ++nonFinite_;
                return true;
            }
        }
        numbers_.clear();
        for (size_t i = 0; i < count; ++i) {
            const int32_t number = collector_.sharedPoint(corners[i]);
            if (number < 0) return false;
            numbers_.push_back(number);
        }
        return collector_.addFace(part, numbers_.data(), count, material);
    }

    void readBinary() {
        const uint8_t* data = source_.data;
        const uint32_t declared = u32At(data + kHeaderBytes);
        const uint64_t held = (source_.size - kFirstFacet) / kFacetBytes;
        const uint64_t count = std::min<uint64_t>(declared, held);
        if (declared > held) {
            context_.status("The file holds %llu of the %lu facets it declares; the rest is missing.",
                            static_cast<unsigned long long>(held), static_cast<unsigned long>(declared));
        }
        // "COLOR=" and red, green, blue, alpha: the model's colour, and
        // facets that have their own in the other order of bits.
        const char* header = reinterpret_cast<const char*>(data);
        const char* colorTag = nullptr;
        for (size_t i = 0; i + 10 <= kHeaderBytes; ++i) {
            if (std::memcmp(header + i, "COLOR=", 6) == 0) {
                colorTag = header + i + 6;
                break;
            }
        }
        MaterialValues modelColour;
        if (colorTag) {
            const uint8_t* rgb = reinterpret_cast<const uint8_t*>(colorTag);
            modelColour.diffuse = {rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f};
        }
        const size_t part = collector_.part("");
        MaterialValues facetColour;
        Vec3 corners[3];
        for (uint64_t f = 0; f < count; ++f) {
            const uint8_t* facet = data + kFirstFacet + f * kFacetBytes;
            for (int c = 0; c < 3; ++c) {
                const uint8_t* p = facet + 12 + 12 * c;
                corners[c] = {f32At(p), f32At(p + 4), f32At(p + 8)};
            }
            const uint32_t attribute = uint32_t{facet[48]} | uint32_t{facet[49]} << 8;
            const MaterialValues* material = colorTag ? &modelColour : nullptr;
            const bool own = colorTag ? (attribute & 0x8000) == 0 : (attribute & 0x8000) != 0;
            if (own) {
                const float low = static_cast<float>(attribute & 31) / 31.0f;
                const float middle = static_cast<float>(attribute >> 5 & 31) / 31.0f;
                const float high = static_cast<float>(attribute >> 10 & 31) / 31.0f;
                facetColour.diffuse = colorTag ? Vec3{low, middle, high} : Vec3{high, middle, low};
                material = &facetColour;
            }
            if (!addFacet(part, corners, 3, material)) throw std::bad_alloc();
        }
    }

    void readAscii() {
        const char* p = reinterpret_cast<const char*>(source_.data);
        const char* end = p + source_.size;
        size_t part = collector_.part("");
        std::vector<Vec3> corners;
        bool inFacet = false;
        auto next = [&](const char*& word) {
            while (p != end && (isBlank(*p) || *p == '\n')) ++p;
            word = p;
            while (p != end && !isBlank(*p) && *p != '\n') ++p;
            return word != p;
        };
        const char* word;
        while (next(word)) {
            if (wordIs(word, p, "vertex")) {
                double xyz[3] = {0, 0, 0};
                bool ok = true;
                for (double& value : xyz) {
                    while (p != end && isBlank(*p)) ++p;
                    const char* after = scanDouble(p, end, value);
                    ok = ok && after != p;
                    p = after;
                }
                Vec3 point{xyz[0], xyz[1], xyz[2]};
                // A vertex that cannot be read spoils its facet.
                if (!ok) point.x = std::nan("");
                corners.push_back(point);
            } else if (wordIs(word, p, "facet")) {
                if (inFacet) finishFacet(part, corners);
                inFacet = true;
                corners.clear();
            } else if (wordIs(word, p, "endfacet")) {
                if (inFacet) finishFacet(part, corners);
                inFacet = false;
            } else if (wordIs(word, p, "solid")) {
                // The rest of the line names the solid.
                const char* name = p;
                while (p != end && *p != '\n') ++p;
                part = collector_.part(std::string(skipBlanks(name, p), p));
            } else if (wordIs(word, p, "endsolid")) {
                while (p != end && *p != '\n') ++p;
            }
        }
        // A file cut after its last vertex, or facets without their end.
        if (inFacet) finishFacet(part, corners);
    }

    void finishFacet(size_t part, const std::vector<Vec3>& corners) {
        if (!addFacet(part, corners.data(), corners.size(), nullptr)) throw std::bad_alloc();
    }

    Node& context_;
    const ModelSource& source_;
    PartCollector collector_;
    std::vector<int32_t> numbers_;
    long long shortFacets_ = 0;
    long long nonFinite_ = 0;
};

}  // namespace

void readStl(Node& context, const ModelSource& source, const ReadOptions&) {
    readWithinMemory(context, source, kReadStlFailed, [](Node& c, const ModelSource& s) { StlReader(c, s).run(); });
}

bool looksLikeStl(const uint8_t* data, size_t size) {
    if (startsWithSolid(data, size)) return true;
    return size >= kFirstFacet + kFacetBytes || (size >= kFirstFacet && kFirstFacet + uint64_t{u32At(data + kHeaderBytes)} * kFacetBytes == size);
}

}  // namespace glowpond
