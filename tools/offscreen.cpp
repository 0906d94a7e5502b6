#include "tools/offscreen.h"

#include <GL/osmesa.h>
#include <zlib.h>

#include <cstdio>

namespace glowpond {

struct OffscreenContext::Context {
    OSMesaContext handle;
};

OffscreenContext::OffscreenContext(int32_t width, int32_t height, Profile profile)
    : width_(width), height_(height), buffer_(static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
    OSMesaContext handle = nullptr;
    if (profile == Profile::Core) {
        const int attributes[] = {OSMESA_FORMAT, OSMESA_RGBA, OSMESA_DEPTH_BITS, 24, OSMESA_PROFILE,
                                  OSMESA_CORE_PROFILE, OSMESA_CONTEXT_MAJOR_VERSION, 3, OSMESA_CONTEXT_MINOR_VERSION, 3,
                                  0};
        handle = OSMesaCreateContextAttribs(attributes, nullptr);
    } else {
        handle = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    }
    if (!handle) return;
    if (!OSMesaMakeCurrent(handle, buffer_.data(), GL_UNSIGNED_BYTE, width, height)) {
        OSMesaDestroyContext(handle);
        return;
    }
    context_ = new Context{handle};
}

OffscreenContext::~OffscreenContext() {
    if (!context_) return;
    // A context must not be current when it is destroyed.
    OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
    OSMesaDestroyContext(context_->handle);
    delete context_;
}

bool OffscreenContext::makeCurrent() {
    return context_ && OSMesaMakeCurrent(context_->handle, buffer_.data(), GL_UNSIGNED_BYTE, width_, height_);
}

Rgb OffscreenContext::pixel(int32_t x, int32_t y) const {
    unsigned char rgba[4] = {};
    glFinish();
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2]};
}

void* OffscreenContext::procAddress(const char* name) {
    return reinterpret_cast<void*>(OSMesaGetProcAddress(name));
}

std::vector<uint8_t> OffscreenContext::readRgbTopDown() const {
    const size_t w = static_cast<size_t>(width_), h = static_cast<size_t>(height_);
    std::vector<uint8_t> rgba(w * h * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::vector<uint8_t> rgb(w * h * 3);
    for (size_t row = 0; row < h; ++row) {
        const uint8_t* from = rgba.data() + (h - 1 - row) * w * 4;
        uint8_t* to = rgb.data() + row * w * 3;
        for (size_t x = 0; x < w; ++x) {
            to[3 * x] = from[4 * x];
            to[3 * x + 1] = from[4 * x + 1];
            to[3 * x + 2] = from[4 * x + 2];
        }
    }
    return rgb;
}

namespace {

void putBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    putBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
    putBigEndian(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool writePng(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgbTopDown) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    if (width <= 0 || height <= 0 || rgbTopDown.size() != rowBytes * static_cast<size_t>(height)) return false;

    // Every row starts with filter type 0 (none).
    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * static_cast<size_t>(height));
    for (int32_t row = 0; row < height; ++row) {
        raw.push_back(0);
        const uint8_t* from = rgbTopDown.data() + static_cast<size_t>(row) * rowBytes;
        raw.insert(raw.end(), from, from + rowBytes);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) return false;
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    putBigEndian(header, static_cast<uint32_t>(width));
    putBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace

    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", packed);
    putChunk(file, "IEND", {});

    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace glowpond
