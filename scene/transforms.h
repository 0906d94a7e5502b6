// Transform nodes: each multiplies its local matrix in front of the current
// transform (current <- local x current), so later shapes in the same
// Separator are moved. Rotation angles are radians.
#pragma once

#include <memory>

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

class Translation : public TransformNode {
public:
    Translation();
    static std::unique_ptr<Node> create();

    const Vec3& translation() const { return translation_; }
    void setVec3(std::string_view field, const Vec3& value) override;  // any name
    void clear() override;
    Matrix4 localMatrix() const override;

protected:
    std::unique_ptr<Node> copyNode() const override;
    void reportValues(NodeAction& action) const override;  // translation

private:
    Vec3 translation_{0.0, 0.0, 0.0};
};

class Scale : public TransformNode {
public:
    Scale();
    static std::unique_ptr<Node> create();

    const Vec3& scaleFactor() const { return scaleFactor_; }
    void setVec3(std::string_view field, const Vec3& value) override;  // any name
    void clear() override;
    Matrix4 localMatrix() const override;

protected:
    std::unique_ptr<Node> copyNode() const override;
    void reportValues(NodeAction& action) const override;  // scale

private:
    Vec3 scaleFactor_{1.0, 1.0, 1.0};
};

// The angle is taken in radians as stored; the axis is normalised and a
// zero axis means the y axis.
class Rotation : public TransformNode {
public:
    Rotation();
    static std::unique_ptr<Node> create();

    const AxisAngle& rotation() const { return rotation_; }
    void setRotation(std::string_view field, const AxisAngle& value) override;  // any name
    void clear() override;
    Matrix4 localMatrix() const override;

protected:
    std::unique_ptr<Node> copyNode() const override;
    void reportValues(NodeAction& action) const override;  // rotation

private:
    AxisAngle rotation_;
};

// The matrix as stored: row-major, for row vectors, translation in row 3.
class MatrixTransform : public TransformNode {
public:
    MatrixTransform();
    static std::unique_ptr<Node> create();

    const Matrix4& matrix() const { return matrix_; }
    void setMatrix(std::string_view field, const Matrix4& value) override;  // any name
    void clear() override;
    Matrix4 localMatrix() const override;

protected:
    std::unique_ptr<Node> copyNode() const override;
    void reportValues(NodeAction& action) const override;  // matrix

private:
    Matrix4 matrix_ = Matrix4::identity();
};

// A point is moved by -center, turned out of the scale orientation,
// scaled, turned back, rotated, moved back by center and translated.
// Parts at their neutral values (lengths below kCoincidence, angles of
// exactly zero) are left out of the product.
class Transform : public TransformNode {
public:
    Transform();
    static std::unique_ptr<Node> create();

    const Vec3& translation() const { return translation_; }
    const AxisAngle& rotation() const { return rotation_; }
    const Vec3& scaleFactor() const { return scaleFactor_; }
    const AxisAngle& scaleOrientation() const { return scaleOrientation_; }
    const Vec3& center() const { return center_; }

    // "translation", "scaleFactor", "center".
    void setVec3(std::string_view field, const Vec3& value) override;
    // "rotation", "scaleOrientation".
    void setRotation(std::string_view field, const AxisAngle& value) override;
    void clear() override;
    Matrix4 localMatrix() const override;

protected:
    std::unique_ptr<Node> copyNode() const override;
    void reportValues(NodeAction& action) const override;  // translation, rotation, scale

private:
    Vec3 translation_{0.0, 0.0, 0.0};
    AxisAngle rotation_;
    Vec3 scaleFactor_{1.0, 1.0, 1.0};
    AxisAngle scaleOrientation_;
    Vec3 center_{0.0, 0.0, 0.0};
};

}  // namespace glowpond
