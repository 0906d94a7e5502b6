// Any bytes as a model file, loaded as the saver loads one: the content
// check, the reader the suffix picks, the traversal and the conversion. The
// first byte picks the suffix, the second when the load is cancelled.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/mesh_checks.h"
#include "loading/load_driver.h"

namespace {

using namespace glowpond;

class Observer final : public LoadObserver {
public:
    explicit Observer(int cancelAfter) : left_(cancelAfter) {}
    bool showsStatus() const override { return true; }
    void showStatus(const std::string&) override {}
    void showError(const std::string&, const std::string&) override {}
    // 255: never; otherwise after that many questions.
    bool cancelled() override { return left_ != 255 && left_-- <= 0; }

private:
    int left_;
};

const std::string& folder() {
    static const std::string path = [] {
        char name[] = "/tmp/glowpond-load-fuzz-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const char* const kSuffixes[] = {".wrl", ".WRL", ".wrz", ".3ds", ".3DS", ".wr", "wrl", ".obj"};
    const std::string path = folder() + "/model" + kSuffixes[data[0] % 8];
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(data + 2, 1, size - 2, file);
    std::fclose(file);

    PosixFileOpener opener;
    ModelLoader loader(opener);
    Observer observer(data[1]);
    DisplayMesh mesh;
    if (loader.load(path, mesh, observer)) fuzz::checkMesh(mesh);
    return 0;
}
