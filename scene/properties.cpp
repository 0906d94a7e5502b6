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

bool sameMaterial(const MaterialValues& a, const MaterialValues& b) {
    return distance(a.ambient, b.ambient) < kCoincidence && distance(a.diffuse, b.diffuse) < kCoincidence &&
           distance(a.specular, b.specular) < kCoincidence && distance(a.emissive, b.emissive) < kCoincidence &&
           std::fabs(a.shininess - b.shininess) < kCoincidence &&
           std::fabs(a.transparency - b.transparency) < kCoincidence;
}

}  // namespace

Coordinate3::Coordinate3() : Node(NodeType::Coordinate3) {}
std::unique_ptr<Node> Coordinate3::create() { return std::make_unique<Coordinate3>(); }

std::unique_ptr<Node> Coordinate3::copyNode() const {
    auto copy = std::make_unique<Coordinate3>();
    copy->point_ = point_;
    return copy;
}

void Coordinate3::setVec3Array(std::string_view, std::unique_ptr<FieldArray<Vec3>> value) {
    replaceArray(point_, std::move(value));
}

void Coordinate3::clear() {
    point_.clear();
    Node::clear();
}

void Coordinate3::apply(TraversalState& state, NodeAction& action) {
    state.current().coordinates = &point_;
    if (action.wantsRawGeometry()) action.coordinates(state, point_);
}

Normal::Normal() : Node(NodeType::Normal) {}
std::unique_ptr<Node> Normal::create() { return std::make_unique<Normal>(); }

std::unique_ptr<Node> Normal::copyNode() const {
    auto copy = std::make_unique<Normal>();
    copy->vector_ = vector_;
    return copy;
}

void Normal::setVec3Array(std::string_view, std::unique_ptr<FieldArray<Vec3>> value) {
    replaceArray(vector_, std::move(value));
}

void Normal::clear() {
    vector_.clear();
    Node::clear();
}

void Normal::apply(TraversalState& state, NodeAction& action) {
    state.current().normals = &vector_;
    if (action.wantsRawGeometry()) action.normals(state, vector_);
}

NormalBinding::NormalBinding() : Node(NodeType::NormalBinding) {}
std::unique_ptr<Node> NormalBinding::create() { return std::make_unique<NormalBinding>(); }

std::unique_ptr<Node> NormalBinding::copyNode() const {
    auto copy = std::make_unique<NormalBinding>();
    copy->value_ = value_;
    return copy;
}

void NormalBinding::setInt(std::string_view, int32_t value) { value_ = value; }

void NormalBinding::clear() {
    value_ = kBindingDefault;
    Node::clear();
}

void NormalBinding::apply(TraversalState& state, NodeAction&) { state.current().normalBinding = value_; }

MaterialBinding::MaterialBinding() : Node(NodeType::MaterialBinding) {}
std::unique_ptr<Node> MaterialBinding::create() { return std::make_unique<MaterialBinding>(); }

std::unique_ptr<Node> MaterialBinding::copyNode() const {
    auto copy = std::make_unique<MaterialBinding>();
    copy->value_ = value_;
    return copy;
}

void MaterialBinding::setInt(std::string_view, int32_t value) { value_ = value; }

void MaterialBinding::clear() {
    value_ = kBindingDefault;
    Node::clear();
}

void MaterialBinding::apply(TraversalState& state, NodeAction&) { state.current().materialBinding = value_; }

Material::Material() : Node(NodeType::Material) {}
std::unique_ptr<Node> Material::create() { return std::make_unique<Material>(); }

std::unique_ptr<Node> Material::copyNode() const {
    auto copy = std::make_unique<Material>();
    copy->ambient_ = ambient_;
    copy->diffuse_ = diffuse_;
    copy->specular_ = specular_;
    copy->emissive_ = emissive_;
    copy->shininess_ = shininess_;
    copy->transparency_ = transparency_;
    return copy;
}

int32_t Material::materialCount() const {
    return std::max({ambient_.count(), diffuse_.count(), specular_.count(), emissive_.count(), shininess_.count(),
                     transparency_.count()});
}

