#include "render/gl_extensions.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace glowpond {
namespace {

// Some Windows drivers answer a lookup they cannot serve with a small
// number or -1 instead of null.
bool usable(void* entry) {
    const intptr_t value = reinterpret_cast<intptr_t>(entry);
    return value != -1 && !(value >= 0 && value <= 3);
}

template <typename Function>
bool find(Function& function, ProcLookup lookup, const char* name, const char* suffix) {
    void* entry = lookup((std::string(name) + suffix).c_str());
    if (!usable(entry)) return false;
    function = reinterpret_cast<Function>(entry);
    return true;
}

}  // namespace

bool hasExtension(const char* extensions, const char* extension) {
    if (!extensions || !extension || !*extension) return false;
    const size_t length = std::strlen(extension);
    for (const char* at = extensions; (at = std::strstr(at, extension)) != nullptr; at += length) {
        const bool starts = at == extensions || at[-1] == ' ';
        const bool ends = at[length] == ' ' || at[length] == '\0';
        if (starts && ends) return true;
    }
    return false;
}

BufferObjects bufferObjectsFor(const char* version, const char* extensions) {
    if (version) {
        char* end = nullptr;
        const long major = std::strtol(version, &end, 10);
        const long minor = end && *end == '.' ? std::strtol(end + 1, nullptr, 10) : 0;
        if (end != version && (major > 1 || (major == 1 && minor >= 5))) return BufferObjects::Core;
    }
    return hasExtension(extensions, "GL_ARB_vertex_buffer_object") ? BufferObjects::Arb : BufferObjects::ClientArrays;
}

std::optional<BufferFunctions> findBufferFunctions(BufferObjects kind, ProcLookup lookup) {
    if (kind == BufferObjects::ClientArrays || !lookup) return std::nullopt;
    const char* suffix = kind == BufferObjects::Arb ? "ARB" : "";
    BufferFunctions f{};
    if (find(f.genBuffers, lookup, "glGenBuffers", suffix) && find(f.bindBuffer, lookup, "glBindBuffer", suffix) &&
        find(f.bufferData, lookup, "glBufferData", suffix) &&
        find(f.bufferSubData, lookup, "glBufferSubData", suffix) &&
        find(f.deleteBuffers, lookup, "glDeleteBuffers", suffix)) {
        return f;
    }
    return std::nullopt;
}

SwapControl swapControlFor(const char* extensions) {
    if (hasExtension(extensions, "WGL_EXT_swap_control")) return SwapControl::WglExt;
    if (hasExtension(extensions, "GLX_EXT_swap_control")) return SwapControl::GlxExt;
    if (hasExtension(extensions, "GLX_MESA_swap_control")) return SwapControl::GlxMesa;
    return SwapControl::Unavailable;
}

}  // namespace glowpond
