// glowpond-trace: runs the saver's frame loop headless, with a simulated
// clock and an offscreen OpenGL context, and prints one JSON line per model
// update; optionally writes the frame after a given update as a PNG.
//
//   glowpond-trace --cubes N [--ini FILE] [--seed S] [--updates K]
//                  [--png FILE] [--size WxH] [--at K]
//
// The clock starts at 1000 ms and moves only inside the wait for a model's
// step, straight to the moment the step is due, so a run is as fast as the
// drawing and, with --seed, repeats exactly.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "engine/model_slot.h"
#include "loading/gzip_decompressor.h"
#include "host/console_progress.h"
#include "host/scheduler.h"
#include "importers/reader_table.h"
#include "render/gl_renderer.h"
#include "tools/offscreen.h"

namespace glowpond {
namespace {

std::string usage() {
    return "usage: glowpond-trace (--cubes N | MODEL...) [--ini FILE] [--seed S] [--updates K]\n"
    "                      [--png FILE] [--size WxH] [--at K | --stage STAGE]\n"
    "  --cubes N      N red cubes (0 to 15) instead of model files\n"
    "  MODEL...       model files, loaded as the saver loads them\n"
    "  --ini FILE     settings from FILE instead of the defaults\n"
    "  --seed S       seed the generator with S instead of the time\n"
    "  --updates K    stop after K model updates (default 100, or the picture)\n"
    "  --png FILE     write the frame after update --at as a PNG\n"
    "  --size WxH     window size in pixels (default 800x600)\n"
    "  --at K         the update whose frame --png shows (default 0)\n"
    "  --stage STAGE  instead, the frame in which the first model is first\n"
    "                 rising (mid-screen), morphing (half way) or formed\n"
    "Model files: " + formatSummary() + ".\n";
}

// The moments of the first model that --stage can picture.
enum class Stage { None, Rising, Morphing, Formed };

struct Options {
    int32_t cubes = -1;
    std::vector<std::string> files;
    Stage stage = Stage::None;
    std::string ini;
    std::optional<uint32_t> seed;
    std::optional<int64_t> updates;
    std::string png;
    int32_t width = 800;
    int32_t height = 600;
    int64_t at = 0;
};

bool parseNumber(const char* text, int64_t& value) {
    char* end = nullptr;
    long long parsed = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0') return false;
    value = parsed;
    return true;
}

bool parseSize(const char* text, Options& options) {
    int32_t width = 0, height = 0;
    char end = '\0';
    if (std::sscanf(text, "%" SCNd32 "x%" SCNd32 "%c", &width, &height, &end) != 2) return false;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return false;
    options.width = width;
    options.height = height;
    return true;
}

bool parseStage(const std::string& text, Stage& stage) {
    const std::pair<const char*, Stage> names[] = {
        {"rising", Stage::Rising}, {"morphing", Stage::Morphing}, {"formed", Stage::Formed}};
    for (const auto& [name, value] : names) {
        if (text == name) stage = value;
    }
    return stage != Stage::None;
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name.rfind("--", 0) != 0) {
            options.files.push_back(name);
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "glowpond-trace: %s needs a value\n", name.c_str());
            return false;
        }
        const char* value = argv[++i];
        int64_t number = 0;
        if (name == "--cubes" && parseNumber(value, number) && number >= 0 && number <= MAX_MODELS) {
            options.cubes = static_cast<int32_t>(number);
        } else if (name == "--ini") {
            options.ini = value;
        } else if (name == "--seed" && parseNumber(value, number) && number >= 0 && number <= UINT32_MAX) {
            options.seed = static_cast<uint32_t>(number);
        } else if (name == "--updates" && parseNumber(value, number) && number >= 0) {
            options.updates = number;
        } else if (name == "--png") {
            options.png = value;
        } else if (name == "--size" && parseSize(value, options)) {
            // parsed
        } else if (name == "--at" && parseNumber(value, number) && number >= 0) {
            options.at = number;
        } else if (name == "--stage" && parseStage(value, options.stage)) {
            // parsed
        } else {
            std::fprintf(stderr, "glowpond-trace: bad option %s %s\n", name.c_str(), value);
            return false;
        }
    }
    if ((options.cubes < 0) == options.files.empty()) {
        std::fprintf(stderr, "glowpond-trace: name model files or use --cubes N (not both)\n");
        return false;
    }
    return true;
}

const char* phaseName(ModelPhase phase) {
    switch (phase) {
    case ModelPhase::Rise: return "rise";
    case ModelPhase::Fall: return "fall";
    case ModelPhase::Morph: return "morph";
    case ModelPhase::Reset: return "reset";
    }
    return "?";
}

// Draws like the saver (through the renderer's own view), prints every
// update, and writes the picture.
class TraceView final : public AnimationView {
public:
    TraceView(AnimationView& drawing, const Options& options, const SaverSettings& settings,
              const OffscreenContext& context)
        : drawing_(drawing),
          options_(options),
          context_(context),
          period_(animationTiming(settings).spinPeriod),
          limit_(options.updates ? *options.updates : (options.png.empty() ? 100 : 0)),
          pictureDue_(!options.png.empty()) {}

    void beginFrame() override { drawing_.beginFrame(); }
    void clearRect(const ScissorRect& rect) override { drawing_.clearRect(rect); }
    void setSolidMode(bool solid, bool backCull, bool twoSided) override {
        drawing_.setSolidMode(solid, backCull, twoSided);
    }
    void drawSlot(const ModelSlot& slot, float scale, ScissorRect& rect) override {
        drawing_.drawSlot(slot, scale, rect);
    }
    void addSwapHints(const ScissorRect& current, const ScissorRect& previous) override {
        drawing_.addSwapHints(current, previous);
    }

