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

Translation::Translation() : TransformNode(NodeType::Translation) {}
std::unique_ptr<Node> Translation::create() { return std::make_unique<Translation>(); }

std::unique_ptr<Node> Translation::copyNode() const {
    auto copy = std::make_unique<Translation>();
    copy->translation_ = translation_;
    return copy;
}

void Translation::setVec3(std::string_view, const Vec3& value) { translation_ = value; }

void Translation::clear() {
    translation_ = {0.0, 0.0, 0.0};
    Node::clear();
}

Matrix4 Translation::localMatrix() const { return Matrix4::translation(translation_); }
void Translation::reportValues(NodeAction& action) const { action.translation(translation_); }

Scale::Scale() : TransformNode(NodeType::Scale) {}
std::unique_ptr<Node> Scale::create() { return std::make_unique<Scale>(); }

std::unique_ptr<Node> Scale::copyNode() const {
    auto copy = std::make_unique<Scale>();
    copy->scaleFactor_ = scaleFactor_;
    return copy;
}

void Scale::setVec3(std::string_view, const Vec3& value) { scaleFactor_ = value; }

void Scale::clear() {
    scaleFactor_ = {1.0, 1.0, 1.0};
    Node::clear();
}

Matrix4 Scale::localMatrix() const { return Matrix4::scaling(scaleFactor_); }
void Scale::reportValues(NodeAction& action) const { action.scale(scaleFactor_); }

Rotation::Rotation() : TransformNode(NodeType::Rotation) {}
std::unique_ptr<Node> Rotation::create() { return std::make_unique<Rotation>(); }

std::unique_ptr<Node> Rotation::copyNode() const {
    auto copy = std::make_unique<Rotation>();
    copy->rotation_ = rotation_;
    return copy;
}

void Rotation::setRotation(std::string_view, const AxisAngle& value) { rotation_ = value; }

void Rotation::clear() {
    rotation_ = AxisAngle{};
    Node::clear();
}

Matrix4 Rotation::localMatrix() const { return rotationMatrix(rotation_); }
void Rotation::reportValues(NodeAction& action) const { action.rotation(rotation_); }

MatrixTransform::MatrixTransform() : TransformNode(NodeType::MatrixTransform) {}
std::unique_ptr<Node> MatrixTransform::create() { return std::make_unique<MatrixTransform>(); }

std::unique_ptr<Node> MatrixTransform::copyNode() const {
    auto copy = std::make_unique<MatrixTransform>();
    copy->matrix_ = matrix_;
    return copy;
}

void MatrixTransform::setMatrix(std::string_view, const Matrix4& value) { matrix_ = value; }

void MatrixTransform::clear() {
    matrix_ = Matrix4::identity();
    Node::clear();
}

Matrix4 MatrixTransform::localMatrix() const { return matrix_; }
void MatrixTransform::reportValues(NodeAction& action) const { action.matrix(matrix_); }

Transform::Transform() : TransformNode(NodeType::Transform) {}
std::unique_ptr<Node> Transform::create() { return std::make_unique<Transform>(); }

std::unique_ptr<Node> Transform::copyNode() const {
    auto copy = std::make_unique<Transform>();
    copy->translation_ = translation_;
    copy->rotation_ = rotation_;
    copy->scaleFactor_ = scaleFactor_;
    copy->scaleOrientation_ = scaleOrientation_;
    copy->center_ = center_;
    return copy;
}

void Transform::setVec3(std::string_view field, const Vec3& value) {
    if (field == "translation") {
        translation_ = value;
    } else if (field == "scaleFactor") {
        scaleFactor_ = value;
    } else if (field == "center") {
        center_ = value;
    }
}

void Transform::setRotation(std::string_view field, const AxisAngle& value) {
    if (field == "rotation") {
        rotation_ = value;
    } else if (field == "scaleOrientation") {
        scaleOrientation_ = value;
    }
}

void Transform::clear() {
    translation_ = {0.0, 0.0, 0.0};
    rotation_ = AxisAngle{};
    scaleFactor_ = {1.0, 1.0, 1.0};
    scaleOrientation_ = AxisAngle{};
    center_ = {0.0, 0.0, 0.0};
    Node::clear();
}

Matrix4 Transform::localMatrix() const {
    // Each step goes in front of the product so far, so a row point meets
    // the last step first.
    Matrix4 m = Matrix4::identity();
    auto then = [&m](const Matrix4& step) { m = multiply(step, m); };
    const bool hasCenter = length(center_) >= kCoincidence;
    const bool hasScaleOrientation = scaleOrientation_.angle != 0.0;
    if (length(translation_) >= kCoincidence) then(Matrix4::translation(translation_));
    if (hasCenter) then(Matrix4::translation(center_));
    if (rotation_.angle != 0.0) then(rotationMatrix(rotation_));
    if (hasScaleOrientation) then(rotationMatrix(scaleOrientation_));
    if (length(scaleFactor_ - Vec3{1.0, 1.0, 1.0}) >= kCoincidence) then(Matrix4::scaling(scaleFactor_));
    if (hasScaleOrientation) then(rotationMatrix({scaleOrientation_.axis, -scaleOrientation_.angle}));
    if (hasCenter) then(Matrix4::translation(-center_));
    return m;
}

void Transform::reportValues(NodeAction& action) const {
    action.translation(translation_);
    action.rotation(rotation_);
    action.scale(scaleFactor_);
}

}  // namespace glowpond
