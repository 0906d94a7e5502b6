// glowpond: the lava saver on X11, in a window of its own or as an
// xscreensaver hack. It runs the Windows saver's animation, loader and
// settings; unlike the Windows saver it sleeps until the next model is due
// instead of spinning on the clock.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "engine/animation.h"
#include "loading/gzip_decompressor.h"
#include "system/system_services.h"
#include "host/console_progress.h"
#include "host/scheduler.h"
#include "host/screen_start.h"
#include "render/gl_renderer.h"
#include "x11/glx_window.h"
#include "x11/options.h"
#include "x11/paths.h"
#include "x11/setup.h"

namespace glowpond {
namespace {

using SteadyClock = std::chrono::steady_clock;

// How often --fps reports.
constexpr auto kFpsInterval = std::chrono::seconds(5);

// SIGTERM (how xscreensaver stops a hack) and SIGINT, taken through a
// descriptor so that the waits see them. They are blocked before any
// thread exists (the OpenGL library starts some), so every thread leaves
// them to the descriptor.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGTERM);
        sigaddset(&set_, SIGINT);
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
        descriptor_ = signalfd(-1, &set_, SFD_NONBLOCK | SFD_CLOEXEC);
    }
    ~StopSignals() {
        if (descriptor_ >= 0) close(descriptor_);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int descriptor() const { return descriptor_; }
    const sigset_t& set() const { return set_; }
    bool arrived() const {
        pollfd look{descriptor_, POLLIN, 0};
        return poll(&look, 1, 0) > 0;
    }

private:
    sigset_t set_{};
    int descriptor_ = -1;
};

// While the models load, a stop signal ends the program at once: a load
// may spend long in one list of a big file without a look at the
// descriptor, and nothing is on screen yet that would need taking down.
// Blocked again before the window, and the OpenGL library's threads, come.
class EndOnStopSignals {
public:
    explicit EndOnStopSignals(const StopSignals& signals) : set_(signals.set()) {
        struct sigaction action {};
        action.sa_handler = [](int) { _exit(0); };
        sigemptyset(&action.sa_mask);
        sigaction(SIGTERM, &action, &oldTerm_);
        sigaction(SIGINT, &action, &oldInt_);
        // One that came before takes effect here.
        pthread_sigmask(SIG_UNBLOCK, &set_, nullptr);
    }
    ~EndOnStopSignals() {
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        sigaction(SIGINT, &oldInt_, nullptr);
    }
    EndOnStopSignals(const EndOnStopSignals&) = delete;
    EndOnStopSignals& operator=(const EndOnStopSignals&) = delete;

private:
    sigset_t set_;
    struct sigaction oldTerm_ {};
    struct sigaction oldInt_ {};
};

class Stopwatch final : public Clock {
public:
    int32_t nowMs() override {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start_).count();
        return static_cast<int32_t>(static_cast<uint32_t>(elapsed));
    }

private:
    SteadyClock::time_point start_ = SteadyClock::now();
};

// Frames and model updates per second, on standard error every few seconds.
class FpsMeter {
public:
    void frame(int32_t updates) {
        ++frames_;
        updates_ += updates;
        const auto now = SteadyClock::now();
        const double seconds = std::chrono::duration<double>(now - since_).count();
        if (now - since_ < kFpsInterval) return;
        std::fprintf(stderr, "glowpond: %.1f frames/s, %.1f model updates/s\n", frames_ / seconds,
                     updates_ / seconds);
        frames_ = updates_ = 0;
        since_ = now;
    }

private:
    SteadyClock::time_point since_ = SteadyClock::now();
    int64_t frames_ = 0;
    int64_t updates_ = 0;
};

// The host of the animation on an X window: per frame, each active model
// is updated once its step is due, after a sleep that the window's events
// and the stop signals cut short.
class Host {
public:
    Host(GlxWindow& window, const SaverSettings& settings, const StopSignals& signals, bool fps)
        : window_(window), settings_(settings), signals_(signals), fps_(fps),
          renderer_([this] { window_.swapBuffers(); }, false, GlxWindow::procAddress) {}

