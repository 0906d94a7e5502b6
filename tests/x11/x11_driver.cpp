// Runs the X11 program as xscreensaver and users do, on the test run's X
// display, and checks what it draws and how it ends. One scenario per call:
//
//   x11_driver SCENARIO PROGRAM MODELS_FOLDER
//
// Exit status: 0 passed, 1 failed, 77 skipped (no display; with the
// environment variable CI set, a missing display fails instead).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void expect(bool condition, const std::string& what) {
    if (condition) return;
    std::fprintf(stderr, "FAIL: %s\n", what.c_str());
    std::exit(1);
}

// The program running in the background, its standard error kept in a file.
class Run {
public:
    Run(const std::vector<std::string>& args, const char* saverWindow) {
        char name[] = "/tmp/glowpond-x11-XXXXXX";
        const int log = mkstemp(name);
        log_ = name;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(log, 2);
            saverWindow ? setenv("XSCREENSAVER_WINDOW", saverWindow, 1) : unsetenv("XSCREENSAVER_WINDOW");
            std::vector<char*> argv;
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(log);
    }
    ~Run() {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        unlink(log_.c_str());
    }

    // The exit status once the program has ended within `seconds`.
    std::optional<int> ended(double seconds) {
        const auto until = Clock::now() + std::chrono::duration<double>(seconds);
        while (!status_ && Clock::now() < until) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return status_;
    }
    void stop() { kill(pid_, SIGTERM); }
    std::string errors() const {
        std::ostringstream text;
        text << std::ifstream(log_).rdbuf();
        return text.str();
    }

private:
    pid_t pid_ = -1;
    std::string log_;
    std::optional<int> status_;
};

// Pixels of the lava colour (green here: the default) in `window`.
int lavaPixels(Display* display, Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return 0;
    XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image) return 0;
    int count = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const int red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
            if (green > 120 && green > red + 60 && green > blue + 60) ++count;
        }
    }
    XDestroyImage(image);
    return count;
}

// A model big enough that loading it fifteen times takes seconds.
std::string bigModel() {
    const std::string path = "/tmp/glowpond-x11-big.wrl";
    std::ofstream out(path);
    out << "#VRML V1.0 ascii\nSeparator { Coordinate3 { point [\n";
    constexpr int kSide = 500;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) out << x << ' ' << y << " 0,\n";
    }
    out << "] }\nIndexedFaceSet { coordIndex [\n";
    for (int y = 0; y + 1 < kSide; ++y) {
        for (int x = 0; x + 1 < kSide; ++x) {
            const int corner = y * kSide + x;
            out << corner << ',' << corner + 1 << ',' << corner + kSide << ",-1,\n";
        }
    }
    out << "] } }\n";
    return path;
}

