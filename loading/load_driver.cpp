#include "loading/load_driver.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>

#include "importers/format_dispatch.h"
#include "loading/convert_action.h"
#include "scene/traversal.h"
#include "vrml/gzip_file.h"

namespace glowpond {
namespace {

// Texts of the program's 256-character buffers hold at most 255 characters.
constexpr size_t kMaxTextChars = 255;
constexpr size_t kSniffBytes = 24;

const char kCanceling[] = "Canceling...";
const char kReady[] = "Ready.";
const char kDigesting[] = "Digesting data...";

std::string formatted(const char* format, std::va_list args) {
    char text[kMaxTextChars + 1];
    std::vsnprintf(text, sizeof text, format, args);
    return text;
}

// The first `count` bytes of `file`, which is then back at its start.
std::string readHead(std::FILE* file, size_t count) {
    std::string head(count, '\0');
    head.resize(std::fread(&head[0], 1, count, file));
    std::rewind(file);
    return head;
}

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// How many points the scene's faces can bring at most: the points of its
// coordinate lists, or the corners of its face sets where those are fewer.
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

const char kCannotOpen[] = "Error: Can't open this file.";

// The content check on the file that `opener` opens, which is returned, at
// its start, when the file may be loaded.
OpenedFile admitModelFile(const std::string& path, ModelFileOpener& opener, LoadObserver& observer,
                          const LoadOptions& options) {
    auto refuse = [&](const char* reason) {
        observer.showError(path, reason);
        return nullptr;
    };
    if (path.size() > kMaxModelPathChars) return refuse("Error: The path of this file is too long.");
    // Shorter paths have no four last characters: not a supported type.
    const std::string last = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    const bool tolerant = !options.strictVrml;
    const bool wrz = tolerant && (contains(last, "WRZ") || contains(last, "wrz"));
    const bool vrml = contains(last, "WRL") || contains(last, "wrl") || wrz;
    if (!vrml && !contains(last, "3DS") && !contains(last, "3ds")) return refuse("Error: Not a supported file type.");
    OpenedFile file = opener.open(path);
    if (!file) return refuse(kCannotOpen);
    if (vrml) {
        std::string head = readHead(file.get(), kSniffBytes);
        // A damaged file may still show its head; the reader tells the damage.
        if (tolerant && isGzip(head)) {
            const Unpacked unpacked = gunzipFile(file.get(), kSniffBytes, head);
            std::rewind(file.get());
            if (unpacked == Unpacked::Unreadable) return refuse(kCannotOpen);
        }
        // The bytes are taken as text: a zero byte ends it.
        head.resize(std::min(head.size(), head.find('\0')));
        if (contains(head, "#VRML V1.0 ascii")) return file;
        if (head.compare(0, 5, "#VRML") == 0 && contains(head, "V2.0 utf8")) {
            return refuse("Error: VRML 2.0 not supported in this version.");
        }
        return refuse("Error: Not a valid VRML 1.0 file.");
    }
    if (readHead(file.get(), 2) == "MM") return file;
    return refuse("Error: Not a valid 3DS file.");
}

}  // namespace

bool sniffModelFile(const std::string& path, ModelFileOpener& opener, LoadObserver& observer,
                    const LoadOptions& options) {
    return admitModelFile(path, opener, observer, options) != nullptr;
}

LoadContext::LoadContext(LoadObserver& observer, std::string& lastStatus)
    : observer_(observer), lastStatus_(lastStatus) {}

void LoadContext::beginRead() {}
void LoadContext::endRead() {}

void LoadContext::vstatus(const char* format, std::va_list args) {
    if (!observer_.showsStatus()) return;
    std::string text = formatted(format, args);
    if (observer_.cancelled()) text = kCanceling;
    // Repeats, and parts of the last text, are not shown again.
    if (lastStatus_.find(text) != std::string::npos) return;
    lastStatus_ = text;
    // "Ready." comes when the reader is done and the conversion starts.
    if (contains(text, kReady)) text = kDigesting;
    observer_.showStatus(text);
}

void LoadContext::verror(const char* format, std::va_list args) {
    observer_.showError(formatted(format, args), "Error Message");
}

void LoadContext::apply(TraversalState& state, NodeAction& action) {
    {
        LevelScope level(state);
        NameScope nameScope(state, name());
        if (action.wantsSeparators()) action.beginSeparator(state, name());
        for (Node* child = firstChildNode(); child; child = child->nextSibling()) {
            if (observer_.cancelled()) {
                // The load is being abandoned: the separator is not ended.
                status(kCanceling);
                return;
            }
            child->apply(state, action);
        }
    }
    if (action.wantsSeparators()) action.endSeparator(state);
}

bool ModelLoader::load(const std::string& path, DisplayMesh& mesh, LoadObserver& observer) {
    // One open for the check and the reading: the file read is the file checked.
    const OpenedFile file = admitModelFile(path, opener_, observer, options_);
    if (!file) return false;
    auto fail = [&](const std::string& text, const char* caption) {
        observer.showError(text, caption);
        return false;
    };
    try {
        // The traversal state and the action are large: they live on the
        // heap, never on the stack of whatever thread loads.
        auto context = std::make_unique<LoadContext>(observer, lastStatusText_);
        auto state = std::make_unique<TraversalState>();
        auto action = std::make_unique<ConvertAction>(&observer);

        if (!dispatchModelFile(*context, path, file.get(), ".\\", options_.vrmlReading())) {
            return fail(path, "File read error.");
        }
        if (observer.cancelled()) return fail("Operation Canceled.", "User Abort");
        {
            // Room for every point at once spares the merge index its growing.
            PointCount count;
            auto counting = std::make_unique<TraversalState>();
            context->apply(*counting, count);
            action->reservePoints(count.atMost());
        }
        context->apply(*state, *action);
        if (observer.cancelled()) return fail("Operation Canceled.", "User Abort");
        // The scene is no longer needed: its memory goes to the mesh.
        context->clear();
        action->finish(*context, *state);
        if (!action->transferMesh(mesh)) return fail(path, "Error: Not enough memory to load this file.");
        return true;
    } catch (const std::bad_alloc&) {
        // Whatever the load had built is gone with the unwinding; the mesh is unchanged.
        return fail(path, "Error: Not enough memory to load this file.");
    }
}

}  // namespace glowpond
