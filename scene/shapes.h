// Primitive shapes, which describe geometry by size alone, and the lights
// and camera, which are read but not used.
//
// An action that asks for a shape by its own query (wantsCubes and the
// like) receives the shape's size; otherwise, when it wants polygons, the
// shape reports itself tessellated, in the same form as IndexedFaceSet
// faces: vertices in model coordinates, one unit normal per vertex, and a
// material picked from the current Material by part number (the default
// material when it has no such part). Round shapes use 16 divisions around
// their axis and 16 along it.
#pragma once

#include <memory>

#include "scene/node.h"
#include "scene/values.h"

namespace glowpond {

// Axis-aligned box centred on the origin. Its six faces (+z, -z, -x, +x,
// +y, -y) all take material part 1.
class Cube : public Node {
public:
    Cube();
    static std::unique_ptr<Node> create();

    double width() const { return width_; }
    double height() const { return height_; }
    double depth() const { return depth_; }
    void setFloat(std::string_view field, double value) override;  // "width", "height", "depth"
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    double width_ = 2.0, height_ = 2.0, depth_ = 2.0;
};

// 256 polygons, part 0: triangles at the two pole bands, quads elsewhere.
class Sphere : public Node {
public:
    Sphere();
    static std::unique_ptr<Node> create();

    double radius() const { return radius_; }
    void setFloat(std::string_view field, double value) override;  // radius, any name
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    double radius_ = 1.0;
};

// Apex at y = height/2, base at -height/2. Sides are part 0; the base is
// part 1 under a PER_PART or PER_PART_INDEXED material binding, else 0.
class Cone : public Node {
public:
    Cone();
    static std::unique_ptr<Node> create();

    int32_t parts() const { return parts_; }  // kPartsSides | kPartsBottom
    double bottomRadius() const { return bottomRadius_; }
    double height() const { return height_; }
    void setInt(std::string_view field, int32_t value) override;     // "parts"
    void setFloat(std::string_view field, double value) override;    // "bottomRadius", "height"
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    int32_t parts_ = kPartsAll;
    double bottomRadius_ = 1.0;
    double height_ = 2.0;
};

// From y = height/2 down to -height/2. Sides are part 0; under a PER_PART
// or PER_PART_INDEXED material binding the top is part 1 and the bottom
// part 2, else both are part 0.
class Cylinder : public Node {
public:
    Cylinder();
    static std::unique_ptr<Node> create();

    int32_t parts() const { return parts_; }  // kPartsSides | kPartsBottom | kPartsTop
    double radius() const { return radius_; }
    double height() const { return height_; }
    void setInt(std::string_view field, int32_t value) override;   // "parts"
    void setFloat(std::string_view field, double value) override;  // "radius", "height"
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    int32_t parts_ = kPartsAll;
    double radius_ = 1.0;
    double height_ = 2.0;
};

// The lights and the camera keep none of their fields and only ask the
// action's query for their kind.
class PointLight : public Node {
public:
    PointLight();
    static std::unique_ptr<Node> create();
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;
};

class SpotLight : public Node {
public:
    SpotLight();
    static std::unique_ptr<Node> create();
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;
};

class PerspectiveCamera : public Node {
public:
    PerspectiveCamera();
    static std::unique_ptr<Node> create();
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;
};

}  // namespace glowpond
