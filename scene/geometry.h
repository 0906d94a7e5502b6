// IndexedFaceSet: the faces of a model as indices into the current
// coordinates, the path by which every face a reader stores reaches the
// display mesh.
#pragma once

#include <memory>

#include "scene/field_array.h"
#include "scene/node.h"

namespace glowpond {

class IndexedFaceSet : public Node {
public:
    IndexedFaceSet();
    static std::unique_ptr<Node> create();

    // Readers may fill the lists directly. In coordIndex a negative entry
    // ends a face; entries after the last negative one form no face.
    const FieldArray<int32_t>& coordIndex() const { return coordIndex_; }
    FieldArray<int32_t>& coordIndex() { return coordIndex_; }
    const FieldArray<int32_t>& materialIndex() const { return materialIndex_; }
    FieldArray<int32_t>& materialIndex() { return materialIndex_; }
    const FieldArray<int32_t>& normalIndex() const { return normalIndex_; }
    FieldArray<int32_t>& normalIndex() { return normalIndex_; }
    const FieldArray<int32_t>& textureCoordIndex() const { return textureCoordIndex_; }
    FieldArray<int32_t>& textureCoordIndex() { return textureCoordIndex_; }

    int32_t faceIndexCount() const { return coordIndex_.count(); }
    // The point of the state's current coordinates that coordIndex[i]
    // names, untransformed. Null when i is outside coordIndex, when the
    // entry is negative (it ends a face), and when it names no point (there
    // are no current coordinates, or too few); coordIndex() tells these apart.
    const Vec3* coordinateAt(const TraversalState& state, int32_t i) const;

    // "coordIndex", "materialIndex", "normalIndex", "textureCoordIndex".
    void setLongArray(std::string_view field, std::unique_ptr<FieldArray<int32_t>> value) override;
    void clear() override;
    // To an action that wants polygons: beginShape, one polygon per face
    // in model coordinates with its material and bound normals, endShape.
    // Corners naming no point are left out of their face. Otherwise, to an
    // action that wants raw geometry, the four lists.
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    void deliverPolygons(TraversalState& state, NodeAction& action) const;

    FieldArray<int32_t> coordIndex_;
    FieldArray<int32_t> materialIndex_;
    FieldArray<int32_t> normalIndex_;
    FieldArray<int32_t> textureCoordIndex_;
};

}  // namespace glowpond
