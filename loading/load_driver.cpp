#include "loading/load_driver.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>

#include "mesh/display_mesh.h"
#include "importers/format_dispatch.h"
#include "loading/convert_action.h"
#include "scene/traversal.h"

namespace glowpond {
namespace {

// Texts of the program's 256-character buffers hold at most 255 characters.
constexpr size_t kMaxTextChars = 255;
constexpr size_t kSniffBytes = 24;

const char kCanceling[] = "Canceling...";
const char kReady[] = "Ready.";
const char kDigesting[] = "Digesting data...";

std::string& lastShownStatus() {
    static std::string text;
    return text;
}

std::string formatted(const char* format, std::va_list args) {
    char text[kMaxTextChars + 1];
    std::vsnprintf(text, sizeof text, format, args);
    return text;
}

void refuse(const std::string& path, const char* reason) { platform().messageBox(nullptr, path, reason); }

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The first bytes of the file, or nothing when it cannot be opened.
bool readHead(const std::string& path, size_t count, std::string& head) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    head.assign(count, '\0');
    head.resize(std::fread(&head[0], 1, count, file.get()));
    return true;
}

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

bool sniffModelFile(const std::string& path) {
    if (path.size() > kMaxModelPathChars) {
        refuse(path, "Error: The path of this file is too long.");
        return false;
    }
    // Shorter paths have no four last characters: not a supported type.
    const std::string last = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    std::string head;
    if (contains(last, "WRL") || contains(last, "wrl")) {
        if (!readHead(path, kSniffBytes, head)) {
            refuse(path, "Error: Can't open this file.");
            return false;
        }
        // The bytes are taken as text: a zero byte ends it.
        head.resize(std::min(head.size(), head.find('\0')));
        if (contains(head, "#VRML V1.0 ascii")) return true;
        if (head.compare(0, 5, "#VRML") == 0 && contains(head, "V2.0 utf8")) {
            refuse(path, "Error: VRML 2.0 not supported in this version.");
        } else {
            refuse(path, "Error: Not a valid VRML 1.0 file.");
        }
        return false;
    }
    if (contains(last, "3DS") || contains(last, "3ds")) {
        if (!readHead(path, 2, head)) {
            refuse(path, "Error: Can't open this file.");
            return false;
        }
        if (head == "MM") return true;
        refuse(path, "Error: Not a valid 3DS file.");
        return false;
    }
    refuse(path, "Error: Not a supported file type.");
    return false;
}

LoadContext::LoadContext(WindowHandle statusWindow, const int32_t* cancelFlag)
    : statusWindow_(statusWindow), cancelFlag_(cancelFlag) {}

void LoadContext::beginRead() {}
void LoadContext::endRead() {}

void LoadContext::vstatus(const char* format, std::va_list args) {
    if (!statusWindow_) return;
    std::string text = formatted(format, args);
    platform().processDialogMessages(statusWindow_);
    if (cancelled()) text = kCanceling;
    // Repeats, and parts of the last text, are not shown again.
    std::string& last = lastShownStatus();
    if (last.find(text) != std::string::npos) return;
    last = text;
    // "Ready." comes when the reader is done and the conversion starts.
    if (contains(text, kReady)) text = kDigesting;
    platform().setDialogItemText(statusWindow_, kStatusTextItem, text);
}

void LoadContext::verror(const char* format, std::va_list args) {
    platform().messageBox(nullptr, formatted(format, args), "Error Message");
}

void LoadContext::apply(TraversalState& state, NodeAction& action) {
    {
        LevelScope level(state);
        NameScope nameScope(state, name());
        if (action.wantsSeparators()) action.beginSeparator(state, name());
        for (Node* child = firstChildNode(); child; child = child->nextSibling()) {
            if (statusWindow_) platform().processDialogMessages(statusWindow_);
            if (cancelled()) {
                // The load is being abandoned: the separator is not ended.
                status(kCanceling);
                return;
            }
            child->apply(state, action);
        }
    }
    if (action.wantsSeparators()) action.endSeparator(state);
}

const std::string& lastStatusText() { return lastShownStatus(); }
void clearLastStatusText() { lastShownStatus().clear(); }

bool DisplayMesh::loadModel(const std::string& path, WindowHandle statusWindow, int32_t* cancelFlag) {
    if (!sniffModelFile(path)) return false;
    auto userAbort = [] {
        platform().messageBox(nullptr, "Operation Canceled.", "User Abort");
        return false;
    };
    try {
        // The traversal state and the action are large: they live on the
        // heap, never on the stack of whatever thread loads.
        auto context = std::make_unique<LoadContext>(statusWindow, cancelFlag);
        auto state = std::make_unique<TraversalState>();
        auto action = std::make_unique<ConvertAction>(statusWindow, cancelFlag);

        if (!dispatchModelFile(*context, path, ".\\")) {
            platform().messageBox(nullptr, path, "File read error.");
            return false;
        }
        if (context->cancelled()) return userAbort();
        context->apply(*state, *action);
        if (context->cancelled()) return userAbort();
        action->finish(*context, *state);
        if (!action->transferMesh(*this)) {
            platform().messageBox(nullptr, path, "Error: Not enough memory to load this file.");
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        // Whatever the load had built is gone with the unwinding; the mesh is unchanged.
        platform().messageBox(nullptr, path, "Error: Not enough memory to load this file.");
        return false;
    }
}

}  // namespace glowpond
