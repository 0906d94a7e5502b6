// One whole load of an OBJ, STL or PLY file in a fresh process, as the
// loader runs it: read the file, the reader, the traversal and conversion
// (merge, normals). Prints the time of each step and the peak memory.
//
//   build/native/bench/mesh_load_once FILE
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "importers/reader_obj.h"
#include "importers/reader_ply.h"
#include "importers/reader_stl.h"
#include "loading/convert_action.h"
#include "scene/grouping.h"

namespace {

using namespace glowpond;

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// How many points the scene can bring, as the loader counts them to size the merge.
class PointCount final : public NodeAction {
public:
    bool wantsRawGeometry() override { return true; }
    void coordinates(TraversalState&, const FieldArray<Vec3>& points) override { points_ += points.count(); }
    void indexedFaceSet(TraversalState&, const FieldArray<int32_t>& coordIndex, const FieldArray<int32_t>&,
                        const FieldArray<int32_t>&, const FieldArray<int32_t>&) override {
        corners_ += coordIndex.count();
    }
    size_t atMost() const { return static_cast<size_t>(std::min(points_, corners_)); }

private:
    int64_t points_ = 0;
    int64_t corners_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace glowpond;
    if (argc < 2) {
        std::fprintf(stderr, "usage: mesh_load_once FILE\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string suffix = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    auto read = suffix == "obj" ? readObj : suffix == "stl" ? readStl : suffix == "ply" ? readPly : nullptr;
    if (!read) return 2;
    const auto start = std::chrono::steady_clock::now();
    std::vector<uint8_t> bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fseek(file, 0, SEEK_END);
        bytes.resize(static_cast<size_t>(std::ftell(file)));
        std::rewind(file);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
        std::fclose(file);
    }
    const double fileMs = msSince(start);
    auto context = std::make_unique<Separator>();
    read(*context, ModelSource{path, bytes.data(), bytes.size(), nullptr}, ReadOptions{});
    const double readMs = msSince(start);
    const size_t fileBytes = bytes.size();
    std::vector<uint8_t>().swap(bytes);
    auto action = std::make_unique<ConvertAction>();
    {
        PointCount count;
        auto counting = std::make_unique<TraversalState>();
        context->apply(*counting, count);
        action->reservePoints(count.atMost());
    }
    auto state = std::make_unique<TraversalState>();
    context->apply(*state, *action);
    context->clear();
    action->finish(*context, *state);
    const double loadMs = msSince(start);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const DisplayMesh* mesh = action->mesh();
    std::printf("{\"file\":\"%s\",\"fileMB\":%.1f,\"faces\":%d,\"vertices\":%d,\"fileMs\":%.1f,\"readMs\":%.1f,"
                "\"loadMs\":%.1f,\"peakMB\":%.1f}\n",
                path.c_str(), fileBytes / 1048576.0, mesh->faceCount, mesh->vertexCount, fileMs, readMs, loadMs,
                usage.ru_maxrss / 1024.0);
    return 0;
}
