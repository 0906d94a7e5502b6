#include "importers/reader_table.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "importers/reader_3ds.h"
#include "importers/reader_gltf.h"
#include "importers/reader_obj.h"
#include "importers/reader_ply.h"
#include "importers/reader_stl.h"
#include "vrml/parser.h"

namespace glowpond {

const char kUnsupportedSuffix[] = "Unsupported file suffix '%s'\n";

namespace {

constexpr size_t kVrmlHeadBytes = 24;

// The first bytes of a VRML file as text: at most 24, up to a zero byte.
std::string_view vrmlHead(const uint8_t* data, size_t size) {
    const std::string_view head(reinterpret_cast<const char*>(data), std::min(size, kVrmlHeadBytes));
    return head.substr(0, head.find('\0'));
}

const char* vrmlRefusal(const uint8_t* data, size_t size) {
    const std::string_view head = vrmlHead(data, size);
    if (head.compare(0, 5, "#VRML") == 0 && head.find("V2.0 utf8") != std::string_view::npos) {
        return "Error: VRML 2.0 not supported in this version.";
    }
    return "Error: Not a valid VRML 1.0 file.";
}

void readVrml(Node& context, const ModelSource& source, const ReadOptions& options) {
    VrmlReaderState state;
    state.reading = options.strict ? VrmlReading::Strict : VrmlReading::Tolerant;
    readVrmlText(state, context, std::string_view(reinterpret_cast<const char*>(source.data), source.size));
}

// Either form: the reader tells them apart by the magic.
bool looksLikeGltfOrGlb(const uint8_t* data, size_t size) {
    return looksLikeGlb(data, size) || looksLikeGltf(data, size);
}

// The legacy formats first: their rule must see every name before the
// dotted ones do, and the chooser has always listed them in this order.
const std::vector<ReaderEntry> kReaders = {
    {"3D Studio", "3D Studio Object", "3ds", "", SuffixRule::LastThree, looksLike3ds, "Error: Not a valid 3DS file.",
     read3ds},
    {"VRML 1.0", "VRML", "wrl", "wrz", SuffixRule::LastThree, looksLikeVrml1, "Error: Not a valid VRML 1.0 file.",
     readVrml, vrmlRefusal},
    {"glTF 2.0", "glTF", "gltf glb", "", SuffixRule::Dotted, looksLikeGltfOrGlb, "Error: Not a valid glTF file.",
     readGltf},
    {"Wavefront OBJ", "Wavefront OBJ", "obj", "", SuffixRule::Dotted, looksLikeObj, "Error: Not a valid OBJ file.",
     readObj},
    {"PLY", "Stanford PLY", "ply", "", SuffixRule::Dotted, looksLikePly, "Error: Not a valid PLY file.", readPly},
    {"STL", "STL", "stl", "", SuffixRule::Dotted, looksLikeStl, "Error: Not a valid STL file.", readStl},
};

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lower(x) == lower(y);
           });
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    return out;
}

// Calls `each` with every suffix of the blank-separated `list` until it
// returns true.
template <typename Each>
bool anyOf(const char* list, Each each) {
    const std::string_view all(list);
    for (size_t at = 0; at < all.size();) {
        const size_t end = std::min(all.find(' ', at), all.size());
        if (end > at && each(all.substr(at, end - at))) return true;
        at = end + 1;
    }
    return false;
}

// The same over the entry's suffixes, and its packed ones when asked for.
template <typename Each>
bool anySuffix(const ReaderEntry& entry, bool packedToo, Each each) {
    return anyOf(entry.suffixes, each) || (packedToo && anyOf(entry.packedSuffixes, each));
}

bool endsWithDotted(std::string_view name, std::string_view suffix) {
    return name.size() > suffix.size() && name[name.size() - suffix.size() - 1] == '.' &&
           sameLetters(name.substr(name.size() - suffix.size()), suffix);
}

