#include "scene/values.h"

#include <iterator>

namespace glowpond {
namespace {

const EnumKeyword kKeywords[] = {
    {"LEFT", 1},
    {"RIGHT", 2},
    {"CENTER", 3},
    {"SIDES", kPartsSides},
    {"BOTTOM", kPartsBottom},
    {"TOP", kPartsTop},
    {"ALL", kPartsAll},
    {"TRUE", 1},
    {"FALSE", 0},
    {"SERIF", 1},
    {"SANS", 2},
    {"TYPEWRITER", 4},
    {"NONE", 1},
    {"BOLD", 2},
    {"ITALIC", 4},
    {"DEFAULT", kBindingDefault},
    {"OVERALL", kBindingOverall},
    {"PER_PART", kBindingPerPart},
    {"PER_PART_INDEXED", kBindingPerPartIndexed},
    {"PER_FACE", kBindingPerFace},
    {"PER_FACE_INDEXED", kBindingPerFaceIndexed},
    {"PER_VERTEX", kBindingPerVertex},
    {"PER_VERTEX_INDEXED", kBindingPerVertexIndexed},
    {"ON", 1},
    {"OFF", 0},
    {"AUTO", 2},
    {"UNKNOWN_ORDERING", kOrderingUnknown},
    {"CLOCKWISE", kOrderingClockwise},
    {"COUNTERCLOCKWISE", kOrderingCounterclockwise},
    {"UNKNOWN_SHAPE_TYPE", kShapeTypeUnknown},
    {"SOLID", kShapeTypeSolid},
    {"UNKNOWN_FACE_TYPE", kFaceTypeUnknown},
    {"CONVEX", kFaceTypeConvex},
    {"REPEAT", 1},
    {"CLAMP", 2},
    {"POINT", 2},
};

}  // namespace

const EnumKeyword* enumKeywordsBegin() { return std::begin(kKeywords); }
const EnumKeyword* enumKeywordsEnd() { return std::end(kKeywords); }

bool findEnumKeyword(std::string_view name, int32_t& value) {
    for (const EnumKeyword& keyword : kKeywords) {
        if (name == keyword.name) {
            value = keyword.value;
            return true;
        }
    }
    return false;
}

}  // namespace glowpond
