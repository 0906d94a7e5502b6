// Property nodes: they set an entry of the traversal state at the current
// level, which the shapes after them (in the same Separator) then use.
#pragma once

#include <memory>

#include "scene/field_array.h"
#include "scene/node.h"
#include "scene/values.h"

namespace glowpond {

// The current coordinates of later IndexedFaceSets.
class Coordinate3 : public Node {
public:
    Coordinate3();
    static std::unique_ptr<Node> create();

    const FieldArray<Vec3>& point() const { return point_; }
    FieldArray<Vec3>& point() { return point_; }  // readers may fill it directly

    void setVec3Array(std::string_view field, std::unique_ptr<FieldArray<Vec3>> value) override;  // any name
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    FieldArray<Vec3> point_;
};

// The current normals of later IndexedFaceSets.
class Normal : public Node {
public:
    Normal();
    static std::unique_ptr<Node> create();

    const FieldArray<Vec3>& vector() const { return vector_; }

    void setVec3Array(std::string_view field, std::unique_ptr<FieldArray<Vec3>> value) override;  // any name
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    FieldArray<Vec3> vector_;
};

// How normals attach to faces: one of the kBinding* values.
class NormalBinding : public Node {
public:
    NormalBinding();
    static std::unique_ptr<Node> create();

    int32_t value() const { return value_; }
    void setInt(std::string_view field, int32_t value) override;  // any name
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    int32_t value_ = kBindingDefault;
};

// How materials attach to faces: one of the kBinding* values.
class MaterialBinding : public Node {
public:
    MaterialBinding();
    static std::unique_ptr<Node> create();

    int32_t value() const { return value_; }
    void setInt(std::string_view field, int32_t value) override;  // any name
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    int32_t value_ = kBindingDefault;
};

// A list of materials held as six independent arrays, one per component:
// material i takes element i of each array, or the array's last element
// when it is shorter, or zero when it is empty.
class Material : public Node {
public:
    enum class Colour { Ambient, Diffuse, Specular, Emissive };

    Material();
    static std::unique_ptr<Node> create();

    const FieldArray<Vec3>& ambientColor() const { return ambient_; }
    const FieldArray<Vec3>& diffuseColor() const { return diffuse_; }
    const FieldArray<Vec3>& specularColor() const { return specular_; }
    const FieldArray<Vec3>& emissiveColor() const { return emissive_; }
    const FieldArray<double>& shininess() const { return shininess_; }
    const FieldArray<double>& transparency() const { return transparency_; }

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
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    FieldArray<Vec3> ambient_;
    FieldArray<Vec3> diffuse_;
    FieldArray<Vec3> specular_;
    FieldArray<Vec3> emissive_;
    FieldArray<double> shininess_;
    FieldArray<double> transparency_;
};

// Texture coordinates are read and kept but play no part in the display.
class TextureCoordinate2 : public Node {
public:
    TextureCoordinate2();
    static std::unique_ptr<Node> create();

    const FieldArray<Vec2>& point() const { return point_; }

    void setVec2Array(std::string_view field, std::unique_ptr<FieldArray<Vec2>> value) override;  // any name
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    FieldArray<Vec2> point_;
};

// Says which way the faces after it turn (kOrdering* values); the
// conversion reverses clockwise faces. The defaults describe the usual
// model: counter-clockwise, solid, convex.
class ShapeHints : public Node {
public:
    ShapeHints();
    static std::unique_ptr<Node> create();

    int32_t vertexOrdering() const { return vertexOrdering_; }
    int32_t shapeType() const { return shapeType_; }
    int32_t faceType() const { return faceType_; }
    double creaseAngle() const { return creaseAngle_; }

    // "vertexOrdering", "shapeType", "faceType".
    void setInt(std::string_view field, int32_t value) override;
    void setFloat(std::string_view field, double value) override;  // creaseAngle, any name
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    int32_t vertexOrdering_ = kOrderingCounterclockwise;
    int32_t shapeType_ = kShapeTypeSolid;
    int32_t faceType_ = kFaceTypeConvex;
    double creaseAngle_ = 0.5;
};

}  // namespace glowpond
