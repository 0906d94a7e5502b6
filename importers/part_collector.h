// What the mesh readers of triangle formats (OBJ, PLY, STL) share: their
// points, and their faces sorted into named parts with a material each,
// polygons split into triangles, turned into scene-graph nodes at the end.
//
// The nodes, added to the context by finish():
//   Separator (unnamed)
//     MatrixTransform   only for a file whose up axis is +Z: turns it to +Y
//     Coordinate3       every point
//     Separator#part    one per part that has faces, in order of creation
//       MaterialBinding PER_FACE_INDEXED   only when the part's faces differ
//       Material        the part's distinct materials
//       IndexedFaceSet  its triangles, with their material numbers
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "importers/model_source.h"
#include "scene/geometry.h"
#include "scene/node.h"
#include "scene/properties.h"

namespace glowpond {

// Runs `read` and turns running out of memory into the reader's refusal:
// context.error with `failedFormat`, whose arguments are the source's name
// and "not enough memory".
void readWithinMemory(Node& context, const ModelSource& source, const char* failedFormat,
                      void (*read)(Node& context, const ModelSource& source));

class PartCollector {
public:
    PartCollector();
    ~PartCollector();
    PartCollector(const PartCollector&) = delete;
    PartCollector& operator=(const PartCollector&) = delete;

    // The point list; readers append to it and check point numbers against
    // its count before they hand in a face.
    FieldArray<Vec3>& points();
    int32_t pointCount() const;
    // The number of the point exactly equal to `point` (bit for bit), added
    // to the list when there is none: for formats that repeat every corner
    // (STL), so that the merge sees each point once. Never mix with
    // appending to points(). -1 when memory runs out.
    int32_t sharedPoint(const Vec3& point);

    // One colour per point (red, green, blue, 0 to 1; NaN for a point
    // without one), for formats with vertex colours: empty, or filled for
    // every point before the faces come. A triangle whose corners all have
    // colours shows their mean colour, whatever material it was given.
    std::vector<float>& pointColours() { return pointColours_; }

    // The number of the part called `name` (made fit for the scene graph),
    // created when there is none. The empty name is a part too. Beyond
    // kMaxParts names every new one gives the last part, as the mesh
    // builder does with its objects.
    static constexpr size_t kMaxParts = 256;
    size_t part(const std::string& name);

    // Adds a face of `count` corners (point numbers below pointCount(), in
    // order) to part `part`, split into count - 2 triangles, each with the
    // mean colour of its corners where they have colours, else `material`,
    // else the default material. Fewer than three
    // corners add nothing. False when memory runs out.
    bool addFace(size_t part, const int32_t* corners, size_t count, const MaterialValues* material);

    // Triangles added so far.
    int64_t triangleCount() const { return triangles_; }

    // Faces that came from a file whose up axis is +Z.
    void setZUp(bool zUp) { zUp_ = zUp; }

    // Puts the nodes under `context` (nothing when no face was added) and
    // leaves the collector empty.
    void finish(Node& context);

private:
    struct MaterialKey {
        double values[6];
        bool operator==(const MaterialKey& other) const;
    };
    struct MaterialKeyHash {
        size_t operator()(const MaterialKey& key) const;
    };
    struct Part {
        std::string name;
        std::unique_ptr<Material> material;
        std::unique_ptr<IndexedFaceSet> faces;
        std::unordered_map<MaterialKey, int32_t, MaterialKeyHash> materialNumbers;
        int32_t faceCount = 0;
        bool mixed = false;  // its faces have more than one material
        // The last material looked up: runs of faces mostly share one.
        MaterialKey lastKey{};
        int32_t lastNumber = -1;
    };

    int32_t materialNumber(Part& part, const MaterialValues& material);
    bool addTriangle(Part& part, int32_t a, int32_t b, int32_t c, const MaterialValues* material);

    std::unique_ptr<Coordinate3> coordinates_;
    std::vector<float> pointColours_;
    std::vector<Part> parts_;
    std::unordered_map<std::string, size_t> partNumbers_;
    // Open addressing over point numbers (+1; 0 is a free slot), for sharedPoint.
    std::vector<uint32_t> pointTable_;
    std::vector<Vec3> cornerPoints_;
    std::vector<uint32_t> split_;
    int64_t triangles_ = 0;
    bool zUp_ = false;
};

}  // namespace glowpond