bool admitsName(const ReaderEntry& entry, std::string_view name, bool unpacking) {
    if (entry.rule == SuffixRule::Dotted) {
        return anySuffix(entry, unpacking, [&](std::string_view s) { return endsWithDotted(name, s); });
    }
    // Shorter names have no four last characters.
    if (name.size() < 4) return false;
    const std::string_view last = name.substr(name.size() - 4);
    return anySuffix(entry, unpacking, [&](std::string_view s) {
        return last.find(s) != std::string_view::npos || last.find(upper(s)) != std::string_view::npos;
    });
}

bool picksReader(const ReaderEntry& entry, std::string_view name, bool unpacking) {
    if (entry.rule == SuffixRule::Dotted) return admitsName(entry, name, unpacking);
    if (name.size() < 3) return false;
    const std::string_view last = name.substr(name.size() - 3);
    return anySuffix(entry, unpacking, [&](std::string_view s) { return sameLetters(last, s); });
}

}  // namespace

bool looksLikeVrml1(const uint8_t* data, size_t size) {
    return vrmlHead(data, size).find("#VRML V1.0 ascii") != std::string_view::npos;
}

bool looksLike3ds(const uint8_t* data, size_t size) { return size >= 2 && data[0] == 'M' && data[1] == 'M'; }

const std::vector<ReaderEntry>& readerTable() { return kReaders; }

const ReaderEntry* formatOfName(const std::string& name, bool unpacking) {
    for (const ReaderEntry& entry : kReaders) {
        if (admitsName(entry, name, unpacking)) return &entry;
    }
    return nullptr;
}

const ReaderEntry* readerOfName(const std::string& name, bool unpacking) {
    for (const ReaderEntry& entry : kReaders) {
        if (picksReader(entry, name, unpacking)) return &entry;
    }
    return nullptr;
}

bool hasModelSuffix(const std::string& fileName) {
    return std::any_of(kReaders.begin(), kReaders.end(), [&](const ReaderEntry& entry) {
        return anySuffix(entry, true, [&](std::string_view s) { return endsWithDotted(fileName, s); });
    });
}

std::string modelChooserFilter() {
    std::string all;
    std::string each;
    for (const ReaderEntry& entry : kReaders) {
        std::string patterns;
        anyOf(entry.suffixes, [&](std::string_view s) {
            patterns += (patterns.empty() ? "*." : ";*.") + std::string(s);
            return false;
        });
        all += (all.empty() ? "" : ";") + patterns;
        each += std::string(entry.filterLabel) + " (" + patterns + ")" + '\0' + patterns + '\0';
    }
    return "All models (" + all + ")" + '\0' + all + '\0' + each;
}

std::string formatSummary() {
    std::string out;
    for (const ReaderEntry& entry : kReaders) {
        out += (out.empty() ? "" : ", ") + std::string(entry.name) + " (";
        bool first = true;
        anyOf(entry.suffixes, [&](std::string_view s) {
            out += (first ? "." : ", .") + std::string(s);
            first = false;
            return false;
        });
        if (*entry.packedSuffixes) {
            out += ", or";
            anyOf(entry.packedSuffixes, [&](std::string_view s) {
                out += " ." + std::string(s);
                return false;
            });
            out += " compressed";
        }
        out += ")";
    }
    return out;
}

int dispatchModel(Node& context, const ModelSource& source, const ReadOptions& options, bool unpacking,
                  const char* readFailure) {
    const ReaderEntry* entry = readerOfName(source.name, unpacking);
    if (!entry) {
        const std::string& name = source.name;
        const std::string suffix = name.size() >= 3 ? name.substr(name.size() - 3) : name;
        context.error(kUnsupportedSuffix, suffix.c_str());
        return 0;
    }
    context.beginRead();
    if (readFailure) {
        context.error("%s.\n", readFailure);
    } else {
        entry->read(context, source, options);
    }
    context.endRead();
    context.status("Ready.");
    return 1;
}

}  // namespace glowpond
