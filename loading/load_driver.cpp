#include "loading/load_driver.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "importers/reader_table.h"
#include "loading/convert_action.h"
#include "loading/decompression.h"
#include "loading/model_files.h"
#include "scene/traversal.h"

namespace glowpond {
namespace {

// Texts of the program's 256-character buffers hold at most 255 characters.
constexpr size_t kMaxTextChars = 255;

const char kCanceling[] = "Canceling...";
const char kReady[] = "Ready.";
const char kDigesting[] = "Digesting data...";

std::string formatted(const char* format, std::va_list args) {
    char text[kMaxTextChars + 1];
    std::vsnprintf(text, sizeof text, format, args);
    return text;
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

const char kCantOpen[] = "Error: Can't open this file.";
const char kNoMemory[] = "Error: Not enough memory to load this file.";

bool refuse(LoadObserver& observer, const std::string& name, const char* reason) {
    observer.showError(name, reason);
    return false;
}

// The format the name claims, or null after telling why there is none.
const ReaderEntry* claim(const std::string& name, LoadObserver& observer, const LoadOptions& options) {
    if (name.size() > kMaxModelPathChars) {
        refuse(observer, name, "Error: The path of this file is too long.");
        return nullptr;
    }
    const ReaderEntry* format = formatOfName(name, options.unpacking());
    if (!format) refuse(observer, name, "Error: Not a supported file type.");
    return format;
}

// Unpacks the source when its format may come compressed and it is, and
// runs the format's content check on what it holds then. On return the
// source points at the bytes to read (unpacked ones in `unpacked`), and
// `unpackFailure` names a failed unpacking, which the reader will report:
// a damaged file may still show a head that passes; `ignoredBytes` counts
// the bytes after the compressed data. False after telling why the content
// is refused.
bool checkContent(const ReaderEntry& format, ModelSource& source, std::vector<uint8_t>& unpacked,
                  const char*& unpackFailure, uint64_t& ignoredBytes, LoadObserver& observer,
                  const LoadOptions& options) {
    unpackFailure = nullptr;
    ignoredBytes = 0;
    const Decompressor* decompressor = options.decompressor;
    if (*format.packedSuffixes && options.unpacking() && decompressor->recognises(source.data, source.size)) {
        const size_t limit = unpackedLimit(source.size);
        switch (decompressor->unpack(source.data, source.size, limit, unpacked, ignoredBytes)) {
            case Decompressor::Result::Whole: break;
            case Decompressor::Result::TooLarge:
                unpackFailure = limit < kMaxUnpackedBytes ? kUnpackedTooDense : kUnpackedTooLarge;
                break;
            case Decompressor::Result::Damaged: unpackFailure = kPackedDamaged; break;
        }
        source.data = unpacked.data();
        source.size = unpacked.size();
    }
    if (format.looksLike(source.data, source.size)) return true;
    return refuse(observer, source.name,
                  format.refusalFor ? format.refusalFor(source.data, source.size) : format.refusal);
}

}  // namespace

const char kUnpackedTooLarge[] = "The compressed file unpacks to more than 256 MB";
const char kUnpackedTooDense[] = "The compressed file unpacks to more than 32 times its size";
const char kPackedDamaged[] = "The compressed file is damaged";

bool sniffModelSource(const ModelSource& source, LoadObserver& observer, const LoadOptions& options) {
    const ReaderEntry* format = claim(source.name, observer, options);
    if (!format) return false;
    try {
        ModelSource checked = source;
        std::vector<uint8_t> unpacked;
        const char* unpackFailure = nullptr;
        uint64_t ignoredBytes = 0;
        return checkContent(*format, checked, unpacked, unpackFailure, ignoredBytes, observer, options);
    } catch (const std::bad_alloc&) {
        return refuse(observer, source.name, kNoMemory);
    }
}

bool sniffModelFile(const std::string& path, ModelFileOpener& opener, LoadObserver& observer,
                    const LoadOptions& options) {
    if (!claim(path, observer, options)) return false;
    try {
        std::vector<uint8_t> bytes;
        if (!readModelFile(opener, path, bytes)) return refuse(observer, path, kCantOpen);
        return sniffModelSource({path, bytes.data(), bytes.size(), nullptr}, observer, options);
    } catch (const std::bad_alloc&) {
        return refuse(observer, path, kNoMemory);
    }
}

LoadContext::LoadContext(LoadObserver& observer, std::string& lastStatus)
    : observer_(observer), lastStatus_(lastStatus) {}

void LoadContext::beginRead() {}
void LoadContext::endRead() {}

std::string LoadContext::notesSummary() const {
    const bool ignored = ignoredBytes_ > 0;
    if (skippedFields_ + skippedNodes_ + (ignored ? 1 : 0) <= 1) return lastNote_;
    auto count = [](unsigned long long n, const char* what) {
        return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    std::vector<std::string> parts;
    if (skippedFields_ > 0) parts.push_back(count(static_cast<unsigned long long>(skippedFields_), "unknown field"));
    if (skippedNodes_ > 0) parts.push_back(count(static_cast<unsigned long long>(skippedNodes_), "unknown node"));
    if (ignored) parts.push_back(count(ignoredBytes_, "byte") + " after the compressed data");
    std::string text = "Skipped " + parts[0];
    for (size_t i = 1; i < parts.size(); ++i) text += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text + "; see glowpond-info --status.";
}

void LoadContext::vstatus(const char* format, std::va_list args) {
    if (!observer_.showsStatus()) return;
    const bool field = std::strcmp(format, kSkippedFieldNote) == 0;
    const bool node = std::strcmp(format, kSkippedNodeNote) == 0;
    const bool bytes = std::strcmp(format, kIgnoredBytesNote) == 0;
    if (bytes) {
        std::va_list count;
        va_copy(count, args);
        ignoredBytes_ += va_arg(count, unsigned long long);
        va_end(count);
    }
    std::string text = formatted(format, args);
    if (field || node || bytes) {
        skippedFields_ += field ? 1 : 0;
        skippedNodes_ += node ? 1 : 0;
        lastNote_ = text;
    }
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

bool ModelLoader::admits(const std::string& path, LoadObserver& observer) const {
    return sniffModelFile(path, opener_, observer, options_);
}

bool ModelLoader::load(const std::string& path, DisplayMesh& mesh, LoadObserver& observer) {
    // The name is judged before the file is opened.
    if (!claim(path, observer, options_)) return false;
    try {
        std::vector<uint8_t> bytes;
        // One open for the check and the reading: the bytes read are the bytes checked.
        if (!readModelFile(opener_, path, bytes)) return refuse(observer, path, kCantOpen);
        FolderResolver companions(opener_, folderOf(path));
        return run({path, bytes.data(), bytes.size(), &companions}, bytes, mesh, observer);
    } catch (const std::bad_alloc&) {
        return refuse(observer, path, kNoMemory);
    }
}

bool ModelLoader::load(const ModelSource& source, DisplayMesh& mesh, LoadObserver& observer) {
    std::vector<uint8_t> none;
    return run(source, none, mesh, observer);
}

bool ModelLoader::run(ModelSource source, std::vector<uint8_t>& held, DisplayMesh& mesh, LoadObserver& observer) {
    const ReaderEntry* format = claim(source.name, observer, options_);
    if (!format) return false;
    auto fail = [&](const std::string& text, const char* caption) {
        observer.showError(text, caption);
        return false;
    };
    try {
        std::vector<uint8_t> unpacked;
        const char* unpackFailure = nullptr;
        uint64_t ignoredBytes = 0;
        if (!checkContent(*format, source, unpacked, unpackFailure, ignoredBytes, observer, options_)) return false;
        // The packed bytes are no longer needed once unpacked.
        if (!unpacked.empty()) std::vector<uint8_t>().swap(held);

        // The traversal state and the action are large: they live on the
        // heap, never on the stack of whatever thread loads.
        auto context = std::make_unique<LoadContext>(observer, lastStatusText_);
        auto state = std::make_unique<TraversalState>();
        auto action = std::make_unique<ConvertAction>(&observer, !options_.reading.strict);
        if (ignoredBytes > 0) context->status(kIgnoredBytesNote, static_cast<unsigned long long>(ignoredBytes));

        const bool read =
            dispatchModel(*context, source, options_.reading, options_.unpacking(), unpackFailure) != 0;
        // The scene holds what was read: the file's bytes can go before the
        // conversion needs its memory.
        std::vector<uint8_t>().swap(unpacked);
        std::vector<uint8_t>().swap(held);
        if (!read) return fail(source.name, "File read error.");
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
        if (!action->transferMesh(mesh)) return fail(source.name, kNoMemory);
        const std::string notes = context->notesSummary();
        if (!notes.empty()) context->status("%s", notes.c_str());
        return true;
    } catch (const std::bad_alloc&) {
        // Whatever the load had built is gone with the unwinding; the mesh is unchanged.
        return fail(source.name, kNoMemory);
    }
}

}  // namespace glowpond
