// Transform nodes: each multiplies its local matrix in front of the current
// transform (current <- local x current), so later shapes in the same
// Separator are moved. Rotation angles are radians.
#pragma once


#include "scene/matrix4.h"
#include "scene/node.h"
#include "scene/values.h"

namespace glowpond {

// Accumulates the node's local matrix and then, for an action that wants
// transforms, hands it the node's own values.
class TransformNode : public Node {
public:
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    explicit TransformNode(NodeType type) : Node(type) {}
    virtual void reportValues(NodeAction& action) const = 0;
};

struct TranslationFields {
    Vec3 translation{0.0, 0.0, 0.0};
};

class Translation
    : public NodeClassWithFields<Translation, NodeType::Translation, TranslationFields, TransformNode> {
public:
    const Vec3& translation() const { return fields_.translation; }
    void setVec3(std::string_view field, const Vec3& value) override;  // any name
    Matrix4 localMatrix() const override;

protected:
    void reportValues(NodeAction& action) const override;  // translation
};

struct ScaleFields {
    Vec3 scaleFactor{1.0, 1.0, 1.0};
};

class Scale : public NodeClassWithFields<Scale, NodeType::Scale, ScaleFields, TransformNode> {
public:
    const Vec3& scaleFactor() const { return fields_.scaleFactor; }
    void setVec3(std::string_view field, const Vec3& value) override;  // any name
    Matrix4 localMatrix() const override;

protected:
    void reportValues(NodeAction& action) const override;  // scale
};

struct RotationFields {
    AxisAngle rotation;
};

// The angle is taken in radians as stored; the axis is normalised and a
// zero axis means the y axis.
class Rotation : public NodeClassWithFields<Rotation, NodeType::Rotation, RotationFields, TransformNode> {
public:
    const AxisAngle& rotation() const { return fields_.rotation; }
    void setRotation(std::string_view field, const AxisAngle& value) override;  // any name
    Matrix4 localMatrix() const override;

protected:
    void reportValues(NodeAction& action) const override;  // rotation
};

struct MatrixTransformFields {
    Matrix4 matrix = Matrix4::identity();
};

// The matrix as stored: row-major, for row vectors, translation in row 3.
class MatrixTransform
    : public NodeClassWithFields<MatrixTransform, NodeType::MatrixTransform, MatrixTransformFields, TransformNode> {
public:
    const Matrix4& matrix() const { return fields_.matrix; }
    void setMatrix(std::string_view field, const Matrix4& value) override;  // any name
    Matrix4 localMatrix() const override;

protected:
    void reportValues(NodeAction& action) const override;  // matrix
};

struct TransformFields {
    Vec3 translation{0.0, 0.0, 0.0};
    AxisAngle rotation;
    Vec3 scaleFactor{1.0, 1.0, 1.0};
    AxisAngle scaleOrientation;
    Vec3 center{0.0, 0.0, 0.0};
};

// A point is moved by -center, turned out of the scale orientation,
// scaled, turned back, rotated, moved back by center and translated.
// Parts at their neutral values (lengths below kCoincidence, angles of
// exactly zero) are left out of the product.
class Transform : public NodeClassWithFields<Transform, NodeType::Transform, TransformFields, TransformNode> {
public:
    const Vec3& translation() const { return fields_.translation; }
    const AxisAngle& rotation() const { return fields_.rotation; }
    const Vec3& scaleFactor() const { return fields_.scaleFactor; }
    const AxisAngle& scaleOrientation() const { return fields_.scaleOrientation; }
    const Vec3& center() const { return fields_.center; }

    // "translation", "scaleFactor", "center".
    void setVec3(std::string_view field, const Vec3& value) override;
    // "rotation", "scaleOrientation".
    void setRotation(std::string_view field, const AxisAngle& value) override;
    Matrix4 localMatrix() const override;

protected:
    void reportValues(NodeAction& action) const override;  // translation, rotation, scale
};

}  // namespace glowpond
