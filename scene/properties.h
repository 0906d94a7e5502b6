// Property nodes: they set an entry of the traversal state at the current
// level, which the shapes after them (in the same Separator) then use.
#pragma once

#include <memory>

#include "scene/field_array.h"
#include "scene/node.h"
#include "scene/values.h"

namespace glowpond {

struct Coordinate3Fields {
    FieldArray<Vec3> point;
};

// The current coordinates of later IndexedFaceSets.
class Coordinate3 : public NodeClassWithFields<Coordinate3, NodeType::Coordinate3, Coordinate3Fields> {
public:
    const FieldArray<Vec3>& point() const { return fields_.point; }
    FieldArray<Vec3>& point() { return fields_.point; }  // readers may fill it directly

    void setVec3Array(std::string_view field, std::unique_ptr<FieldArray<Vec3>> value) override;  // any name
    void apply(TraversalState& state, NodeAction& action) override;
};

struct NormalFields {
    FieldArray<Vec3> vector;
};

// The current normals of later IndexedFaceSets.
class Normal : public NodeClassWithFields<Normal, NodeType::Normal, NormalFields> {
public:
    const FieldArray<Vec3>& vector() const { return fields_.vector; }

    void setVec3Array(std::string_view field, std::unique_ptr<FieldArray<Vec3>> value) override;  // any name
    void apply(TraversalState& state, NodeAction& action) override;
};

struct BindingFields {
    int32_t value = kBindingDefault;
};

// How normals attach to faces: one of the kBinding* values.
class NormalBinding : public NodeClassWithFields<NormalBinding, NodeType::NormalBinding, BindingFields> {
public:
    int32_t value() const { return fields_.value; }
    void setInt(std::string_view field, int32_t value) override;  // any name
    void apply(TraversalState& state, NodeAction& action) override;
};

// How materials attach to faces: one of the kBinding* values.
class MaterialBinding : public NodeClassWithFields<MaterialBinding, NodeType::MaterialBinding, BindingFields> {
public:
    int32_t value() const { return fields_.value; }
    void setInt(std::string_view field, int32_t value) override;  // any name
    void apply(TraversalState& state, NodeAction& action) override;
};

struct MaterialFields {
    FieldArray<Vec3> ambientColor;
    FieldArray<Vec3> diffuseColor;
    FieldArray<Vec3> specularColor;
    FieldArray<Vec3> emissiveColor;
    FieldArray<double> shininess;
    FieldArray<double> transparency;
};

// Whether two materials are equal within kCoincidence in every colour,
// shininess and transparency. Never for a NaN or infinite component.
bool sameMaterial(const MaterialValues& a, const MaterialValues& b);

// A list of materials held as six independent arrays, one per component:
// material i takes element i of each array, or the array's last element
// when it is shorter, or zero when it is empty.
class Material : public NodeClassWithFields<Material, NodeType::Material, MaterialFields> {
public:
    enum class Colour { Ambient, Diffuse, Specular, Emissive };

    const FieldArray<Vec3>& ambientColor() const { return fields_.ambientColor; }
    const FieldArray<Vec3>& diffuseColor() const { return fields_.diffuseColor; }
    const FieldArray<Vec3>& specularColor() const { return fields_.specularColor; }
    const FieldArray<Vec3>& emissiveColor() const { return fields_.emissiveColor; }
    const FieldArray<double>& shininess() const { return fields_.shininess; }
    const FieldArray<double>& transparency() const { return fields_.transparency; }

    // The largest count among the six arrays; 0 when all are empty.
    int32_t materialCount() const;
    // Material `index`, taken modulo materialCount(); a negative index
    // gives material 0. Never fails.
    MaterialValues material(int32_t index) const;
    // The first material equal to `values` within kCoincidence in every
    // colour, shininess and transparency; -1 when there is none.
    int32_t findMaterial(const MaterialValues& values) const;
    // Stores `values` as material materialCount() in all six arrays, which
    // then have equal counts, and returns its index; -1 when no memory is left.
    int32_t appendMaterial(const MaterialValues& values);
    // Leaves exactly one material, the default MaterialValues. False when no
    // memory is left.
    bool resetToDefault();
    // Stores `colour` at `index` of one colour array, growing it (new
    // elements are black) as needed. False for a negative index or when no
    // memory is left.
    bool setColourAt(Colour array, int32_t index, const Vec3& colour);
    // True when an array could not grow for lack of memory.
    bool failed() const;

    // "ambientColor", "diffuseColor", "specularColor", "emissiveColor".
    void setVec3Array(std::string_view field, std::unique_ptr<FieldArray<Vec3>> value) override;
    // "shininess", "transparency".
    void setFloatArray(std::string_view field, std::unique_ptr<FieldArray<double>> value) override;
    void apply(TraversalState& state, NodeAction& action) override;
};

struct TextureCoordinate2Fields {
    FieldArray<Vec2> point;
};

// Texture coordinates are read and kept but play no part in the display.
class TextureCoordinate2
    : public NodeClassWithFields<TextureCoordinate2, NodeType::TextureCoordinate2, TextureCoordinate2Fields> {
public:
    const FieldArray<Vec2>& point() const { return fields_.point; }

    void setVec2Array(std::string_view field, std::unique_ptr<FieldArray<Vec2>> value) override;  // any name
    void apply(TraversalState& state, NodeAction& action) override;
};

struct ShapeHintsFields {
    int32_t vertexOrdering = kOrderingCounterclockwise;
    int32_t shapeType = kShapeTypeSolid;
    int32_t faceType = kFaceTypeConvex;
    double creaseAngle = 0.5;
};

// Says which way the faces after it turn (kOrdering* values); the
// conversion reverses clockwise faces. The defaults describe the usual
// model: counter-clockwise, solid, convex.
class ShapeHints : public NodeClassWithFields<ShapeHints, NodeType::ShapeHints, ShapeHintsFields> {
public:
    int32_t vertexOrdering() const { return fields_.vertexOrdering; }
    int32_t shapeType() const { return fields_.shapeType; }
    int32_t faceType() const { return fields_.faceType; }
    double creaseAngle() const { return fields_.creaseAngle; }

    // "vertexOrdering", "shapeType", "faceType".
    void setInt(std::string_view field, int32_t value) override;
    void setFloat(std::string_view field, double value) override;  // creaseAngle, any name
    void apply(TraversalState& state, NodeAction& action) override;
};

}  // namespace glowpond
