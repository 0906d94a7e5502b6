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

std::string gltfTorus(int triangles) {
    const Torus torus(triangles);
    const int points = torus.around * torus.across;
    const int faces = 2 * points;
    std::string bin;
    auto put32 = [&bin](uint32_t value) { bin.append(reinterpret_cast<const char*>(&value), sizeof value); };
    float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
    for (int i = 0; i < torus.around; ++i) {
        for (int j = 0; j < torus.across; ++j) {
            const Vec3 p = torus.point(i, j);
            const float c[3] = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
            for (int k = 0; k < 3; ++k) {
                putFloat(bin, c[k]);
                low[k] = std::min(low[k], c[k]);
                high[k] = std::max(high[k], c[k]);
            }
        }
    }
    for (int i = 0; i < torus.around; ++i) {
        for (int j = 0; j < torus.across; ++j) {
            const int a = torus.index(i, j), b = torus.index(i + 1, j), c = torus.index(i + 1, j + 1),
                      d = torus.index(i, j + 1);
            for (int corner : {a, b, c, a, c, d}) put32(static_cast<uint32_t>(corner));
        }
    }
    const size_t pointBytes = static_cast<size_t>(points) * 12;
    char json[1024];
    std::snprintf(json, sizeof json,
                  R"({"asset":{"version":"2.0","generator":"glowpond bench"},"scene":0,"scenes":[{"nodes":[0]}],)"
                  R"("nodes":[{"name":"Torus","mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0},)"
                  R"("indices":1}]}],"accessors":[{"bufferView":0,"componentType":5126,"count":%d,"type":"VEC3",)"
                  R"("min":[%g,%g,%g],"max":[%g,%g,%g]},{"bufferView":1,"componentType":5125,"count":%d,)"
                  R"("type":"SCALAR"}],"bufferViews":[{"buffer":0,"byteLength":%zu,"target":34962},)"
                  R"({"buffer":0,"byteOffset":%zu,"byteLength":%zu,"target":34963}],"buffers":[{"byteLength":%zu}]})",
                  points, low[0], low[1], low[2], high[0], high[1], high[2], 3 * faces, pointBytes, pointBytes,
                  bin.size() - pointBytes, bin.size());
    std::string text = json;
    while (text.size() % 4) text += ' ';
    std::string file;
    auto put = [&file](uint32_t value) { file.append(reinterpret_cast<const char*>(&value), sizeof value); };
    put(0x46546C67);  // "glTF"
    put(2);
    put(static_cast<uint32_t>(12 + 8 + text.size() + 8 + bin.size()));
    put(static_cast<uint32_t>(text.size()));
    put(0x4E4F534A);  // "JSON"
    file += text;
    put(static_cast<uint32_t>(bin.size()));
    put(0x004E4942);  // "BIN"
    return file + bin;
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

// Points on a grid of `side` x `side`, as Coordinate3 text.
std::string gridPoints(int side) {
    std::string text = "  Coordinate3 { point [\n";
    char line[64];
    for (int y = 0; y <= side; ++y) {
        for (int x = 0; x <= side; ++x) {
            std::snprintf(line, sizeof line, "    %d %d 0,\n", x, y);
            text += line;
        }
    }
    return text + "  ] }\n";
}

// `faces` triangles over gridPoints(side), each with a diffuse colour of its own.
std::string colouredTriangles(int faces, int side) {
    std::string text = "  MaterialBinding { value PER_FACE }\n  Material { diffuseColor [\n";
    char line[96];
    for (int f = 0; f < faces; ++f) {
        std::snprintf(line, sizeof line, "    %.6f %.6f %.6f,\n", (f % 97) / 96.0, (f / 97 % 89) / 88.0,
                      (f / (97 * 89) % 83) / 82.0);
        text += line;
    }
    text += "  ] }\n  IndexedFaceSet { coordIndex [\n";
    for (int f = 0; f < faces; ++f) {
        const int square = f / 2, a = square / side * (side + 1) + square % side, d = a + side + 2;
        std::snprintf(line, sizeof line, "    %d, %d, %d, -1,\n", a, f % 2 ? d : a + 1, f % 2 ? d - 1 : d);
        text += line;
    }
    return text + "  ] }\n";
}

int sideFor(int faces) { return static_cast<int>(std::ceil(std::sqrt(faces / 2.0))); }

