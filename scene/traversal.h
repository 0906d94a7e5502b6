// The two companions of a scene-graph traversal: the TraversalState, which
// carries the current transform, coordinates, normals, material, bindings,
// shape hints and enclosing names down the tree, and the NodeAction, which
// receives what the nodes report.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "scene/field_array.h"
#include "scene/matrix4.h"
#include "scene/values.h"

namespace glowpond {

class Node;
class Material;
class ShapeHints;

// What property nodes set and shapes read. The state points into the nodes,
// so the tree must outlive the traversal.
struct TraversalLevel {
    const Material* material = nullptr;
    Matrix4 transform = Matrix4::identity();
    const FieldArray<Vec3>* coordinates = nullptr;
    int32_t materialBinding = kBindingDefault;
    const FieldArray<Vec3>* normals = nullptr;
    int32_t normalBinding = kBindingDefault;
    const ShapeHints* shapeHints = nullptr;
};

// A fixed-size stack: 25 levels of properties, 24 saved transforms and 25
// enclosing names. Pushes beyond a limit are ignored but counted, so that
// the matching pops are ignored too and never unwind an outer entry: nodes
// nested deeper than the limit share the innermost entry (their properties
// reach their siblings there), and everything outside stays intact.
class TraversalState {
public:
    static constexpr int kLevels = 25;
    static constexpr int kSavedTransforms = 24;
    static constexpr int kNames = 25;
    static constexpr size_t kMaxNameChars = 1019;  // longer names are cut
    static constexpr size_t kMaxPathChars = 511;   // longer path names are cut

    TraversalLevel& current() { return levels_[level_]; }
    const TraversalLevel& current() const { return levels_[level_]; }
    int level() const { return level_; }
    int savedCount() const { return savedCount_; }
    int nameDepth() const { return nameDepth_; }

    // Copies the current level to a new one (Separator).
    void pushLevel();
    void popLevel();
    // Saves and restores the current transform only (TransformSeparator).
    // A restore without a save does nothing.
    void saveTransform();
    void restoreTransform();
    void pushName(std::string_view name);
    void popName();

    // The non-empty enclosing names joined with "_", cut to kMaxPathChars
    // characters; empty when no enclosing node has a name.
    std::string pathName() const;

private:
    std::array<TraversalLevel, kLevels> levels_{};
    int level_ = 0;
    int ignoredLevels_ = 0;
    std::array<Matrix4, kSavedTransforms> savedTransforms_{};
    int savedCount_ = 0;
    int ignoredSaves_ = 0;
    std::array<std::string, kNames> names_{};
    int nameDepth_ = 0;
    int ignoredNames_ = 0;
};

// Scope guards for the push/pop pairs, so every way out of a block pops.
class LevelScope {
public:
    explicit LevelScope(TraversalState& state) : state_(state) { state_.pushLevel(); }
    ~LevelScope() { state_.popLevel(); }
    LevelScope(const LevelScope&) = delete;
    LevelScope& operator=(const LevelScope&) = delete;

private:
    TraversalState& state_;
};

class TransformScope {
public:
    explicit TransformScope(TraversalState& state) : state_(state) { state_.saveTransform(); }
    ~TransformScope() { state_.restoreTransform(); }
    TransformScope(const TransformScope&) = delete;
    TransformScope& operator=(const TransformScope&) = delete;

private:
    TraversalState& state_;
};

class NameScope {
public:
    NameScope(TraversalState& state, std::string_view name) : state_(state) { state_.pushName(name); }
    ~NameScope() { state_.popName(); }
    NameScope(const NameScope&) = delete;
    NameScope& operator=(const NameScope&) = delete;

private:
    TraversalState& state_;
};

class PointLight;
class SpotLight;
class PerspectiveCamera;

// The receiver of a traversal. For every kind of report there is a query
// and a handler; a node calls the handler only when the query answers true,
// and asks again before the closing call of a begin/end pair. The base
// answers false to everything and ignores everything.
//
// An action that wants polygons receives the faces of IndexedFaceSets and
// of the primitive shapes, transformed into model coordinates; one that
// answers true to wantsCubes (and the like) receives that shape's size
// instead of its polygons.
class NodeAction {
public:
    virtual ~NodeAction();

