#include "x11/glx_window.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>

#include "render/gl_extensions.h"

namespace glowpond {
namespace {

constexpr int kOwnWidth = 800;
constexpr int kOwnHeight = 600;

// A window we were given may go at any moment, and requests for it then
// fail: the failure is not ours to end the program on; its DestroyNotify
// follows and ends it quietly.
int ignoreRequestErrors(Display*, XErrorEvent*) { return 0; }

void tell(const std::string& text) { std::fprintf(stderr, "glowpond: %s\n", text.c_str()); }

std::string hex(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(id));
    return text;
}

// Asks for a swap interval of 1 where the server offers one, so that each
// frame reaches the screen whole, between two refreshes.
void askForWholeFrames(Display* display, int screen, Window window) {
    using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
    using SwapIntervalMesa = int (*)(unsigned int);
    switch (swapControlFor(glXQueryExtensionsString(display, screen))) {
    case SwapControl::GlxExt:
        if (auto set = reinterpret_cast<SwapIntervalExt>(GlxWindow::procAddress("glXSwapIntervalEXT"))) {
            set(display, window, 1);
        }
        break;
    case SwapControl::GlxMesa:
        if (auto set = reinterpret_cast<SwapIntervalMesa>(GlxWindow::procAddress("glXSwapIntervalMESA"))) set(1);
        break;
    default:
        break;
    }
}

}  // namespace

struct GlxWindow::Handles {
    Display* display = nullptr;
    Window window = 0;
    bool own = false;
    Colormap colormap = 0;
    GLXContext context = nullptr;
    Atom deleteWindow = 0;

    ~Handles() {
        if (!display) return;
        if (context) {
            glXMakeCurrent(display, None, nullptr);
            glXDestroyContext(display, context);
        }
        if (own && window) XDestroyWindow(display, window);
        if (colormap) XFreeColormap(display, colormap);
        XCloseDisplay(display);
    }
};

GlxWindow::GlxWindow(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

uint64_t GlxWindow::id() const { return handles_->window; }
GlxWindow::~GlxWindow() = default;

std::unique_ptr<GlxWindow> GlxWindow::open(const CommandLine& line) {
    auto h = std::make_unique<Handles>();
    h->display = XOpenDisplay(nullptr);
    if (!h->display) {
        tell("cannot open the display (is DISPLAY set?)");
        return nullptr;
    }
    XSetErrorHandler(ignoreRequestErrors);
    Display* display = h->display;
    const int screen = DefaultScreen(display);

    XVisualInfo* visual = nullptr;
    if (line.target == CommandLine::Target::OwnWindow) {
        int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1,
                            GLX_DEPTH_SIZE, 16, None};
        visual = glXChooseVisual(display, screen, attributes);
        if (!visual) {
            tell("no double-buffered OpenGL visual with a depth buffer");
            return nullptr;
        }
        XSetWindowAttributes set{};
        h->colormap = XCreateColormap(display, RootWindow(display, screen), visual->visual, AllocNone);
        set.colormap = h->colormap;
        set.background_pixel = BlackPixel(display, screen);
        set.event_mask = KeyPressMask | StructureNotifyMask | ExposureMask;
        h->window = XCreateWindow(display, RootWindow(display, screen), 0, 0, kOwnWidth, kOwnHeight, 0,
                                  visual->depth, InputOutput, visual->visual,
                                  CWColormap | CWBackPixel | CWEventMask, &set);
        h->own = true;
        XStoreName(display, h->window, "3-D Glowpond");
        h->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, h->window, &h->deleteWindow, 1);
        XMapWindow(display, h->window);
    } else {
        uint32_t id = line.windowId;
        if (line.target == CommandLine::Target::Root) {
            const char* named = std::getenv("XSCREENSAVER_WINDOW");
            const std::optional<uint32_t> given = parseWindowId(named);
            id = given ? *given : static_cast<uint32_t>(RootWindow(display, screen));
        }
        h->window = id;
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, h->window, &attributes)) {
            tell("there is no window " + hex(id));
            return nullptr;
        }
        // Another client may own the window's button presses: ask for nothing more.
        XSelectInput(display, h->window, StructureNotifyMask | ExposureMask);
        XVisualInfo wanted{};
        wanted.visualid = XVisualIDFromVisual(attributes.visual);
        int found = 0;
        visual = XGetVisualInfo(display, VisualIDMask, &wanted, &found);
        if (!visual) {
            tell("cannot find the visual of window " + hex(id));
            return nullptr;
        }
    }

    h->context = glXCreateContext(display, visual, nullptr, True);
    XFree(visual);
    if (!h->context || !glXMakeCurrent(display, h->window, h->context)) {
        tell("cannot draw with OpenGL on the window");
        return nullptr;
    }
    askForWholeFrames(display, screen, h->window);
    std::unique_ptr<GlxWindow> result(new GlxWindow(std::move(h)));
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, result->handles_->window, &attributes);
    result->size_ = {attributes.width, attributes.height};
    return result;
}

void* GlxWindow::procAddress(const char* name) {
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

int GlxWindow::connection() const { return ConnectionNumber(handles_->display); }

bool GlxWindow::eventsWaiting() { return XPending(handles_->display) > 0; }

GlxWindow::Events GlxWindow::takeEvents() {
    Handles& h = *handles_;
    Events events;
    while (XPending(h.display) > 0) {
        XEvent event;
        XNextEvent(h.display, &event);
        switch (event.type) {
        case ConfigureNotify:
            if (event.xconfigure.window == h.window &&
                (event.xconfigure.width != size_.width || event.xconfigure.height != size_.height)) {
                size_ = {event.xconfigure.width, event.xconfigure.height};
                events.resized = true;
            }
            break;
        case Expose:
            events.exposed = true;
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == h.window) {
                // Nothing is left to release on the server.
                h.window = 0;
                events.end = true;
            }
            break;
        case KeyPress:
            if (h.own) {
                const KeySym key = XLookupKeysym(&event.xkey, 0);
                if (key == XK_Escape || key == XK_q) events.end = true;
            }
            break;
        case ClientMessage:
            if (h.own && static_cast<Atom>(event.xclient.data.l[0]) == h.deleteWindow) events.end = true;
            break;
        default:
            break;
        }
    }
    return events;
}

void GlxWindow::swapBuffers() {
    if (handles_->window) glXSwapBuffers(handles_->display, handles_->window);
}

}  // namespace glowpond
