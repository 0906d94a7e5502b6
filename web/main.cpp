// The lava in a web browser: the engine, the loader and every reader as in
// the other programs, on a WebGL 2 canvas. The page's script (page.js) owns
// the controls, the files and the canvas size and calls the functions below;
// the module draws from the browser's animation frames.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "host/scheduler.h"
#include "web/page_session.h"
#include "render_es/es_renderer.h"

namespace {

using namespace glowpond;

EM_JS(void, tellPageError, (const char* text, const char* caption),
      { Module.pageError(UTF8ToString(text), UTF8ToString(caption)); });
EM_JS(void, tellPageStatus, (const char* text), { Module.pageStatus(UTF8ToString(text)); });

constexpr char kCanvas[] = "#lava";

class PageClock final : public Clock {
public:
    int32_t nowMs() override {
        return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now() - start_)));
    }

private:
    double start_ = emscripten_get_now();
};

// Load status and refusals go to the page's status line and message list.
class PageProgress final : public LoadProgress {
public:
    bool showsStatus() const override { return true; }
    void showStatus(const std::string& text) override { tellPageStatus(text.c_str()); }
    void showError(const std::string& text, const std::string& caption) override {
        tellPageError(text.c_str(), caption.c_str());
    }
    bool cancelled() override { return false; }
    void nextFile() override {}
    void showFile(const std::string&) override {}
};

// The page's one animation: its session, context, renderer and scheduler.
// Only the front end keeps such state, as the other programs' main loops do.
struct Page {
    PosixFileOpener opener;
    PageSession session{opener};
    PageProgress progress;
    PageClock clock;
    Scheduler scheduler;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    std::unique_ptr<EsRenderer> renderer;
    ClientSize size{1, 1};
    double frames = 0;
    bool contextLost = false;
};

Page* page = nullptr;

// Every frame is drawn whole (the renderer redraws each model at the frame
// end), so the canvas need not keep its buffer: the browser clears it once
// shown, and on a resize or a lost context anyway.
bool makeContext() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = false;
    attributes.depth = true;
    attributes.antialias = false;
    attributes.preserveDrawingBuffer = false;
    page->context = emscripten_webgl_create_context(kCanvas, &attributes);
    if (page->context <= 0) return false;
    emscripten_webgl_make_context_current(page->context);
    page->renderer = std::make_unique<EsRenderer>(std::function<void()>());
    page->renderer->view().setWholeFrames(true);
    page->renderer->setUpSurface(page->size, page->session.settings().lightHeight);
    return page->renderer->ready();
}

// The animation starts again, maybe with other slots: the renderer forgets
// the ones it drew.
void restart() {
    if (page->renderer) page->renderer->clearSurface(1);
    page->scheduler.start(page->session.slots(), page->session.modelCount(), page->session.settings(),
                          static_cast<uint32_t>(std::time(nullptr)), page->clock);
}

EM_BOOL frame(double, void*) {
    if (page->contextLost || !page->renderer) return EM_TRUE;
    // One frame per animation frame at most; a wait for a model not yet due
    // ends the callback, and the next one goes on with the frame. Only the
    // frame end draws, so no half frame is shown.
    for (int32_t steps = 0; steps <= 2 * MAX_MODELS + 2; ++steps) {
        const Scheduler::Step step = page->scheduler.step(page->clock.nowMs(), page->renderer->view());
        if (step.kind == Scheduler::Step::Wait) break;
        if (step.kind == Scheduler::Step::FrameEnd) {
            if (page->session.modelCount() > 0) page->frames += 1;
            break;
        }
    }
    return EM_TRUE;
}

EM_BOOL contextLost(int, const void*, void*) {
    page->contextLost = true;
    if (page->renderer) page->renderer->contextLost();
    return EM_TRUE;  // asks the browser for the context back
}

// The same context object comes back empty: the renderer makes its program
// and buffers again, and each model is drawn again from its next update on.
// The animation goes on where it was, without a jump for the time lost.
EM_BOOL contextRestored(int, const void*, void*) {
    emscripten_webgl_make_context_current(page->context);
    page->renderer->setUpSurface(page->size, page->session.settings().lightHeight);
    page->contextLost = !page->renderer->ready();
    page->scheduler.restartClocks();
    return EM_TRUE;
}

std::vector<std::string> splitLines(const char* text) {
    std::vector<std::string> lines;
    std::istringstream in(text ? text : "");
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

}  // namespace

extern "C" {

// Starts the page's animation on a canvas of width x height pixels; 0 when
// running, 1 when the browser has no WebGL 2.
EMSCRIPTEN_KEEPALIVE int32_t glowpond_start(int32_t width, int32_t height) {
    if (page) return 0;
    page = new Page;
    page->size = {width, height};
    if (!makeContext()) return 1;
    emscripten_set_webglcontextlost_callback(kCanvas, nullptr, EM_TRUE, contextLost);
    emscripten_set_webglcontextrestored_callback(kCanvas, nullptr, EM_TRUE, contextRestored);
    emscripten_request_animation_frame_loop(frame, nullptr);
    return 0;
}

// Shows the models among the files chosen together (names one per line,
// relative to the current folder); returns how many loaded. With none
// loaded the shown models go on.
EMSCRIPTEN_KEEPALIVE int32_t glowpond_show(const char* names) {
    if (!page) return 0;
    int32_t loaded = 0;
    try {
        loaded = page->session.show(splitLines(names), page->progress);
    } catch (const std::bad_alloc&) {
        page->progress.showError("The models", "Error: Not enough memory to load this file.");
        return 0;
    }
    if (loaded > 0) restart();
    return loaded;
}

// The shown models' files, one per line.
EMSCRIPTEN_KEEPALIVE const char* glowpond_shown() {
    static std::string text;
    text.clear();
    if (page) {
        for (const std::string& name : page->session.shownFiles()) text += name + "\n";
    }
    return text.c_str();
}

// Sets an option or a lava colour component by its settings key.
EMSCRIPTEN_KEEPALIVE void glowpond_set(const char* key, int32_t value) {
    if (!page) return;
    PageSession::Change change = PageSession::Change::None;
    try {
        change = page->session.set(key, value, page->progress);
    } catch (const std::bad_alloc&) {
        page->progress.showError("The models", "Error: Not enough memory to load this file.");
        return;
    }
    switch (change) {
        case PageSession::Change::Light:
            if (page->renderer) page->renderer->setUpSurface(page->size, page->session.settings().lightHeight);
            restart();
            break;
        case PageSession::Change::Restart:
        case PageSession::Change::Reload: restart(); break;
        default: break;
    }
}

EMSCRIPTEN_KEEPALIVE void glowpond_resize(int32_t width, int32_t height) {
    if (!page || width < 1 || height < 1) return;
    page->size = {width, height};
    // Whole frames clear and draw everything: the next frame end fills the
    // new size.
    if (page->renderer) page->renderer->resize(page->size);
}

// The page is visible again: no model jumps by the time it was hidden.
EMSCRIPTEN_KEEPALIVE void glowpond_visible() {
    if (page) page->scheduler.restartClocks();
}

// The value in force of an option or a lava colour component (0..255).
EMSCRIPTEN_KEEPALIVE int32_t glowpond_get(const char* key) {
    return page ? page->session.get(key) : 0;
}

// Frames drawn with models since the start.
EMSCRIPTEN_KEEPALIVE double glowpond_frames() { return page ? page->frames : 0; }

}  // extern "C"
