#include "scene/transforms.h"

#include "scene/traversal.h"

namespace glowpond {
namespace {

Matrix4 rotationMatrix(const AxisAngle& rotation) {
    const Vec3 axis = length(rotation.axis) == 0.0 ? Vec3{0.0, 1.0, 0.0} : normalized(rotation.axis);
    return axisAngleMatrix(axis, rotation.angle);
}

}  // namespace

void TransformNode::apply(TraversalState& state, NodeAction& action) {
    accumulateTransform(state);
    if (action.wantsTransforms()) reportValues(action);
}

void Translation::setVec3(std::string_view, const Vec3& value) { fields_.translation = value; }

Matrix4 Translation::localMatrix() const { return Matrix4::translation(fields_.translation); }
void Translation::reportValues(NodeAction& action) const { action.translation(fields_.translation); }

void Scale::setVec3(std::string_view, const Vec3& value) { fields_.scaleFactor = value; }

Matrix4 Scale::localMatrix() const { return Matrix4::scaling(fields_.scaleFactor); }
void Scale::reportValues(NodeAction& action) const { action.scale(fields_.scaleFactor); }

void Rotation::setRotation(std::string_view, const AxisAngle& value) { fields_.rotation = value; }

Matrix4 Rotation::localMatrix() const { return rotationMatrix(fields_.rotation); }
void Rotation::reportValues(NodeAction& action) const { action.rotation(fields_.rotation); }

void MatrixTransform::setMatrix(std::string_view, const Matrix4& value) { fields_.matrix = value; }

Matrix4 MatrixTransform::localMatrix() const { return fields_.matrix; }
void MatrixTransform::reportValues(NodeAction& action) const { action.matrix(fields_.matrix); }

void Transform::setVec3(std::string_view field, const Vec3& value) {
    if (field == "translation") {
        fields_.translation = value;
    } else if (field == "scaleFactor") {
        fields_.scaleFactor = value;
    } else if (field == "center") {
        fields_.center = value;
    }
}

void Transform::setRotation(std::string_view field, const AxisAngle& value) {
    if (field == "rotation") {
        fields_.rotation = value;
    } else if (field == "scaleOrientation") {
        fields_.scaleOrientation = value;
    }
}

Matrix4 Transform::localMatrix() const {
    // Each step goes in front of the product so far, so a row point meets
    // the last step first.
    Matrix4 m = Matrix4::identity();
    auto then = [&m](const Matrix4& step) { m = multiply(step, m); };
    const bool hasCenter = length(fields_.center) >= kCoincidence;
    const bool hasScaleOrientation = fields_.scaleOrientation.angle != 0.0;
    if (length(fields_.translation) >= kCoincidence) then(Matrix4::translation(fields_.translation));
    if (hasCenter) then(Matrix4::translation(fields_.center));
    if (fields_.rotation.angle != 0.0) then(rotationMatrix(fields_.rotation));
    if (hasScaleOrientation) then(rotationMatrix(fields_.scaleOrientation));
    if (length(fields_.scaleFactor - Vec3{1.0, 1.0, 1.0}) >= kCoincidence) then(Matrix4::scaling(fields_.scaleFactor));
    if (hasScaleOrientation) then(rotationMatrix({fields_.scaleOrientation.axis, -fields_.scaleOrientation.angle}));
    if (hasCenter) then(Matrix4::translation(-fields_.center));
    return m;
}

void Transform::reportValues(NodeAction& action) const {
    action.translation(fields_.translation);
    action.rotation(fields_.rotation);
    action.scale(fields_.scaleFactor);
}

}  // namespace glowpond
