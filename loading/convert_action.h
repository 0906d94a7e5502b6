// ConvertAction: the traversal action that turns the faces of a loaded scene
// graph into a DisplayMesh.
//
// During the traversal every face goes into a MeshBuilder, in the object
// named by the state's path name (the names of the enclosing named groups
// joined with "_"); faces without a path name go to the current object.
// finish() then makes one MeshPart per object with its own compact vertex
// list, face list, face colours and normals, and centres the model on the
// origin with its longest side 0.57735026 (1/sqrt(3)) long.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "loading/mesh_builder.h"
#include "mesh/display_mesh.h"
#include "scene/traversal.h"

namespace glowpond {

class LoadObserver;

// Longest side of a converted model.
constexpr float kModelExtent = 0.57735026f;

// The colour a face of this material shows: the first of emissive, diffuse
// and ambient whose length is at least kCoincidence, else 0.2 grey.
Vec3f faceColour(const MaterialValues& material);

class ConvertAction : public NodeAction {
public:
    static constexpr size_t kMaxObjectNameChars = 255;

    // `observer` (borrowed, may be null) is asked at every face whether the
    // load has been cancelled; from then on every further face is dropped.
    // With `everyFace` (the tolerant reading) the last face of a face list
    // needs no closing -1, and faces met before the first named group keep
    // a part of their own (see MeshBuilder).
    explicit ConvertAction(LoadObserver* observer = nullptr, bool everyFace = false);
    ~ConvertAction() override;

    bool wantsPolygons() override { return true; }
    bool wantsUnclosedLastFace() override { return everyFace_; }
    bool wantsCornerNormals() override { return false; }
    void beginShape(TraversalState& state, const std::string& name) override;
    void endShape(TraversalState& state) override;
    void polygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices,
                 const FieldArray<Vec3>& normals, const MaterialValues& material) override;
    void indexedPolygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices,
                        const int32_t* coordIndices, const FieldArray<Vec3>& normals,
                        const MaterialValues& material) override;

    // Room for `count` more points, when the scene's size is known.
    void reservePoints(size_t count) { builder_.reservePoints(count); }

    // Builds the mesh from the faces collected so far (both arguments are
    // unused), replacing any mesh built before. Without memory for the
    // working builder no mesh is built.
    void finish(Node& root, TraversalState& state) override;

    // Moves the built mesh into `target`, whose parts are released; every
    // other field of `target` is overwritten too. False, with `target`
    // unchanged, when there is no mesh to move.
    bool transferMesh(DisplayMesh& target);

    const MeshBuilder& builder() const { return builder_; }
    // The mesh built by finish(); null before finish() and after transferMesh().
    const DisplayMesh* mesh() const { return mesh_.get(); }

private:
    // The point number a coordinate index of the current shape gave, valid
    // when `shape` is the shape's number.
    struct KnownPoint {
        uint32_t shape = 0;
        int32_t point = -1;
    };

    // False when the face is to be dropped.
    bool beginFace(TraversalState& state, const MaterialValues& material);
    void selectObject(const std::string& path);
    bool clockwise(TraversalState& state) const;

    bool everyFace_;
    MeshBuilder builder_;
    LargeVector<KnownPoint> knownPoints_;
    uint32_t shape_ = 0;
    // Within a shape the path name stays: its object is chosen at its first face.
    bool inShape_ = false;
    bool shapeObjectChosen_ = false;
    std::string currentObjectName_;
    LoadObserver* observer_;
    std::unique_ptr<DisplayMesh> mesh_;
};

}  // namespace glowpond
