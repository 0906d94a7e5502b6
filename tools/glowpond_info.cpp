// glowpond-info: loads model files through the saver's own loading pipeline
// and describes what the saver would get, one JSON object per file and line.
// It never opens a window: message boxes are collected into the output and
// status texts go to standard error.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "loading/load_driver.h"
#ifdef _WIN32
#include "saver/win32_file_opener.h"
#endif

namespace glowpond {
namespace {

const char kUsage[] =
    "usage: glowpond-info [--status] [--strict] FILE...\n"
    "\n"
    "Loads each model file (VRML 1.0 .wrl or compressed .wrz, 3D Studio .3ds)\n"
    "exactly as 3-D Glowpond does and prints one JSON object per file on its own line:\n"
    "  file             the path\n"
    "  ok               whether the saver would show the model: it loaded, with\n"
    "                   faces and vertices\n"
    "  loaded           whether the load itself succeeded (it may still be empty)\n"
    "  messages         the message boxes the saver would show, in order,\n"
    "                   as {\"caption\", \"text\"}\n"
    "  partCount, vertexCount, faceCount, bounds (minX maxX minY maxY minZ maxZ)\n"
    "  parts            per part: vertexCount, faceCount, uniformColor, color\n"
    "  loadMs           how long the load took\n"
    "The model is centred and scaled as the saver scales it (longest side 0.57735).\n"
    "\n"
    "  --status   also print the load-status texts to standard error, as the\n"
    "             saver's load-status window would show them; among them, what\n"
    "             the reader left out (\"Skipped unknown field 'x', line 31.\")\n"
    "  --strict   read VRML files by the VRML 1.0 grammar alone, as the\n"
    "             format's definition gives it. The saver is more forgiving: it\n"
    "             also reads empty lists, numbers written with a leading \"+\",\n"
    "             file names without quotes, list values without commas and\n"
    "             gzip-compressed files, and skips fields and nodes it does not\n"
    "             know instead of refusing the file. With --strict such a file\n"
    "             fails at the line where the grammar stops it.\n"
    "\n"
    "Exit status: 0 when the saver would show every file, 1 otherwise, 2 for a\n"
    "usage error.\n";

// Collects the message boxes a load would show, and prints its status texts
// when asked to.
class ConsoleObserver final : public LoadObserver {
public:
    explicit ConsoleObserver(bool showStatus) : showStatus_(showStatus) {}

    struct Message {
        std::string caption, text;
    };
    std::vector<Message> messages;

    bool showsStatus() const override { return showStatus_; }
    void showStatus(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void showError(const std::string& text, const std::string& caption) override {
        messages.push_back({caption, text});
    }
    bool cancelled() override { return false; }

private:
    bool showStatus_;
};

// JSON text of `text`. Bytes beyond ASCII are escaped one by one (file names
// are in the system's code page, not necessarily UTF-8), so the output is
// always valid JSON.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string jsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

template <typename Values>
std::string jsonNumbers(const Values& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) out += (i ? "," : "") + jsonNumber(values[i]);
    return out + "]";
}

const char* jsonBool(bool value) { return value ? "true" : "false"; }

std::string describe(const std::string& path, bool ok, bool loaded, const DisplayMesh& mesh,
                     const std::vector<ConsoleObserver::Message>& messages, double loadMs) {
    std::string out = "{\"file\":" + jsonString(path) + ",\"ok\":" + jsonBool(ok) + ",\"loaded\":" + jsonBool(loaded) +
                      ",\"messages\":[";
    for (size_t i = 0; i < messages.size(); ++i) {
        out += (i ? ",{" : "{") + std::string("\"caption\":") + jsonString(messages[i].caption) +
               ",\"text\":" + jsonString(messages[i].text) + "}";
    }
    out += "],\"partCount\":" + std::to_string(mesh.partCount) + ",\"vertexCount\":" + std::to_string(mesh.vertexCount) +
           ",\"faceCount\":" + std::to_string(mesh.faceCount) + ",\"bounds\":" + jsonNumbers(mesh.bounds) +
           ",\"parts\":[";
    for (size_t i = 0; i < mesh.parts.size(); ++i) {
        const MeshPart& part = mesh.parts[i];
        out += (i ? ",{" : "{") + std::string("\"vertexCount\":") + std::to_string(part.vertexCount) +
               ",\"faceCount\":" + std::to_string(part.faceCount) +
               ",\"uniformColor\":" + std::to_string(part.uniformColor) + ",\"color\":" + jsonNumbers(part.color) + "}";
    }
    return out + "],\"loadMs\":" + jsonNumber(loadMs) + "}";
}

int run(int argc, char** argv) {
    bool showStatus = false;
    LoadOptions options;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--status") == 0) {
            showStatus = true;
        } else if (std::strcmp(argv[i], "--strict") == 0) {
            options.strictVrml = true;
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            std::fprintf(stderr, "glowpond-info: unknown option %s\n\n%s", argv[i], kUsage);
            return 2;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

#ifdef _WIN32
    Win32FileOpener opener;
#else
    PosixFileOpener opener;
#endif
    ModelLoader loader(opener, options);
    bool allShown = true;
    for (const std::string& path : files) {
        ConsoleObserver console(showStatus);
        if (showStatus) std::fprintf(stderr, "%s\n", path.c_str());
        DisplayMesh mesh;
        const auto start = std::chrono::steady_clock::now();
        const bool loaded = loader.load(path, mesh, console);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        // What the saver asks of a model before it shows it.
        const bool ok = loaded && mesh.faceCount != 0 && mesh.vertexCount != 0;
        allShown = allShown && ok;
        std::printf("%s\n", describe(path, ok, loaded, mesh, console.messages, took.count()).c_str());
        std::fflush(stdout);
    }
    return allShown ? 0 : 1;
}

}  // namespace
}  // namespace glowpond

int main(int argc, char** argv) { return glowpond::run(argc, argv); }
