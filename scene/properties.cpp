#include "scene/properties.h"

#include <algorithm>
#include <cmath>

#include "scene/traversal.h"

namespace glowpond {
namespace {

template <typename T>
void replaceArray(FieldArray<T>& field, std::unique_ptr<FieldArray<T>> value) {
    if (value) field = std::move(*value);
}

// Element `index` of a component array, its last element when it is
// shorter, zero when it is empty.
template <typename T>
T component(const FieldArray<T>& array, int32_t index) {
    if (array.empty()) return T{};
    return array[std::min(index, array.count() - 1)];
}

}  // namespace

bool sameMaterial(const MaterialValues& a, const MaterialValues& b) {
    return distance(a.ambient, b.ambient) < kCoincidence && distance(a.diffuse, b.diffuse) < kCoincidence &&
           distance(a.specular, b.specular) < kCoincidence && distance(a.emissive, b.emissive) < kCoincidence &&
           std::fabs(a.shininess - b.shininess) < kCoincidence &&
           std::fabs(a.transparency - b.transparency) < kCoincidence;
}

void Coordinate3::setVec3Array(std::string_view, std::unique_ptr<FieldArray<Vec3>> value) {
    replaceArray(fields_.point, std::move(value));
}

void Coordinate3::apply(TraversalState& state, NodeAction& action) {
    state.current().coordinates = &fields_.point;
    if (action.wantsRawGeometry()) action.coordinates(state, fields_.point);
}

void Normal::setVec3Array(std::string_view, std::unique_ptr<FieldArray<Vec3>> value) {
    replaceArray(fields_.vector, std::move(value));
}

void Normal::apply(TraversalState& state, NodeAction& action) {
    state.current().normals = &fields_.vector;
    if (action.wantsRawGeometry()) action.normals(state, fields_.vector);
}

void NormalBinding::setInt(std::string_view, int32_t value) { fields_.value = value; }
void NormalBinding::apply(TraversalState& state, NodeAction&) { state.current().normalBinding = fields_.value; }

void MaterialBinding::setInt(std::string_view, int32_t value) { fields_.value = value; }
void MaterialBinding::apply(TraversalState& state, NodeAction&) { state.current().materialBinding = fields_.value; }

int32_t Material::materialCount() const {
    const MaterialFields& f = fields_;
    return std::max({f.ambientColor.count(), f.diffuseColor.count(), f.specularColor.count(),
                     f.emissiveColor.count(), f.shininess.count(), f.transparency.count()});
}

MaterialValues Material::material(int32_t index) const {
    const int32_t count = materialCount();
    index = index > 0 && count > 0 ? index % count : 0;
    MaterialValues values;
    values.ambient = component(fields_.ambientColor, index);
    values.diffuse = component(fields_.diffuseColor, index);
    values.specular = component(fields_.specularColor, index);
    values.emissive = component(fields_.emissiveColor, index);
    values.shininess = component(fields_.shininess, index);
    values.transparency = component(fields_.transparency, index);
    return values;
}

int32_t Material::findMaterial(const MaterialValues& values) const {
    const int32_t count = materialCount();
    for (int32_t i = 0; i < count; ++i) {
        if (sameMaterial(material(i), values)) return i;
    }
    return -1;
}

int32_t Material::appendMaterial(const MaterialValues& values) {
    const int32_t index = materialCount();
    MaterialFields& f = fields_;
    // Every array is tried, so that a failure leaves the counts as equal as possible.
    bool stored = f.ambientColor.setAt(index, values.ambient);
    stored = f.diffuseColor.setAt(index, values.diffuse) && stored;
    stored = f.specularColor.setAt(index, values.specular) && stored;
    stored = f.emissiveColor.setAt(index, values.emissive) && stored;
    stored = f.shininess.setAt(index, values.shininess) && stored;
    stored = f.transparency.setAt(index, values.transparency) && stored;
    return stored ? index : -1;
}

bool Material::resetToDefault() {
    fields_ = MaterialFields{};
    return appendMaterial(MaterialValues{}) == 0;
}

bool Material::setColourAt(Colour array, int32_t index, const Vec3& colour) {
    switch (array) {
        case Colour::Ambient: return fields_.ambientColor.setAt(index, colour);
        case Colour::Diffuse: return fields_.diffuseColor.setAt(index, colour);
        case Colour::Specular: return fields_.specularColor.setAt(index, colour);
        case Colour::Emissive: return fields_.emissiveColor.setAt(index, colour);
    }
    return false;
}

bool Material::failed() const {
    const MaterialFields& f = fields_;
    return f.ambientColor.failed() || f.diffuseColor.failed() || f.specularColor.failed() ||
           f.emissiveColor.failed() || f.shininess.failed() || f.transparency.failed();
}

void Material::setVec3Array(std::string_view field, std::unique_ptr<FieldArray<Vec3>> value) {
    if (field == "ambientColor") {
        replaceArray(fields_.ambientColor, std::move(value));
    } else if (field == "diffuseColor") {
        replaceArray(fields_.diffuseColor, std::move(value));
    } else if (field == "specularColor") {
        replaceArray(fields_.specularColor, std::move(value));
    } else if (field == "emissiveColor") {
        replaceArray(fields_.emissiveColor, std::move(value));
    }
}

void Material::setFloatArray(std::string_view field, std::unique_ptr<FieldArray<double>> value) {
    if (field == "shininess") {
        replaceArray(fields_.shininess, std::move(value));
    } else if (field == "transparency") {
        replaceArray(fields_.transparency, std::move(value));
    }
}

void Material::apply(TraversalState& state, NodeAction&) { state.current().material = this; }

void TextureCoordinate2::setVec2Array(std::string_view, std::unique_ptr<FieldArray<Vec2>> value) {
    replaceArray(fields_.point, std::move(value));
}

// Asked for symmetry with the other raw lists; there is no handler for
// texture coordinates.
void TextureCoordinate2::apply(TraversalState&, NodeAction& action) { action.wantsRawGeometry(); }

void ShapeHints::setInt(std::string_view field, int32_t value) {
    if (field == "vertexOrdering") {
        fields_.vertexOrdering = value;
    } else if (field == "shapeType") {
        fields_.shapeType = value;
    } else if (field == "faceType") {
        fields_.faceType = value;
    }
}

void ShapeHints::setFloat(std::string_view, double value) { fields_.creaseAngle = value; }

void ShapeHints::apply(TraversalState& state, NodeAction&) { state.current().shapeHints = this; }

}  // namespace glowpond
