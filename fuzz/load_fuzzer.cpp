// Any bytes as a model file, loaded as the saver loads one: unpacking, the
// content check, the reader the suffix picks, the traversal and the
// conversion. The first byte picks the suffix, the second when the load is
// cancelled.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/mesh_checks.h"
#include "loading/gzip_decompressor.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const char* const kSuffixes[] = {".wrl", ".WRL", ".wrz", ".3ds", ".3DS", ".wr", "wrl", ".obj"};
    const std::string name = std::string("model") + kSuffixes[data[0] % 8];
    PosixFileOpener opener;  // the bytes are handed over: nothing is opened
    GzipDecompressor gzip;
    ModelLoader loader(opener, {{}, &gzip});
    Observer observer(data[1]);
    DisplayMesh mesh;
    if (loader.load(ModelSource{name, data + 2, size - 2}, mesh, observer)) fuzz::checkMesh(mesh);
    return 0;
}