    void modelUpdated(const ModelUpdate& u) override {
        if (u.model == 0 && !atStage_) atStage_ = reachesStage(u);
        if (updates_ < limit_) {
            const Vec3f& p = u.slot.position;
            const Vec3f& c = u.slot.blob->parts[0].color;
            std::printf(
                "{\"update\":%" PRId64 ",\"model\":%" PRId32 ",\"phase\":\"%s\",\"t\":%" PRId32 ",\"hold\":%" PRId32
                ",\"now\":%" PRId32 ",\"position\":[%.9g,%.9g,%.9g],\"velocity\":%.9g,\"blobColor\":[%.9g,%.9g,%.9g]}\n",
                updates_, u.model, phaseName(u.phase), u.morphStep, u.holdCounter, u.now, double(p[0]), double(p[1]),
                double(p[2]), double(u.velocity), double(c[0]), double(c[1]), double(c[2]));
        }
        ++updates_;
    }

    void endFrame() override {
        drawing_.endFrame();
        const bool now = options_.stage == Stage::None ? updates_ > options_.at : atStage_;
        if (pictureDue_ && now) {
            pictureDue_ = false;
            if (!writePng(options_.png, context_.width(), context_.height(), context_.readRgbTopDown())) {
                std::fprintf(stderr, "glowpond-trace: cannot write %s\n", options_.png.c_str());
                failed_ = true;
            }
        }
    }

    bool failed() const { return failed_; }
    // The updates are printed and the picture is written.
    bool finished() const { return updates_ >= limit_ && !pictureDue_; }

private:
    bool reachesStage(const ModelUpdate& u) const {
        switch (options_.stage) {
        case Stage::None: return false;
        case Stage::Rising: return u.phase == ModelPhase::Rise && u.slot.position[1] >= 0.0f;
        case Stage::Morphing: return u.phase == ModelPhase::Morph && u.morphStep == period_ / 2;
        case Stage::Formed: return u.phase == ModelPhase::Morph && u.morphStep == period_;
        }
        return false;
    }

    AnimationView& drawing_;
    const Options& options_;
    const OffscreenContext& context_;
    int32_t period_;
    bool atStage_ = false;
    int64_t limit_;
    int64_t updates_ = 0;
    bool pictureDue_;
    bool failed_ = false;
};

// A clock that moves only while a model waits for its step, straight to the
// moment the step is due.
class SimulatedClock final : public Clock {
public:
    int32_t nowMs() override { return ms; }
    int32_t ms = 1000;
};

void animate(ModelSlot* slots, int32_t count, const Options& options, const SaverSettings& settings,
             TraceView& view) {
    SimulatedClock clock;
    const uint32_t seed = options.seed ? *options.seed : static_cast<uint32_t>(std::time(nullptr));
    Scheduler scheduler;
    scheduler.start(slots, count, settings, seed, clock);
    if (count < 1) return;
    for (;;) {
        const Scheduler::Step step = scheduler.step(clock.nowMs(), view);
        if (step.kind == Scheduler::Step::Wait) {
            clock.ms += step.waitMs;
        } else if (view.finished()) {
            return;
        }
    }
}

// Loads the files as the saver does, each with the default per-model
// values; the number loaded, after the saver's messages for those that fail.
int32_t loadFiles(const std::vector<std::string>& files, SaverSettings& settings, ModelSlot* slots) {
    settings.modelCount = 0;
    for (const std::string& file : files) {
        if (settings.modelCount == MAX_MODELS) break;
        settings.models[static_cast<size_t>(settings.modelCount++)] = ModelSettings{file};
    }
    const std::unique_ptr<SystemServices> platform = makeSystemServices();
    PosixFileOpener opener;
    GzipDecompressor gzip;
    ModelLoader loader(opener, {{}, &gzip});
    ConsoleProgress progress(*platform, false);
    const int32_t loaded = loadModelFiles(slots, settings, loader, progress).loaded;
    if (loaded == 0) platform->messageBox(nullptr, "Error: No files read. Reconfigure.", "ERROR");
    return loaded;
}

int run(const Options& options) {
    SaverSettings settings;
    if (!options.ini.empty() && !settings.readSettings(options.ini, *makeSystemServices())) {
        std::fprintf(stderr, "glowpond-trace: cannot read %s\n", options.ini.c_str());
        return 1;
    }

    OffscreenContext context(options.width, options.height);
    if (!context.ok()) {
        std::fprintf(stderr, "glowpond-trace: no offscreen OpenGL context\n");
        return 1;
    }
    // As the saver window does: the surface, the light, the model-view matrix.
    GlRenderer renderer({}, false, OffscreenContext::procAddress);
    renderer.setUpSurface({options.width, options.height}, settings.lightHeight);

    std::vector<ModelSlot> slots(MAX_MODELS);
    int32_t count = options.cubes;
    if (options.files.empty()) {
        for (int32_t i = 0; i < count; ++i) {
            ModelSlot& slot = slots[static_cast<size_t>(i)];
            slot.model = std::make_unique<DisplayMesh>();
            slot.model->makeCube(1.0f, 0.0f, 0.0f);
            slot.setUp(i, settings);
        }
    } else if ((count = loadFiles(options.files, settings, slots.data())) == 0) {
        return 1;
    }

    renderer.clearSurface(1);
    TraceView view(renderer.view(), options, settings, context);
    animate(slots.data(), count, options, settings, view);
    return view.failed() ? 1 : 0;
}

}  // namespace
}  // namespace glowpond

int main(int argc, char** argv) {
    glowpond::Options options;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(glowpond::usage().c_str(), stdout);
        return 0;
    }
    if (!glowpond::parseOptions(argc, argv, options)) {
        std::fputs(glowpond::usage().c_str(), stderr);
        return 2;
    }
    return glowpond::run(options);
}