bool waitFor(const std::function<bool()>& condition, double seconds) {
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (Clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void expectLava(Display* display, Window window, Run& run) {
    const auto until = Clock::now() + std::chrono::seconds(20);
    while (lavaPixels(display, window) < 20) {
        expect(!run.ended(0.2) && Clock::now() < until, "no lava drawn; the program said: " + run.errors());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: x11_driver SCENARIO PROGRAM MODELS_FOLDER\n");
        return 2;
    }
    const std::string scenario = argv[1], program = argv[2], rocket = std::string(argv[3]) + "/rocket.3ds";
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        if (std::getenv("CI")) {
            std::printf("no X display: failed (CI is set)\n");
            return 1;
        }
        std::printf("no X display: skipped\n");
        return 77;
    }
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 320, 240, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", window);
    // By scenario: the arguments after "-speed 10", the XSCREENSAVER_WINDOW, and a message the program must print.
    const std::string bad = "/tmp/glowpond-x11-bad.wrl";
    std::ofstream(bad) << "#VRML V2.0 utf8\n";
    // Opened as it is written, a FIFO without a writer would hold the program forever.
    const std::string fifo = "/tmp/glowpond-x11-fifo-" + std::to_string(getpid()) + ".wrl";
    unlink(fifo.c_str());
    expect(mkfifo(fifo.c_str(), 0600) == 0, "cannot make a FIFO");
    struct RemoveFifo {
        std::string path;
        ~RemoveFifo() { unlink(path.c_str()); }
    } removeFifo{fifo};
    std::vector<std::string> bigLoad = {"-window-id", id, "-status"};
    if (scenario == "stopped_while_loading") bigLoad.insert(bigLoad.end(), 15, bigModel());
    const std::map<std::string, std::tuple<std::vector<std::string>, const char*, std::string>> scenarios = {
        {"window_id", {{"-window-id", id, rocket, rocket}, nullptr, ""}},
        {"refused_file", {{"-window-id", id, rocket, bad}, nullptr, "Error: VRML 2.0 not supported in this version."}},
        {"root_named_window", {{"-root", rocket}, id, ""}}, {"root_window", {{"-root", rocket}, nullptr, ""}},
        {"window_destroyed", {{"--window-id", id, rocket}, nullptr, ""}},
        {"nothing_loadable", {{"-window-id", id, bad}, nullptr, "Error: No files read. Reconfigure."}},
        // Models drawn from a folder; a missing one is told once.
        {"folder", {{"-window-id", id, "-folder", argv[3], "/tmp/glowpond-x11-gone/"}, nullptr,
                    "Error: Can't open this folder.: /tmp/glowpond-x11-gone/"}},
        {"fifo_refused", {{"-window-id", id, fifo, rocket}, nullptr, "Error: Can't open this file.: " + fifo}},
        {"stopped_while_loading", {bigLoad, nullptr, ""}},
        // The installed program with no settings file shows its sample models.
        {"installed", {{"-window-id", id}, nullptr, ""}}};
    const auto found = scenarios.find(scenario);
    expect(found != scenarios.end(), "unknown scenario " + scenario);
    auto [args, saverWindow, message] = found->second;
    args.insert(args.begin(), {program, "-speed", "10"});
    if (scenario == "installed") setenv("XDG_CONFIG_HOME", "/nonexistent", 1);
    Run run(args, saverWindow);
    if (scenario == "stopped_while_loading") {
        // SIGTERM once the loads have begun ends the program within a second, before any window.
        expect(waitFor([&] { return run.errors().find(bigLoad.back()) != std::string::npos || run.ended(0.01); }, 20.0),
               "the loads did not begin: " + run.errors());
        run.stop();
        const auto stopped = Clock::now();
        const std::optional<int> status = run.ended(1.0);
        expect(status == 0, "no clean end within a second of SIGTERM while loading: " + run.errors());
        expect(Clock::now() - stopped < std::chrono::seconds(1) && lavaPixels(display, window) == 0,
               "the program went on to show its models");
    } else if (scenario == "nothing_loadable") {
        const std::optional<int> status = run.ended(20.0);
        expect(status && *status != 0, "no failing end without a model");
    } else if (scenario == "window_destroyed") {
        expectLava(display, window, run);
        XDestroyWindow(display, window);
        XSync(display, False);
        expect(run.ended(1.0) == 0 && run.errors().empty(), "no quiet end when its window went: " + run.errors());
    } else {
        expectLava(display, scenario == "root_window" ? DefaultRootWindow(display) : window, run);
        run.stop();  // SIGTERM, as xscreensaver stops a hack: a clean end within a second
        const std::optional<int> status = run.ended(1.0);
        expect(status.has_value(), "still running a second after SIGTERM");
        expect(*status == 0, "exit status " + std::to_string(*status) + " after SIGTERM: " + run.errors());
    }
    expect(run.errors().find(message) != std::string::npos, run.errors());
    XCloseDisplay(display);
    std::printf("%s: passed\n", scenario.c_str());
    return 0;
}
