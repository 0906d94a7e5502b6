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
#include "render/animation_gl.h"
#include "render/gl.h"
#include "engine/model_slot.h"
#include "render/render_surface.h"
#include "platform/platform.h"
#include "tools/offscreen.h"

namespace glowpond {
namespace {

const char kUsage[] =
    "usage: glowpond-trace --cubes N [--ini FILE] [--seed S] [--updates K]\n"
    "                      [--png FILE] [--size WxH] [--at K]\n"
    "  --cubes N     N red cubes (0 to 15) instead of model files\n"
    "  --ini FILE    settings from FILE instead of the defaults\n"
    "  --seed S      seed the generator with S instead of the time\n"
    "  --updates K   stop after K model updates (default 100, or the picture)\n"
    "  --png FILE    write the frame after update --at as a PNG\n"
    "  --size WxH    window size in pixels (default 800x600)\n"
    "  --at K        the update whose frame --png shows (default 0)\n";

struct Options {
    int32_t cubes = -1;
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

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name.rfind("--", 0) != 0) {
            std::fprintf(stderr, "glowpond-trace: model files need the loaders; use --cubes N\n");
            return false;
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
        } else {
            std::fprintf(stderr, "glowpond-trace: bad option %s %s\n", name.c_str(), value);
            return false;
        }
    }
    if (options.cubes < 0) {
        std::fprintf(stderr, "glowpond-trace: no models: use --cubes N\n");
        return false;
    }
    return true;
}

// The system's file services, a simulated clock and a seeded generator.
class TracePlatform final : public Platform {
public:
    TracePlatform(ClientSize size, std::optional<uint32_t> seed) : size_(size), seed_(seed) {}

    int messageBox(WindowHandle owner, const std::string& text, const std::string& caption) override {
        return nativePlatform().messageBox(owner, text, caption);
    }
    AppPathLookup lookupAppPath(const std::string& exeName) override {
        return nativePlatform().lookupAppPath(exeName);
    }
    bool setCurrentDirectory(const std::string& path) override { return nativePlatform().setCurrentDirectory(path); }
    std::string fullPath(const std::string& name) override { return nativePlatform().fullPath(name); }
    bool replaceFileContents(const std::string& path, const std::string& contents) override {
        return nativePlatform().replaceFileContents(path, contents);
    }

    ClientSize clientSize(WindowHandle) override { return size_; }
    int32_t clockMs() override { return clock_; }
    void spinWait(int32_t remainingMs) override { clock_ += remainingMs; }
    void seedRandomFromTime() override {
        random_.seed(seed_ ? *seed_ : static_cast<uint32_t>(std::time(nullptr)));
    }
    int32_t randomValue() override { return random_.next(); }
    PumpResult pumpMessage() override { return PumpResult::NoMessage; }
    void swapBuffers(DeviceHandle) override {}
    void* glProcAddress(const char*) override { return nullptr; }

private:
    ClientSize size_;
    std::optional<uint32_t> seed_;
    int32_t clock_ = 1000;
    StandardRandom random_;
};

const char* phaseName(ModelPhase phase) {
    switch (phase) {
    case ModelPhase::Rise: return "rise";
    case ModelPhase::Fall: return "fall";
    case ModelPhase::Morph: return "morph";
    case ModelPhase::Reset: return "reset";
    }
    return "?";
}

// Draws like the saver, prints every update and stops the loop once the
// updates are printed and the picture is written.
class TraceView final : public GlAnimationView {
public:
    TraceView(WindowHandle window, const Options& options, const OffscreenContext& context)
        : GlAnimationView(window, nullptr),
          options_(options),
          context_(context),
          limit_(options.updates ? *options.updates : (options.png.empty() ? 100 : 0)),
          pictureDue_(!options.png.empty()) {}

    void modelUpdated(const ModelUpdate& u) override {
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
        if (finished()) animating = 0;
    }

    void endFrame() override {
        GlAnimationView::endFrame();
        if (pictureDue_ && updates_ > options_.at) {
            pictureDue_ = false;
            if (!writePng(options_.png, context_.width(), context_.height(), context_.readRgbTopDown())) {
                std::fprintf(stderr, "glowpond-trace: cannot write %s\n", options_.png.c_str());
                failed_ = true;
            }
            if (finished()) animating = 0;
        }
    }

    bool failed() const { return failed_; }

private:
    bool finished() const { return updates_ >= limit_ && !pictureDue_; }

    const Options& options_;
    const OffscreenContext& context_;
    int64_t limit_;
    int64_t updates_ = 0;
    bool pictureDue_;
    bool failed_ = false;
};

int run(const Options& options) {
    static int windowTag = 0;  // stands for the saver's window
    WindowHandle window = &windowTag;
    TracePlatform tracePlatform({options.width, options.height}, options.seed);
    setPlatform(&tracePlatform);

    SaverSettings settings;
    if (!options.ini.empty() && !settings.readSettings(options.ini.c_str())) {
        std::fprintf(stderr, "glowpond-trace: cannot read %s\n", options.ini.c_str());
        return 1;
    }

    OffscreenContext context(options.width, options.height);
    if (!context.ok()) {
        std::fprintf(stderr, "glowpond-trace: no offscreen OpenGL context\n");
        return 1;
    }
    // As the saver window does: the surface, the light, the model-view matrix.
    setupFixedState(options.width, options.height, false);
    setLightHeight(settings.lightHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    std::vector<ModelSlot> slots(MAX_MODELS);
    for (int32_t i = 0; i < options.cubes; ++i) {
        ModelSlot& slot = slots[static_cast<size_t>(i)];
        slot.model = std::make_unique<DisplayMesh>();
        slot.model->makeCube(1.0f, 0.0f, 0.0f);
        slot.pulse.init(settings.pulseSpeed);
        slot.buildBlob();
        slot.prepare(i, settings);
    }

    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    TraceView view(window, options, context);
    animating = 1;
    runAnimationLoop(view, slots.data(), options.cubes, settings);
    setPlatform(nullptr);
    return view.failed() ? 1 : 0;
}

}  // namespace
}  // namespace glowpond

int main(int argc, char** argv) {
    glowpond::Options options;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(glowpond::kUsage, stdout);
        return 0;
    }
    if (!glowpond::parseOptions(argc, argv, options)) {
        std::fputs(glowpond::kUsage, stderr);
        return 2;
    }
    return glowpond::run(options);
}
