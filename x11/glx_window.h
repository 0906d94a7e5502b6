// The window the X11 program draws in, with its GLX context: a window of
// its own, or one it is given (xscreensaver's, or any other by id). Only
// this file and its source include the X and GLX headers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/scissor.h"
#include "x11/options.h"

namespace glowpond {

class GlxWindow {
public:
    // What the window's waiting events asked for.
    struct Events {
        bool end = false;      // closed, Escape or q (own window); destroyed (given window)
        bool resized = false;  // size() changed
        bool exposed = false;  // parts of it must be drawn again
    };

    // Opens the display and makes a context current on the window that
    // `line` names. Null, after a message on standard error, when it cannot.
    static std::unique_ptr<GlxWindow> open(const CommandLine& line);
    ~GlxWindow();
    GlxWindow(const GlxWindow&) = delete;
    GlxWindow& operator=(const GlxWindow&) = delete;

    // GLX's lookup of OpenGL entry points by name.
    static void* procAddress(const char* name);

    ClientSize size() const { return size_; }
    // The X window's id.
    uint64_t id() const;
    // The display connection's descriptor, to wait on.
    int connection() const;
    // True when events wait to be taken, without waiting for any.
    bool eventsWaiting();
    Events takeEvents();
    void swapBuffers();

private:
    struct Handles;
    explicit GlxWindow(std::unique_ptr<Handles> handles);

    std::unique_ptr<Handles> handles_;
    ClientSize size_;
};

}  // namespace glowpond
