// Any bytes as a model file, loaded as the saver loads one: unpacking, the
// content check, the reader the suffix picks, the traversal and the
// conversion. The first byte picks the suffix, the second when the load is
// cancelled.
#include <cstddef>
#include <cstdint>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/mesh_checks.h"
#include "importers/reader_table.h"
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

// A name of every suffix of the reader table in lower and upper case, and
// names that only the legacy rule or none admits.
std::vector<std::string> modelNames() {
    std::vector<std::string> names = {"model.wr", "modelwrl", "model.x"};
    for (const ReaderEntry& entry : readerTable()) {
        std::istringstream suffixes(std::string(entry.suffixes) + " " + entry.packedSuffixes);
        for (std::string suffix; suffixes >> suffix;) {
            names.push_back("model." + suffix);
            for (char& c : suffix) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            names.push_back("model." + suffix);
        }
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const std::vector<std::string> kNames = modelNames();
    const std::string& name = kNames[data[0] % kNames.size()];
    PosixFileOpener opener;  // the bytes are handed over: nothing is opened
    GzipDecompressor gzip;
    ModelLoader loader(opener, {{}, &gzip});
    Observer observer(data[1]);
    DisplayMesh mesh;
    if (loader.load(ModelSource{name, data + 2, size - 2}, mesh, observer)) fuzz::checkMesh(mesh);
    return 0;
}
