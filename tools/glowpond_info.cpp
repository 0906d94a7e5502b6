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

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#endif

#include "importers/reader_table.h"
#include "loading/gzip_decompressor.h"
#include "loading/load_driver.h"
#include "loading/model_files.h"
#include "system/unicode.h"
#ifdef _WIN32
#include "saver/wide_text.h"
#include "saver/win32_file_opener.h"
#endif

namespace glowpond {
namespace {

std::string usage() {
    return "usage: glowpond-info [--status] [--strict] FILE...\n"
    "       glowpond-info [--status] [--strict] --stdin NAME\n"
    "\n"
    "Loads each model file (" + formatSummary() + ")\n"
    "exactly as 3-D Glowpond does and prints one JSON object per file on its own line:\n"
    "  file             the path\n"
    "  format           the format its name claims (\"glTF 2.0\"), or null\n"
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
    "  --stdin NAME  load the model from standard input instead, as a file\n"
    "             named NAME (its suffix gives the format, its folder holds\n"
    "             the files the model names); the output is that of the file\n"
    "  --status   also print the load-status texts to standard error, as the\n"
    "             saver's load-status window would show them; among them, what\n"
    "             the reader left out (\"Skipped unknown field 'x', line 31.\"),\n"
    "             and after the load the one such note again, or a count of them\n"
    "  --strict   read VRML files by the VRML 1.0 grammar alone, as the\n"
    "             format's definition gives it. The saver is more forgiving: it\n"
    "             also reads empty lists, numbers written with a leading \"+\",\n"
    "             file names without quotes, list values without commas, MFFloat\n"
    "             in field descriptions, nodes that say what they are a kind of\n"
    "             (isA) and gzip-compressed files, and skips fields and nodes it\n"
    "             does not know instead of refusing the file. With --strict such\n"
    "             a file fails at the line where the grammar stops it. The saver\n"
    "             also shows the last face of a face list that lacks its closing\n"
    "             -1, and faces that come before the first named group, which\n"
    "             --strict leaves out.\n"
    "\n"
    "Exit status: 0 when the saver would show every file, 1 otherwise, 2 for a\n"
    "usage error.\n";
}

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

// JSON text of `text`. Names are UTF-8 and go out as they are; only a name
// that is not (a Linux file name in another encoding) has its bytes beyond
// ASCII escaped one by one, so that the output is always valid JSON.
std::string jsonString(const std::string& text) {
    const bool utf8 = isUtf8(text);
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F || (c > 0x7F && !utf8)) {
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

std::string describe(const std::string& path, const ReaderEntry* format, bool ok, bool loaded,
                     const DisplayMesh& mesh, const std::vector<ConsoleObserver::Message>& messages, double loadMs) {
    std::string out = "{\"file\":" + jsonString(path) +
                      ",\"format\":" + (format ? jsonString(format->name) : std::string("null")) +
                      ",\"ok\":" + jsonBool(ok) + ",\"loaded\":" + jsonBool(loaded) + ",\"messages\":[";
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

// All of standard input, read in binary mode.
std::vector<uint8_t> readStandardInput() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    return bytes;
}

int run(int argc, char** argv) {
    bool showStatus = false;
    bool fromStdin = false;
    GzipDecompressor gzip;
    LoadOptions options;
    options.decompressor = &gzip;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usage().c_str(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--status") == 0) {
            showStatus = true;
        } else if (std::strcmp(argv[i], "--strict") == 0) {
            options.reading.strict = true;
        } else if (std::strcmp(argv[i], "--stdin") == 0 && i + 1 < argc && !fromStdin) {
            fromStdin = true;
            files.push_back(argv[++i]);
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            std::fprintf(stderr, "glowpond-info: unknown option %s\n\n%s", argv[i], usage().c_str());
            return 2;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty() || (fromStdin && files.size() > 1)) {
        std::fputs(usage().c_str(), stderr);
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
        bool loaded = false;
        const auto start = std::chrono::steady_clock::now();
        if (fromStdin) {
            const std::vector<uint8_t> bytes = readStandardInput();
            FolderResolver companions(opener, folderOf(path));
            loaded = loader.load(ModelSource{path, bytes.data(), bytes.size(), &companions}, mesh, console);
        } else {
            loaded = loader.load(path, mesh, console);
        }
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        // What the saver asks of a model before it shows it.
        const bool ok = loaded && mesh.faceCount != 0 && mesh.vertexCount != 0;
        allShown = allShown && ok;
        const ReaderEntry* format = formatOfName(path, options.unpacking());
        std::printf("%s\n", describe(path, format, ok, loaded, mesh, console.messages, took.count()).c_str());
        std::fflush(stdout);
    }
    return allShown ? 0 : 1;
}

}  // namespace
}  // namespace glowpond

#ifdef _WIN32
// The arguments as the system holds them, in UTF-16, made the program's
// UTF-8: main's arguments come in the code page, which loses other names.
int main() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return 2;
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(glowpond::utf8FromWide(wide[i]));
    LocalFree(wide);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return glowpond::run(count, pointers.data());
}
#else
int main(int argc, char** argv) { return glowpond::run(argc, argv); }
#endif
