// MeshBuilder: collects polygons (a material and a run of corner points)
// into named objects over one shared point list, for the conversion of a
// scene graph into a display mesh.
//
// Corner points merge into one shared point when they are closer than
// kCoincidence AND fall into the same of kBucketCount hash buckets
// (pointBucket); a new corner takes the lowest-numbered such point. So two
// points a hair apart on either side of a bucket boundary stay two points:
// the bucket rule is part of what the builder produces. Points are numbered
// in order of first use.
//
// Every distinct face material (equal within kCoincidence, as
// Material::findMaterial compares) is kept once in the material table;
// MaterialIndex finds it there.
//
// Objects: the builder starts with one unnamed object 0. The first new name
// takes that object over (dropping its faces) unless it already has a name;
// later new names add objects, up to kMaxObjects; faces of names beyond that
// go to the last object. A builder that keeps unnamed faces gives the first
// name an object of its own instead when object 0 already has faces, so no
// face is lost. Lists grow as long as memory lasts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "loading/material_index.h"
#include "loading/merged_points.h"
#include "scene/field_array.h"
#include "scene/properties.h"
#include "scene/values.h"

namespace glowpond {

class MeshBuilder {
public:
    static constexpr int32_t kMaxObjects = 256;
    static constexpr int32_t kBucketCount = kPointBuckets;

    explicit MeshBuilder(bool keepUnnamedFaces = false);
    ~MeshBuilder();
    MeshBuilder(const MeshBuilder&) = delete;
    MeshBuilder& operator=(const MeshBuilder&) = delete;

    // Back to the constructed state: no points, no materials, one unnamed
    // empty object that is current.
    void reset();

    // Makes the object called `name` (exact, case-sensitive) current,
    // creating it when there is none.
    void selectObject(const std::string& name);

    // Starts a face of the current object with the default MaterialValues
    // or with `material`. Throws std::bad_alloc when no memory is left for
    // the lookup of a new material.
    void beginPolygon();
    void beginPolygon(const MaterialValues& material);
    // Adds a corner to the face being built (between beginPolygon and
    // endPolygon) and returns its point number. Throws std::bad_alloc when no
    // memory is left for a new point.
    int32_t addVertex(const Vec3& point);
    // Adds a corner at point `number`, as returned by addVertex.
    void addPointNumber(int32_t number) { currentObjectRef().faces.append(number); }
    // Room for `more` new points, when a shape's size is known in advance.
    void reservePoints(size_t more) { points_.reserve(more); }
    // Frees the point lookup until the next new corner, when no more are expected.
    void releasePointIndex() { points_.releaseIndex(); }
    // Closes the face. Faces are kept as they come, even without corners.
    void endPolygon();

    // Objects 0 .. objectCount() - 1 are in use.
    int32_t objectCount() const { return static_cast<int32_t>(objects_.size()); }
    int32_t currentObject() const { return current_; }
    // Null for an unnamed object or an index out of range.
    const std::string* objectName(int32_t object) const;
    const LargeVector<Vec3>& points() const { return points_.points(); }
    // For each face of the object its point indices, then -1. An index out
    // of range gives an empty list.
    const FieldArray<int32_t>& objectFaces(int32_t object) const;
    // The material of face `face` of `object`; a face number out of range
    // gives the object's first face's material, an object without faces the
    // default MaterialValues.
    MaterialValues faceMaterial(int32_t object, int32_t face) const;
    // The same as a number in materials(), or -1 for the default MaterialValues.
    int32_t faceMaterialNumber(int32_t object, int32_t face) const;
    // Distinct materials in order of first use.
    const Material& materials() const { return materials_; }

    // The hash bucket (0 .. kBucketCount - 1) of a point.
    static int32_t pointBucket(const Vec3& point) { return glowpond::pointBucket(point); }

private:
    struct Object {
        // Larger chunks than the standard: big models make millions of entries.
        static constexpr int32_t kChunkSize = 4096;
        FieldArray<int32_t> faces{kChunkSize};
        FieldArray<int32_t> faceMaterials{kChunkSize};
        std::string name;
        bool named = false;
    };

    Object& currentObjectRef() { return objects_[static_cast<size_t>(current_)]; }

    Material materials_;
    MaterialIndex materialIndex_;
    MergedPoints points_;
    std::vector<Object> objects_;
    int32_t current_ = 0;
    bool keepUnnamedFaces_;
    // The last material looked up and its index: consecutive faces mostly share one.
    MaterialValues lastMaterial_;
    int32_t lastMaterialIndex_ = -1;
};

}  // namespace glowpond
