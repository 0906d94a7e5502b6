// IndexedFaceSet: the faces of a model as indices into the current
// coordinates, the path by which every face a reader stores reaches the
// display mesh.
#pragma once

#include <cstdint>

#include "scene/field_array.h"
#include "scene/node.h"

namespace glowpond {

struct IndexedFaceSetFields {
    FieldArray<int32_t> coordIndex;
    FieldArray<int32_t> materialIndex;
    FieldArray<int32_t> normalIndex;
    FieldArray<int32_t> textureCoordIndex;
};

class IndexedFaceSet : public NodeClassWithFields<IndexedFaceSet, NodeType::IndexedFaceSet, IndexedFaceSetFields> {
public:
    // Readers may fill the lists directly. In coordIndex a negative entry
    // ends a face; entries after the last negative one form a face only for
    // an action that wantsUnclosedLastFace.
    const FieldArray<int32_t>& coordIndex() const { return fields_.coordIndex; }
    FieldArray<int32_t>& coordIndex() { return fields_.coordIndex; }
    const FieldArray<int32_t>& materialIndex() const { return fields_.materialIndex; }
    FieldArray<int32_t>& materialIndex() { return fields_.materialIndex; }
    const FieldArray<int32_t>& normalIndex() const { return fields_.normalIndex; }
    FieldArray<int32_t>& normalIndex() { return fields_.normalIndex; }
    const FieldArray<int32_t>& textureCoordIndex() const { return fields_.textureCoordIndex; }
    FieldArray<int32_t>& textureCoordIndex() { return fields_.textureCoordIndex; }

    int32_t faceIndexCount() const { return fields_.coordIndex.count(); }
    // The point of the state's current coordinates that coordIndex[i]
    // names, untransformed. Null when i is outside coordIndex, when the
    // entry is negative (it ends a face), and when it names no point (there
    // are no current coordinates, or too few); coordIndex() tells these apart.
    const Vec3* coordinateAt(const TraversalState& state, int32_t i) const;

    // "coordIndex", "materialIndex", "normalIndex", "textureCoordIndex".
    void setLongArray(std::string_view field, std::unique_ptr<FieldArray<int32_t>> value) override;
    // To an action that wants polygons: beginShape, one polygon per face
    // in model coordinates with its material and bound normals, endShape.
    // Corners naming no point are left out of their face. Otherwise, to an
    // action that wants raw geometry, the four lists.
    void apply(TraversalState& state, NodeAction& action) override;

private:
    void deliverPolygons(TraversalState& state, NodeAction& action) const;
};

}  // namespace glowpond