    // Called by the load driver once the traversal is over.
    virtual void finish(Node& root, TraversalState& state);

    virtual void beginShape(TraversalState& state, const std::string& name);
    virtual void endShape(TraversalState& state);
    // One face: `vertices` in model coordinates, in file order; `normals`
    // as many as the bindings provide (possibly fewer than the vertices, or
    // none). The lists are reused after the call.
    virtual void polygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices,
                         const FieldArray<Vec3>& normals, const MaterialValues& material);
    // A face of an IndexedFaceSet, with each vertex's index into the current
    // coordinates (`coordIndices`, one per vertex): within one shape, equal
    // indices give equal vertices. Calls polygon() unless overridden.
    virtual void indexedPolygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices,
                                const int32_t* coordIndices, const FieldArray<Vec3>& normals,
                                const MaterialValues& material);
    virtual bool wantsPolygons();
    // Whether the corners after the last -1 of an IndexedFaceSet still form
    // a face, as VRML 1.0 has it (the list's end ends the face). The base
    // answers false: they are left out.
    virtual bool wantsUnclosedLastFace();
    // Whether `normals` of indexedPolygon are wanted; without them every
    // face gets an empty list. The base answers true.
    virtual bool wantsCornerNormals();

    virtual void beginSeparator(TraversalState& state, const std::string& name);
    virtual void endSeparator(TraversalState& state);
    virtual bool wantsSeparators();
    virtual bool wantsGroups();
    virtual void beginGroup(TraversalState& state, const std::string& name);
    virtual void endGroup(TraversalState& state);
    virtual bool wantsTransformSeparators();
    virtual void beginTransformSeparator(TraversalState& state, const std::string& name);
    virtual void endTransformSeparator(TraversalState& state);

    // The light and camera nodes ask these queries and report nothing else;
    // the handlers are for actions that look for those nodes themselves.
    virtual void pointLight(TraversalState& state, const PointLight& light);
    virtual bool wantsPointLights();
    virtual bool wantsSpotLights();
    virtual void spotLight(TraversalState& state, const SpotLight& light);
    virtual void camera(TraversalState& state, const PerspectiveCamera& camera);
    virtual bool wantsCameras();

    // The transform nodes' own values (rotation angles in radians); the
    // transform is accumulated into the state whatever the answer.
    virtual bool wantsTransforms();
    virtual void rotation(const AxisAngle& rotation);
    virtual void translation(const Vec3& translation);
    virtual void scale(const Vec3& scaleFactor);
    virtual void matrix(const Matrix4& matrix);

    virtual bool wantsCubes();
    virtual void cube(TraversalState& state, double width, double height, double depth);
    virtual bool wantsSpheres();
    virtual void sphere(TraversalState& state, double radius);
    virtual bool wantsCones();
    virtual void cone(TraversalState& state, int32_t parts, double bottomRadius, double height);
    virtual bool wantsCylinders();
    virtual void cylinder(TraversalState& state, int32_t parts, double radius, double height);

    // The stored lists themselves, untransformed.
    virtual bool wantsRawGeometry();
    virtual void coordinates(TraversalState& state, const FieldArray<Vec3>& points);
    virtual void normals(TraversalState& state, const FieldArray<Vec3>& vectors);
    virtual void indexedFaceSet(TraversalState& state, const FieldArray<int32_t>& coordIndex,
                                const FieldArray<int32_t>& normalIndex, const FieldArray<int32_t>& materialIndex,
                                const FieldArray<int32_t>& textureCoordIndex);
};

}  // namespace glowpond