// The merge index's grid hash before it was seeded: that of a block of 64^3
// cells plus the cell's place in the block.
uint32_t formerCellHash(int64_t x, int64_t y, int64_t z) {
    uint64_t h = static_cast<uint64_t>(x >> 6) * 0x9e3779b97f4a7c15ull;
    h ^= static_cast<uint64_t>(y >> 6) * 0xc2b2ae3d27d4eb4full;
    h ^= static_cast<uint64_t>(z >> 6) * 0x165667b19e3779f9ull;
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ull;
    return static_cast<uint32_t>(h >> 32) + static_cast<uint32_t>((x & 63) | (y & 63) << 6 | (z & 63) << 12);
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

std::string vrmlColourPerFace(int faces) {
    const int side = sideFor(faces);
    return "#VRML V1.0 ascii\nSeparator {\n" + gridPoints(side) + colouredTriangles(faces, side) + "}\n";
}

std::string vrmlUsedCopies(int faces, int copies) {
    const int side = sideFor(faces);
    std::string text = "#VRML V1.0 ascii\nSeparator {\n  DEF Piece Separator {\n" + gridPoints(side) +
                       colouredTriangles(faces, side) + "  }\n";
    for (int c = 1; c < copies; ++c) text += "  Translation { translation 0 0 1 }\n  USE Piece\n";
    return text + "}\n";
}

std::string vrmlCollidingPoints(int points) {
    // Each point alone in a block (others along x) and placed in it so that
    // its cell's hash ends in the same 24 bits: one block in 64 allows that.
    constexpr uint32_t kTarget = 0x5A5A5A, kLowBits = (1u << 24) - 1;
    std::string text = "#VRML V1.0 ascii\nSeparator {\n  Coordinate3 { point [\n";
    char line[96];
    int found = 0;
    for (int64_t block = 1; found < points; ++block) {
        const uint32_t inBlock = (kTarget - formerCellHash(block << 6, 0, 0)) & kLowBits;
        if (inBlock >= (1u << 18)) continue;
        const int64_t x = block << 6 | (inBlock & 63), y = inBlock >> 6 & 63, z = inBlock >> 12;
        std::snprintf(line, sizeof line, "    %.12f %.12f %.12f,\n", x / 4096.0, y / 4096.0, z / 4096.0);
        text += line;
        ++found;
    }
    text += "  ] }\n  IndexedFaceSet { coordIndex [\n";
    for (int p = 0; p + 2 < points; p += 3) {
        std::snprintf(line, sizeof line, "    %d, %d, %d, -1,\n", p, p + 1, p + 2);
        text += line;
    }
    return text + "  ] }\n}\n";
}

std::string vrmlCrowdedPoints(int cubes) {
    std::string text = "#VRML V1.0 ascii\nSeparator {\n  Coordinate3 { point [\n";
    char line[96];
    int points = 0;
    for (int c = 0; c < cubes; ++c) {
        for (int i = 0; i < 27 * 27 * 27; ++i, ++points) {
            std::snprintf(line, sizeof line, "    %.9f %.9f %.9f,\n", c - 1.3e-4 + i / 729 * 1.05e-5,
                          -1.3e-4 + i / 27 % 27 * 1.05e-5, -1.3e-4 + i % 27 * 1.05e-5);
            text += line;
        }
    }
    text += "  ] }\n  IndexedFaceSet { coordIndex [\n";
    for (int p = 0; p + 2 < points; p += 3) {
        std::snprintf(line, sizeof line, "    %d, %d, %d, -1,\n", p, p + 1, p + 2);
        text += line;
    }
    return text + "  ] }\n}\n";
}

void vrmlFlood(Flood kind, size_t bytes, size_t noiseBytes, const std::function<void(const std::string&)>& write) {
    write("#VRML V1.0 ascii\n");
    uint32_t state = 12345;
    std::string line;
    for (size_t written = 0; written < noiseBytes; written += line.size()) {
        line = "#";
        for (int i = 0; i < 99; ++i) line += static_cast<char>(' ' + (state = state * 1103515245u + 12345u) % 95u);
        write(line += '\n');
    }
    write(kind == Flood::kPoints ? "Separator {\n  Coordinate3 { point [\n"
                                 : "Separator {\n  Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                                   "  IndexedFaceSet { coordIndex [\n");
    const std::string unit = kind == Flood::kPoints ? "0 0 0, " : kind == Flood::kFaces ? "0 1 2 -1 " : "0 1 2 ";
    std::string run;
    while (run.size() < 65536) run += unit;
    for (size_t written = 0; written + run.size() <= bytes; written += run.size()) write(run);
    write(kind == Flood::kPolygon ? "-1 ] }\n}\n" : "] }\n}\n");
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
