// One whole load of a model file in a fresh process, as the loader runs it:
// read the file, the reader, the traversal and conversion (merge, normals).
// Prints the time of each step, the peak memory and a digest of the display
// mesh (every vertex, face, normal and colour, bit for bit), so that a change
// meant to be faster can show that it changed nothing.
//
//   build/native/bench/mesh_load_once FILE
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "importers/reader_gltf.h"
#include "importers/reader_obj.h"
#include "importers/reader_ply.h"
#include "importers/reader_stl.h"
#include "importers/reader_table.h"
#include "loading/convert_action.h"
#include "loading/load_driver.h"
#include "loading/model_files.h"

namespace {

using namespace glowpond;

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

class Unobserved final : public LoadObserver {
public:
    bool showsStatus() const override { return false; }
    void showStatus(const std::string&) override {}
    void showError(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
    bool cancelled() override { return false; }
};

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

// FNV-1a over the bytes of every field that drawing uses.
class Digest {
public:
    void add(const void* data, size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < bytes; ++i) hash_ = (hash_ ^ p[i]) * 0x100000001b3ull;
    }
    template <typename List>
    void addList(const List& list) {
        const uint64_t count = list.size();
        add(&count, sizeof count);
        if (count) add(list.data(), count * sizeof list[0]);
    }
    uint64_t value() const { return hash_; }

private:
    uint64_t hash_ = 0xcbf29ce484222325ull;
};

uint64_t digestOf(const DisplayMesh& mesh) {
    Digest digest;
    digest.add(&mesh.partCount, sizeof mesh.partCount);
    digest.add(&mesh.vertexCount, sizeof mesh.vertexCount);
    digest.add(&mesh.faceCount, sizeof mesh.faceCount);
    digest.add(mesh.bounds.data(), sizeof mesh.bounds);
    for (const MeshPart& part : mesh.parts) {
        digest.add(&part.vertexCount, sizeof part.vertexCount);
        digest.add(&part.faceCount, sizeof part.faceCount);
        digest.add(&part.uniformColor, sizeof part.uniformColor);
        digest.add(part.color.data(), sizeof part.color);
        digest.add(part.bounds.data(), sizeof part.bounds);
        digest.add(part.boundsCenter.data(), sizeof part.boundsCenter);
        digest.addList(part.vertices);
        digest.addList(part.faceIndices);
        digest.addList(part.faceNormals);
        digest.addList(part.faceColors);
    }
    return digest.value();
}

bool endsWith(std::string name, const char* suffix) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    const size_t n = std::strlen(suffix);
    return name.size() >= n && name.compare(name.size() - n, n, suffix) == 0;
}

// The new formats' readers, until the reader table names them.
ReadFunction readerFor(const std::string& path) {
    if (endsWith(path, ".obj")) return readObj;
    if (endsWith(path, ".stl")) return readStl;
    if (endsWith(path, ".ply")) return readPly;
    if (endsWith(path, ".glb") || endsWith(path, ".gltf")) return readGltf;
    return nullptr;
}

// The process's peak resident memory so far, in MB (Linux).
double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double cpuMs(const rusage& usage) {
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace glowpond;
    if (argc < 2) {
        std::fprintf(stderr, "usage: mesh_load_once FILE\n");
        return 2;
    }
    const std::string path = argv[1];
    const ReadFunction read = readerFor(path);
    const auto start = std::chrono::steady_clock::now();
    PosixFileOpener opener;
    std::vector<uint8_t> bytes;
    if (!readModelFile(opener, path, bytes)) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    const double fileMs = msSince(start);
    const size_t fileBytes = bytes.size();
    Unobserved observer;
    std::string lastStatus;
    auto context = std::make_unique<LoadContext>(observer, lastStatus);
    FolderResolver companions(opener, folderOf(path));
    const ModelSource source{path, bytes.data(), bytes.size(), &companions};
    if (read) {
        read(*context, source, ReadOptions{});
    } else if (!dispatchModel(*context, source, ReadOptions{}, false)) {
        return 1;
    }
    const double readMs = msSince(start);
    const double readPeakMB = peakMegabytes();
    std::vector<uint8_t>().swap(bytes);
    auto action = std::make_unique<ConvertAction>(&observer, true);
    {
        PointCount count;
        auto counting = std::make_unique<TraversalState>();
        context->apply(*counting, count);
        action->reservePoints(count.atMost());
    }
    const double countMs = msSince(start);
    auto state = std::make_unique<TraversalState>();
    context->apply(*state, *action);
    const double traverseMs = msSince(start);
    const double traversePeakMB = peakMegabytes();
    context->clear();
    action->finish(*context, *state);
    const double loadMs = msSince(start);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const DisplayMesh* mesh = action->mesh();
    std::printf("{\"file\":\"%s\",\"fileMB\":%.1f,\"faces\":%d,\"vertices\":%d,\"fileMs\":%.1f,\"readMs\":%.1f,"
                "\"countMs\":%.1f,\"traverseMs\":%.1f,\"loadMs\":%.1f,\"cpuMs\":%.1f,\"readPeakMB\":%.1f,"
                "\"traversePeakMB\":%.1f,\"peakMB\":%.1f,\"peakPerFile\":%.2f,\"digest\":\"%016llx\"}\n",
                path.c_str(), fileBytes / 1048576.0, mesh->faceCount, mesh->vertexCount, fileMs, readMs, countMs,
                traverseMs, loadMs, cpuMs(usage), readPeakMB, traversePeakMB, usage.ru_maxrss / 1024.0,
                usage.ru_maxrss * 1024.0 / std::max<size_t>(fileBytes, 1),
                static_cast<unsigned long long>(digestOf(*mesh)));
    return 0;
}