    // Returns when the window or a signal ends the program.
    void run(ModelSlot* slots, int32_t count) {
        prepareSurface();
        // xscreensaver starts a copy on every screen at once: the window
        // tells them apart, so that neighbours do not show the same model.
        const auto now = static_cast<uint32_t>(std::time(nullptr));
        startWith(slots, count, firstModelOfWindow(window_.id(), now, count));
        Scheduler scheduler;
        scheduler.start(slots, count, settings_, screenSeed(now, window_.id()), clock_);
        FpsMeter meter;
        int32_t updates = 0;
        for (;;) {
            const Scheduler::Step step = scheduler.step(clock_.nowMs(), renderer_.view());
            if (step.kind == Scheduler::Step::Wait) {
                if (!sleep(step.waitMs)) return;
            } else if (step.kind == Scheduler::Step::Turn) {
                updates += step.updated;
            } else {
                if (fps_) meter.frame(std::exchange(updates, 0));
                if (!takeEvents()) return;
                if (redraw_) {
                    // The frames draw only the models' squares: all else must be
                    // black again, at the new size.
                    prepareSurface();
                    redraw_ = false;
                }
            }
        }
    }

private:
    // The window's size, and black in both buffers.
    void prepareSurface() {
        renderer_.setUpSurface(window_.size(), settings_.lightHeight);
        renderer_.clearSurface(2);
    }

    // Sleeps up to `ms`, or until an event or a signal comes; false when the
    // program is to end.
    bool sleep(int32_t ms) {
        if (!takeEvents()) return false;
        pollfd waits[] = {{window_.connection(), POLLIN, 0}, {signals_.descriptor(), POLLIN, 0}};
        poll(waits, 2, ms);
        return !signals_.arrived();
    }

    // Takes the window's waiting events; false when the program is to end.
    bool takeEvents() {
        if (signals_.arrived()) return false;
        const GlxWindow::Events events = window_.takeEvents();
        redraw_ = redraw_ || events.resized || events.exposed;
        return !events.end;
    }

    GlxWindow& window_;
    const SaverSettings& settings_;
    const StopSignals& signals_;
    bool fps_;
    bool redraw_ = false;
    Stopwatch clock_;
    GlRenderer renderer_;
};

// Different for every start, and for copies started at once on several
// screens: each is given its own window.
uint32_t startSeed(const CommandLine& line) {
    uint32_t seed = static_cast<uint32_t>(SteadyClock::now().time_since_epoch().count()) ^
                    static_cast<uint32_t>(std::time(nullptr)) ^ (static_cast<uint32_t>(getpid()) << 16);
    seed ^= line.windowId * 2654435761u;
    if (const char* window = std::getenv("XSCREENSAVER_WINDOW")) {
        if (const std::optional<uint32_t> id = parseWindowId(window)) seed ^= *id * 2246822519u;
    }
    return seed;
}

int run(int argc, char** argv) {
    StopSignals signals;
    std::string error;
    const std::optional<CommandLine> line = parseCommandLine(argc, argv, error);
    if (!line) {
        std::fprintf(stderr, "glowpond: %s\n\n%s", error.c_str(), usage().c_str());
        return 2;
    }
    if (line->help) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }

    const std::unique_ptr<SystemServices> platform = makeSystemServices();
    SaverSettings settings;
    if (!gatherSettings(*line, sampleModelFolder(GLOWPOND_DATA_FROM_PROGRAM), *platform, settings)) return 1;

    std::vector<ModelSlot> slots(MAX_MODELS);
    PosixFileOpener opener;
    GzipDecompressor gzip;
    ModelLoader loader(opener, {{}, &gzip});
    ConsoleProgress progress(*platform, settings.showStatus != 0);
    const LoadOutcome outcome = [&] {
        const EndOnStopSignals stopNow(signals);
        PosixFolderLister lister;
        return loadModelFiles(slots.data(), settings, loader, progress,
                              planModels(settings, &lister, startSeed(*line)));
    }();
    if (outcome.loaded == 0) {
        platform->messageBox(nullptr, "Error: No files read. Reconfigure.", "ERROR");
        return 1;
    }

    const std::unique_ptr<GlxWindow> window = GlxWindow::open(*line);
    if (!window) return 1;
    Host(*window, settings, signals, line->fps).run(slots.data(), outcome.loaded);
    return 0;
}

}  // namespace
}  // namespace glowpond

int main(int argc, char** argv) { return glowpond::run(argc, argv); }
