#include "bench/generated_models.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

namespace glowpond::bench {
namespace {

void put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}
void put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
}
void putFloat(std::string& out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    put32(out, bits);
}
std::string chunk(uint16_t id, const std::string& body) {
    std::string out;
    put16(out, id);
    put32(out, static_cast<uint32_t>(6 + body.size()));
    return out + body;
}

}  // namespace

Vec3 gridPoint(int column, int row) {
    const double x = column * 0.01, y = row * 0.01;
    return {x, y, 0.05 * std::sin(x * 3.0) * std::cos(y * 2.0)};
}

int rowsFor(int64_t triangles) { return static_cast<int>(triangles / (2 * kQuadsPerRow)); }

std::string vrmlGrid(int triangles) {
    const int side = static_cast<int>(std::ceil(std::sqrt(triangles / 2.0)));
    std::string text = "#VRML V1.0 ascii\nSeparator {\n  Coordinate3 {\n    point [\n";
    char line[96];
    for (int y = 0; y <= side; ++y) {
        for (int x = 0; x <= side; ++x) {
            std::snprintf(line, sizeof line, "      %.6f %.6f %.6f,\n", x * 0.01, y * 0.01,
                          std::sin(x * 0.1) * std::cos(y * 0.1));
            text += line;
        }
    }
    text += "    ]\n  }\n  IndexedFaceSet {\n    coordIndex [\n";
    for (int t = 0; t < triangles; ++t) {
        const int square = t / 2;
        const int a = (square / side) * (side + 1) + square % side;
        const int b = a + 1;
        const int c = a + side + 1;
        const int d = c + 1;
        if (t % 2 == 0) {
            std::snprintf(line, sizeof line, "      %d, %d, %d, -1,\n", a, b, d);
        } else {
            std::snprintf(line, sizeof line, "      %d, %d, %d, -1,\n", a, d, c);
        }
        text += line;
    }
    return text + "    ]\n  }\n}\n";
}

std::string studioGrid(int rows) {
    std::string objects;
    for (int first = 0, mesh = 0; first < rows; first += kRowsPerMesh, ++mesh) {
        const int count = std::min(kRowsPerMesh, rows - first);
        std::string points, faces;
        put16(points, static_cast<uint16_t>((count + 1) * (kQuadsPerRow + 1)));
        for (int r = 0; r <= count; ++r) {
            for (int c = 0; c <= kQuadsPerRow; ++c) {
                const Vec3 p = gridPoint(c, first + r);
                putFloat(points, static_cast<float>(p.x));
                putFloat(points, static_cast<float>(p.y));
                putFloat(points, static_cast<float>(p.z));
            }
        }
        put16(faces, static_cast<uint16_t>(2 * count * kQuadsPerRow));
        for (int r = 0; r < count; ++r) {
            for (int c = 0; c < kQuadsPerRow; ++c) {
                const uint16_t v = static_cast<uint16_t>(r * (kQuadsPerRow + 1) + c);
                const uint16_t up = static_cast<uint16_t>(v + kQuadsPerRow + 1);
                for (uint16_t corner : {v, static_cast<uint16_t>(v + 1), static_cast<uint16_t>(up + 1), uint16_t{0},
                                        v, static_cast<uint16_t>(up + 1), up, uint16_t{0}}) {
                    put16(faces, corner);
                }
            }
        }
        const std::string name = "Strip" + std::to_string(mesh) + '\0';
        objects += chunk(0x4000, name + chunk(0x4100, chunk(0x4110, points) + chunk(0x4120, faces)));
    }
    return chunk(0x4D4D, chunk(0x3D3D, objects));
}

namespace {

// The torus as `around` x `across` quads: point (i, j) on ring i.
struct Torus {
    int around, across;
    explicit Torus(int triangles)
        : around(std::max(3, static_cast<int>(std::lround(std::sqrt(triangles / 2.0 * 2.0))))),
          across(std::max(3, triangles / 2 / around)) {}
    Vec3 point(int i, int j) const {
        const double u = 6.283185307179586 * (i % around) / around, v = 6.283185307179586 * j / across;
        const double r = 1.0 + 0.3 * std::cos(v);
        return {r * std::cos(u), r * std::sin(u), 0.3 * std::sin(v)};
    }
    int index(int i, int j) const { return (i % around) * across + j % across; }
};

}  // namespace

std::string vrmlTorus(int triangles) {
    const Torus torus(triangles);
    std::string text = "#VRML V1.0 ascii\nSeparator {\n  Coordinate3 {\n    point [\n";
    char line[96];
    for (int i = 0; i < torus.around; ++i) {
        for (int j = 0; j < torus.across; ++j) {
            const Vec3 p = torus.point(i, j);
            std::snprintf(line, sizeof line, "      %.6f %.6f %.6f,\n", p.x, p.y, p.z);
            text += line;
        }
    }
    text += "    ]\n  }\n  IndexedFaceSet {\n    coordIndex [\n";
    for (int i = 0; i < torus.around; ++i) {
        for (int j = 0; j < torus.across; ++j) {
            const int a = torus.index(i, j), b = torus.index(i + 1, j), c = torus.index(i + 1, j + 1),
                      d = torus.index(i, j + 1);
            std::snprintf(line, sizeof line, "      %d, %d, %d, -1, %d, %d, %d, -1,\n", a, b, c, a, c, d);
            text += line;
        }
    }
    return text + "    ]\n  }\n}\n";
}

