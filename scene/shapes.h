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

#include <cstdint>

#include "scene/node.h"
#include "scene/values.h"

namespace glowpond {

struct CubeFields {
    double width = 2.0, height = 2.0, depth = 2.0;
};

// Axis-aligned box centred on the origin. Its six faces (+z, -z, -x, +x,
// +y, -y) all take material part 1.
class Cube : public NodeClassWithFields<Cube, NodeType::Cube, CubeFields> {
public:
    double width() const { return fields_.width; }
    double height() const { return fields_.height; }
    double depth() const { return fields_.depth; }
    void setFloat(std::string_view field, double value) override;  // "width", "height", "depth"
    void apply(TraversalState& state, NodeAction& action) override;
};

struct SphereFields {
    double radius = 1.0;
};

// 256 polygons, part 0: triangles at the two pole bands, quads elsewhere.
class Sphere : public NodeClassWithFields<Sphere, NodeType::Sphere, SphereFields> {
public:
    double radius() const { return fields_.radius; }
    void setFloat(std::string_view field, double value) override;  // radius, any name
    void apply(TraversalState& state, NodeAction& action) override;
};

struct ConeFields {
    int32_t parts = kPartsAll;
    double bottomRadius = 1.0;
    double height = 2.0;
};

// Apex at y = height/2, base at -height/2. Sides are part 0; the base is
// part 1 under a PER_PART or PER_PART_INDEXED material binding, else 0.
class Cone : public NodeClassWithFields<Cone, NodeType::Cone, ConeFields> {
public:
    int32_t parts() const { return fields_.parts; }  // kPartsSides | kPartsBottom
    double bottomRadius() const { return fields_.bottomRadius; }
    double height() const { return fields_.height; }
    void setInt(std::string_view field, int32_t value) override;     // "parts"
    void setFloat(std::string_view field, double value) override;    // "bottomRadius", "height"
    void apply(TraversalState& state, NodeAction& action) override;
};

struct CylinderFields {
    int32_t parts = kPartsAll;
    double radius = 1.0;
    double height = 2.0;
};

// From y = height/2 down to -height/2. Sides are part 0; under a PER_PART
// or PER_PART_INDEXED material binding the top is part 1 and the bottom
// part 2, else both are part 0.
class Cylinder : public NodeClassWithFields<Cylinder, NodeType::Cylinder, CylinderFields> {
public:
    int32_t parts() const { return fields_.parts; }  // kPartsSides | kPartsBottom | kPartsTop
    double radius() const { return fields_.radius; }
    double height() const { return fields_.height; }
    void setInt(std::string_view field, int32_t value) override;   // "parts"
    void setFloat(std::string_view field, double value) override;  // "radius", "height"
    void apply(TraversalState& state, NodeAction& action) override;
};

// The lights and the camera keep none of their fields and only ask the
// action's query for their kind.
class PointLight : public NodeClass<PointLight, NodeType::PointLight> {
public:
    void apply(TraversalState& state, NodeAction& action) override;
};

class SpotLight : public NodeClass<SpotLight, NodeType::SpotLight> {
public:
    void apply(TraversalState& state, NodeAction& action) override;
};

class PerspectiveCamera : public NodeClass<PerspectiveCamera, NodeType::PerspectiveCamera> {
public:
    void apply(TraversalState& state, NodeAction& action) override;
};

}  // namespace glowpond
