#include "vrml/node_types.h"

#include <cassert>

#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/properties.h"
#include "scene/shapes.h"
#include "scene/transforms.h"

namespace glowpond {
namespace {

using F = FieldType;

struct StandardField {
    const char* name;
    FieldType type;
};

struct StandardType {
    const char* name;
    bool grouping;
    NodeFactory factory;
    StandardField fields[VrmlNodeType::kMaxFields];  // ends at the first null name
};

// Types without a class are still listed, so that files using them load:
// their nodes are read and dropped.
const StandardType kStandardTypes[] = {
    {"Separator", true, &Separator::create, {{"renderCulling", F::SFEnum}}},
    {"Group", true, &Group::create, {}},
    {"LOD", true, &LOD::create, {{"range", F::MFFloat}, {"center", F::SFVec3f}}},
    {"Switch", true, &Switch::create, {{"whichChild", F::SFLong}}},
    {"TransformSeparator", true, &TransformSeparator::create, {}},
    {"WWWAnchor", true, &WWWAnchor::create,
     {{"name", F::SFString}, {"description", F::SFString}, {"map", F::SFEnum}}},
    {"AsciiText", false, nullptr,
     {{"string", F::MFString}, {"spacing", F::SFFloat}, {"justification", F::SFEnum}, {"width", F::MFFloat}}},
    {"Cone", false, &Cone::create, {{"parts", F::SFBitMask}, {"bottomRadius", F::SFFloat}, {"height", F::SFFloat}}},
    {"Coordinate3", false, &Coordinate3::create, {{"point", F::MFVec3f}}},
    {"Cube", false, &Cube::create, {{"width", F::SFFloat}, {"height", F::SFFloat}, {"depth", F::SFFloat}}},
    {"Cylinder", false, &Cylinder::create, {{"parts", F::SFBitMask}, {"radius", F::SFFloat}, {"height", F::SFFloat}}},
    {"DirectionalLight", false, nullptr,
     {{"on", F::SFBool}, {"intensity", F::SFFloat}, {"color", F::SFColor}, {"direction", F::SFVec3f}}},
    {"FontStyle", false, nullptr, {{"size", F::SFFloat}, {"family", F::SFEnum}, {"style", F::SFBitMask}}},
    {"IndexedFaceSet", false, &IndexedFaceSet::create,
     {{"coordIndex", F::MFLong}, {"materialIndex", F::MFLong}, {"normalIndex", F::MFLong},
      {"textureCoordIndex", F::MFLong}}},
    {"IndexedLineSet", false, nullptr,
     {{"coordIndex", F::MFLong}, {"materialIndex", F::MFLong}, {"normalIndex", F::MFLong},
      {"textureCoordIndex", F::MFLong}}},
    {"Info", false, &Node::create, {{"string", F::SFString}}},
    {"Material", false, &Material::create,
     {{"ambientColor", F::MFColor}, {"diffuseColor", F::MFColor}, {"specularColor", F::MFColor},
      {"emissiveColor", F::MFColor}, {"shininess", F::MFFloat}, {"transparency", F::MFFloat}}},
    {"MaterialBinding", false, &MaterialBinding::create, {{"value", F::SFEnum}}},
    {"MatrixTransform", false, &MatrixTransform::create, {{"matrix", F::SFMatrix}}},
    {"Normal", false, &Normal::create, {{"vector", F::MFVec3f}}},
    {"NormalBinding", false, &NormalBinding::create, {{"value", F::SFEnum}}},
    {"OrthographicCamera", false, nullptr,
     {{"position", F::SFVec3f}, {"orientation", F::SFRotation}, {"focalDistance", F::SFFloat},
      {"height", F::SFFloat}, {"nearDistance", F::SFFloat}, {"farDistance", F::SFFloat}}},
    {"PerspectiveCamera", false, &PerspectiveCamera::create,
     {{"position", F::SFVec3f}, {"orientation", F::SFRotation}, {"focalDistance", F::SFFloat},
      {"heightAngle", F::SFFloat}, {"nearDistance", F::SFFloat}, {"farDistance", F::SFFloat}}},
    {"PointLight", false, &PointLight::create,
     {{"on", F::SFBool}, {"intensity", F::SFFloat}, {"color", F::SFColor}, {"location", F::SFVec3f}}},
    {"PointSet", false, nullptr, {{"startIndex", F::SFLong}, {"numPoints", F::SFLong}}},
    {"Rotation", false, &Rotation::create, {{"rotation", F::SFRotation}}},
    {"Scale", false, &Scale::create, {{"scaleFactor", F::SFVec3f}}},
    {"ShapeHints", false, &ShapeHints::create,
     {{"vertexOrdering", F::SFEnum}, {"shapeType", F::SFEnum}, {"faceType", F::SFEnum},
      {"creaseAngle", F::SFFloat}}},
    {"Sphere", false, &Sphere::create, {{"radius", F::SFFloat}}},
    // SpotLight's color really is declared as a vector; both forms take three numbers.
    {"SpotLight", false, &SpotLight::create,
     {{"on", F::SFBool}, {"intensity", F::SFFloat}, {"color", F::SFVec3f}, {"location", F::SFVec3f},
      {"direction", F::SFVec3f}, {"dropOffRate", F::SFFloat}, {"cutOffAngle", F::SFFloat}}},
    {"Texture2", false, nullptr,
     {{"filename", F::SFString}, {"image", F::SFImage}, {"wrapS", F::SFEnum}, {"wrapT", F::SFEnum}}},
    {"Texture2Transform", false, nullptr,
     {{"translation", F::SFVec2f}, {"rotation", F::SFFloat}, {"scaleFactor", F::SFVec2f},
      {"center", F::SFVec2f}}},
    {"TextureCoordinate2", false, &TextureCoordinate2::create, {{"point", F::MFVec2f}}},
    {"Transform", false, &Transform::create,
     {{"translation", F::SFVec3f}, {"rotation", F::SFRotation}, {"scaleFactor", F::SFVec3f},
      {"scaleOrientation", F::SFRotation}, {"center", F::SFVec3f}}},
    {"Translation", false, &Translation::create, {{"translation", F::SFVec3f}}},
    {"WWWInline", false, nullptr, {{"name", F::SFString}, {"bboxSize", F::SFVec3f}, {"bboxCenter", F::SFVec3f}}},
};

}  // namespace

const VrmlFieldDecl* VrmlNodeType::findField(std::string_view fieldName) const {
    const std::string_view key = vrmlTableName(fieldName);
    for (int i = 0; i < fieldCount; ++i) {
        if (fields[i].name == key) return &fields[i];
    }
    return nullptr;
}

void VrmlNodeType::declareField(std::string_view fieldName, FieldType type) {
    const std::string_view key = vrmlTableName(fieldName);
    for (int i = 0; i < fieldCount; ++i) {
        if (fields[i].name == key) {
            fields[i].type = type;
            return;
        }
    }
    if (fieldCount == kMaxFields) return;
    fields[fieldCount].name.assign(key);
    fields[fieldCount].type = type;
    ++fieldCount;
}

void VrmlNodeTypeTable::registerStandardTypes() {
    clear();
    for (const StandardType& standard : kStandardTypes) {
        VrmlNodeType& type = add(standard.name, standard.grouping, standard.factory);
        for (const StandardField& field : standard.fields) {
            if (!field.name) break;
            type.declareField(field.name, field.type);
        }
    }
}

VrmlNodeType* VrmlNodeTypeTable::find(std::string_view name) {
    auto found = index_.find(vrmlTableName(name));
    return found == index_.end() ? nullptr : found->second;
}

const VrmlNodeType* VrmlNodeTypeTable::find(std::string_view name) const {
    return const_cast<VrmlNodeTypeTable*>(this)->find(name);
}

VrmlNodeType& VrmlNodeTypeTable::add(std::string_view name, bool grouping, NodeFactory factory) {
    assert(!find(name) && "a node type is registered once");
    VrmlNodeType& type = entries_.emplace_back();
    type.name.assign(vrmlTableName(name));
    type.grouping = grouping;
    type.factory = factory;
    index_.emplace(std::string_view(type.name), &type);
    return type;
}

void VrmlNodeTypeTable::clear() {
    index_.clear();
    entries_.clear();
}

}  // namespace glowpond