MaterialValues Material::material(int32_t index) const {
    const int32_t count = materialCount();
    index = index > 0 && count > 0 ? index % count : 0;
    MaterialValues values;
    values.ambient = component(ambient_, index);
    values.diffuse = component(diffuse_, index);
    values.specular = component(specular_, index);
    values.emissive = component(emissive_, index);
    values.shininess = component(shininess_, index);
    values.transparency = component(transparency_, index);
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
    // Every array is tried, so that a failure leaves the counts as equal as possible.
    bool stored = ambient_.setAt(index, values.ambient);
    stored = diffuse_.setAt(index, values.diffuse) && stored;
    stored = specular_.setAt(index, values.specular) && stored;
    stored = emissive_.setAt(index, values.emissive) && stored;
    stored = shininess_.setAt(index, values.shininess) && stored;
    stored = transparency_.setAt(index, values.transparency) && stored;
    return stored ? index : -1;
}

bool Material::resetToDefault() {
    const MaterialValues defaults;
    ambient_.clear();
    diffuse_.clear();
    specular_.clear();
    emissive_.clear();
    shininess_.clear();
    transparency_.clear();
    return appendMaterial(defaults) == 0;
}

bool Material::setColourAt(Colour array, int32_t index, const Vec3& colour) {
    switch (array) {
        case Colour::Ambient: return ambient_.setAt(index, colour);
        case Colour::Diffuse: return diffuse_.setAt(index, colour);
        case Colour::Specular: return specular_.setAt(index, colour);
        case Colour::Emissive: return emissive_.setAt(index, colour);
    }
    return false;
}

bool Material::failed() const {
    return ambient_.failed() || diffuse_.failed() || specular_.failed() || emissive_.failed() ||
           shininess_.failed() || transparency_.failed();
}

void Material::setVec3Array(std::string_view field, std::unique_ptr<FieldArray<Vec3>> value) {
    if (field == "ambientColor") {
        replaceArray(ambient_, std::move(value));
    } else if (field == "diffuseColor") {
        replaceArray(diffuse_, std::move(value));
    } else if (field == "specularColor") {
        replaceArray(specular_, std::move(value));
    } else if (field == "emissiveColor") {
        replaceArray(emissive_, std::move(value));
    }
}

void Material::setFloatArray(std::string_view field, std::unique_ptr<FieldArray<double>> value) {
    if (field == "shininess") {
        replaceArray(shininess_, std::move(value));
    } else if (field == "transparency") {
        replaceArray(transparency_, std::move(value));
    }
}

void Material::clear() {
    ambient_.clear();
    diffuse_.clear();
    specular_.clear();
    emissive_.clear();
    shininess_.clear();
    transparency_.clear();
    Node::clear();
}

void Material::apply(TraversalState& state, NodeAction&) { state.current().material = this; }

TextureCoordinate2::TextureCoordinate2() : Node(NodeType::TextureCoordinate2) {}
std::unique_ptr<Node> TextureCoordinate2::create() { return std::make_unique<TextureCoordinate2>(); }

std::unique_ptr<Node> TextureCoordinate2::copyNode() const {
    auto copy = std::make_unique<TextureCoordinate2>();
    copy->point_ = point_;
    return copy;
}

void TextureCoordinate2::setVec2Array(std::string_view, std::unique_ptr<FieldArray<Vec2>> value) {
    replaceArray(point_, std::move(value));
}

void TextureCoordinate2::clear() {
    point_.clear();
    Node::clear();
}

// Asked for symmetry with the other raw lists; there is no handler for
// texture coordinates.
void TextureCoordinate2::apply(TraversalState&, NodeAction& action) { action.wantsRawGeometry(); }

ShapeHints::ShapeHints() : Node(NodeType::ShapeHints) {}
std::unique_ptr<Node> ShapeHints::create() { return std::make_unique<ShapeHints>(); }

std::unique_ptr<Node> ShapeHints::copyNode() const {
    auto copy = std::make_unique<ShapeHints>();
    copy->vertexOrdering_ = vertexOrdering_;
    copy->shapeType_ = shapeType_;
    copy->faceType_ = faceType_;
    copy->creaseAngle_ = creaseAngle_;
    return copy;
}

void ShapeHints::setInt(std::string_view field, int32_t value) {
    if (field == "vertexOrdering") {
        vertexOrdering_ = value;
    } else if (field == "shapeType") {
        shapeType_ = value;
    } else if (field == "faceType") {
        faceType_ = value;
    }
}

void ShapeHints::setFloat(std::string_view, double value) { creaseAngle_ = value; }

void ShapeHints::clear() {
    vertexOrdering_ = kOrderingCounterclockwise;
    shapeType_ = kShapeTypeSolid;
    faceType_ = kFaceTypeConvex;
    creaseAngle_ = 0.5;
    Node::clear();
}

void ShapeHints::apply(TraversalState& state, NodeAction&) { state.current().shapeHints = this; }

}  // namespace glowpond