std::string studioTorus(int triangles) {
    const Torus torus(triangles);
    const int ringsPerMesh = std::max(1, kTorusFacesPerMesh / (2 * torus.across));
    std::string objects;
    for (int first = 0, mesh = 0; first < torus.around; first += ringsPerMesh, ++mesh) {
        const int rings = std::min(ringsPerMesh, torus.around - first);
        std::string points, faces;
        put16(points, static_cast<uint16_t>((rings + 1) * torus.across));
        for (int i = first; i <= first + rings; ++i) {
            for (int j = 0; j < torus.across; ++j) {
                const Vec3 p = torus.point(i, j);
                for (double c : {p.x, p.y, p.z}) putFloat(points, static_cast<float>(c));
            }
        }
        put16(faces, static_cast<uint16_t>(2 * rings * torus.across));
        auto local = [&](int i, int j) { return static_cast<uint16_t>(i * torus.across + j % torus.across); };
        for (int i = 0; i < rings; ++i) {
            for (int j = 0; j < torus.across; ++j) {
                for (uint16_t corner : {local(i, j), local(i + 1, j), local(i + 1, j + 1), uint16_t{0}, local(i, j),
                                        local(i + 1, j + 1), local(i, j + 1), uint16_t{0}}) {
                    put16(faces, corner);
                }
            }
        }
        const std::string name = "Ring" + std::to_string(mesh) + '\0';
        objects += chunk(0x4000, name + chunk(0x4100, chunk(0x4110, points) + chunk(0x4120, faces)));
    }
    return chunk(0x4D4D, chunk(0x3D3D, objects));
}

namespace {

// Calls triangle(a, b, c) with the point numbers of every triangle of the torus.
template <typename Triangle>
void torusTriangles(const Torus& torus, Triangle triangle) {
    for (int i = 0; i < torus.around; ++i) {
        for (int j = 0; j < torus.across; ++j) {
            const int a = torus.index(i, j), b = torus.index(i + 1, j), c = torus.index(i + 1, j + 1),
                      d = torus.index(i, j + 1);
            triangle(a, b, c);
            triangle(a, c, d);
        }
    }
}

}  // namespace

std::string objTorus(int triangles) {
    const Torus torus(triangles);
    std::string text = "# torus\no torus\n";
    char line[96];
    for (int i = 0; i < torus.around; ++i) {
        for (int j = 0; j < torus.across; ++j) {
            const Vec3 p = torus.point(i, j);
            std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", p.x, p.y, p.z);
            text += line;
        }
    }
    torusTriangles(torus, [&](int a, int b, int c) {
        std::snprintf(line, sizeof line, "f %d %d %d\n", a + 1, b + 1, c + 1);
        text += line;
    });
    return text;
}

std::string stlTorus(int triangles) {
    const Torus torus(triangles);
    std::string bytes = "binary torus";
    bytes.resize(80, ' ');
    put32(bytes, static_cast<uint32_t>(2 * torus.around * torus.across));
    auto point = [&](int index) { return torus.point(index / torus.across, index % torus.across); };
    torusTriangles(torus, [&](int a, int b, int c) {
        for (int k = 0; k < 3; ++k) putFloat(bytes, 0.0f);
        for (int corner : {a, b, c}) {
            const Vec3 p = point(corner);
            for (double v : {p.x, p.y, p.z}) putFloat(bytes, static_cast<float>(v));
        }
        put16(bytes, 0);
    });
    return bytes;
}

std::string plyTorus(int triangles, bool ascii) {
    const Torus torus(triangles);
    std::string text = std::string("ply\nformat ") + (ascii ? "ascii" : "binary_little_endian") +
                       " 1.0\nelement vertex " + std::to_string(torus.around * torus.across) +
                       "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
                       std::to_string(2 * torus.around * torus.across) +
                       "\nproperty list uchar int vertex_indices\nend_header\n";
    char line[96];
    for (int i = 0; i < torus.around; ++i) {
        for (int j = 0; j < torus.across; ++j) {
            const Vec3 p = torus.point(i, j);
            if (ascii) {
                std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", p.x, p.y, p.z);
                text += line;
            } else {
                for (double v : {p.x, p.y, p.z}) putFloat(text, static_cast<float>(v));
            }
        }
    }
    torusTriangles(torus, [&](int a, int b, int c) {
        if (ascii) {
            std::snprintf(line, sizeof line, "3 %d %d %d\n", a, b, c);
            text += line;
        } else {
            text += '\3';
            for (int corner : {a, b, c}) put32(text, static_cast<uint32_t>(corner));
        }
    });
    return text;
}

const std::string& temporaryFile(const std::string& name, const std::string& contents) {
    static std::map<std::string, std::string> files;
    std::string& path = files[name];
    if (path.empty()) {
        path = (std::filesystem::temp_directory_path() / ("glowpond-bench-" + name)).string();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(contents.data(), 1, contents.size(), file);
        std::fclose(file);
        static const bool removeAtExit = [] {
            std::atexit([] {
                for (const auto& entry : files) std::filesystem::remove(entry.second);
            });
            return true;
        }();
        (void)removeAtExit;
    }
    return path;
}

}  // namespace glowpond::bench
