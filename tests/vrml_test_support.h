// Helpers for the VRML reader tests: a load context that records what the
// reader reports, and a one-line picture of a scene tree.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "scene/grouping.h"
#include "vrml/parser.h"

namespace glowpond::testing {

class RecordingContext : public Separator {
public:
    std::vector<std::string> statuses;
    std::vector<std::string> errors;

    // The children as "Separator(Cube#name Group())": class, DEF name, children.
    std::string tree() const { return describeChildren(*this); }

protected:
    void vstatus(const char* format, std::va_list args) override { statuses.push_back(formatted(format, args)); }
    void verror(const char* format, std::va_list args) override { errors.push_back(formatted(format, args)); }

private:
    static std::string formatted(const char* format, std::va_list args) {
        char text[2048];
        std::vsnprintf(text, sizeof text, format, args);
        return text;
    }

    static std::string describeChildren(const Node& parent) {
        static const char* const kClassNames[] = {
            "Node", "Separator", "TransformSeparator", "Group", "Switch", "Coordinate3", "Normal",
            "NormalBinding", "IndexedFaceSet", "PerspectiveCamera", "?", "Cube", "Translation", "Scale",
            "Rotation", "MatrixTransform", "PointLight", "SpotLight", "Material", "MaterialBinding", "LOD",
            "Sphere", "Cylinder", "Transform", "WWWAnchor", "TextureCoordinate2", "Cone", "ShapeHints"};
        std::string text;
        for (const Node* child = parent.firstChildNode(); child; child = child->nextSibling()) {
            if (!text.empty()) text += ' ';
            text += kClassNames[static_cast<int>(child->typeCode())];
            if (!child->name().empty()) text += '#' + child->name();
            if (child->firstChildNode()) text += '(' + describeChildren(*child) + ')';
        }
        return text;
    }
};

// Reads `text` with a fresh reader state.
inline void readText(RecordingContext& context, const std::string& text) {
    VrmlReaderState state;
    readVrmlText(state, context, text);
}

}  // namespace glowpond::testing
