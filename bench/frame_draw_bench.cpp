// One frame of a formed model, drawn offscreen with Mesa (OSMesa, 1024x768)
// as the saver draws it, against the floor of one glDrawElements over the
// same arrays; and the time per update that shaping the slot takes. Tori of
// 100k and 1M triangles, in one colour or with the colour changing every
// four faces; and the same frame through the shader renderer. llvmpipe renders on threads of its own: the times are elapsed
// time, each frame ending in glFinish.
//
//   build/native/bench/frame_draw_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <utility>

#include "config/settings.h"
#include "mesh/mesh_math.h"
#include "render/gl.h"
#include "render/lava_draw.h"
#include "render/fixed_state.h"
#include "render_es/es_renderer.h"
#include "tools/offscreen.h"

namespace glowpond::bench {
namespace {

constexpr int32_t kWidth = 1024, kHeight = 768;
constexpr int32_t kPeriod = 80;
constexpr int kFacesPerColour = 4;

enum Colouring { kUniform = 0, kEveryFewFaces = 1 };
enum Buffers { kClientArrays = 0, kBufferObjects = 1 };

// One context for the whole run: OSMesa keeps the buffers of every context.
OffscreenContext& context() {
    static OffscreenContext offscreen(kWidth, kHeight);
    return offscreen;
}

// A closed torus of rings x segments quads, each split into two triangles.
std::unique_ptr<DisplayMesh> torus(int32_t triangles, Colouring colouring) {
    const int32_t segments = std::max(8, static_cast<int32_t>(std::sqrt(triangles / 4.0)));
    const int32_t rings = std::max(8, triangles / (2 * segments));
    MeshPart part;
    for (int32_t r = 0; r < rings; ++r) {
        const float u = 6.2831853f * float(r) / float(rings);
        for (int32_t s = 0; s < segments; ++s) {
            const float v = 6.2831853f * float(s) / float(segments);
            const float w = 1.0f + 0.4f * std::cos(v);
            part.vertices.push_back({{w * std::cos(u), w * std::sin(u), 0.4f * std::sin(v)}, {0, 0, 1}});
        }
    }
    const Vec3f colours[] = {{1, 0.2f, 0.1f}, {0.2f, 0.9f, 0.3f}, {0.3f, 0.4f, 1}, {1, 1, 0.2f},
                             {0.9f, 0.3f, 0.9f}, {0.2f, 0.9f, 0.9f}, {0.8f, 0.8f, 0.8f}};
    auto at = [&](int32_t r, int32_t s) { return (r % rings) * segments + (s % segments); };
    for (int32_t r = 0; r < rings; ++r) {
        for (int32_t s = 0; s < segments; ++s) {
            const int32_t a = at(r, s), b = at(r + 1, s), c = at(r + 1, s + 1), d = at(r, s + 1);
            part.faceIndices.insert(part.faceIndices.end(), {3, a, b, c, 3, a, c, d});
        }
    }
    part.faceCount = rings * segments * 2;
    part.vertexCount = static_cast<int32_t>(part.vertices.size());
    for (int32_t f = 0; f < part.faceCount; ++f) {
        part.faceColors.push_back(colours[(f / kFacesPerColour) % 7]);
        part.faceNormals.push_back(timesInverseLength(newellNormal(part.vertices, &part.faceIndices[4 * f + 1], 3)));
    }
    part.uniformColor = colouring == kUniform ? 1 : 0;
    part.color = colours[0];
    auto storedNormal = [&](size_t face, const int32_t*, int32_t) { return part.faceNormals[face]; };
    setVertexNormals(part, storedNormal, timesInverseLength);

    auto mesh = std::make_unique<DisplayMesh>();
    Bounds box{3e38f, -3e38f, 3e38f, -3e38f, 3e38f, -3e38f};
    for (const MeshVertex& vertex : part.vertices) includePoint(box, vertex.position);
    part.bounds = box;
    mesh->bounds = box;
    mesh->partCount = 1;
    mesh->vertexCount = part.vertexCount;
    mesh->faceCount = part.faceCount;
    mesh->parts.push_back(std::move(part));
    mesh->scale(0.3f);
    return mesh;
}

// A slot holding the torus, fully formed, where the saver's first model hovers.
struct FormedSlot {
    FormedSlot(int32_t triangles, Colouring colouring) {
        slot.model = torus(triangles, colouring);
        slot.setUp(0, settings);
        slot.moveBy(0.2f, 0.4f, -2.0f);
        slot.model->visible = 1;
        slot.shapeFrame(kPeriod, true, kPeriod, random);
    }
    SaverSettings settings;
    ModelSlot slot;
    StandardRandom random;
};

FormedSlot& formedSlot(int32_t triangles, Colouring colouring) {
    static std::map<std::pair<int32_t, int>, std::unique_ptr<FormedSlot>> slots;
    auto& entry = slots[{triangles, colouring}];
    if (!entry) entry = std::make_unique<FormedSlot>(triangles, colouring);
    return *entry;
}

// The fixed state, and the solid mode of a morphing model with the default settings.
ScissorGeometry prepareContext(const SaverSettings& settings) {
    setupFixedState(kWidth, kHeight, false);
    setLightHeight(settings.lightHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_SCISSOR_TEST);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    return scissorGeometry({kWidth, kHeight}, orthoExtents(), sizeFactor(settings.totalSize));
}

void clear(const ScissorRect& rect) {
    glScissor(rect.x, rect.y, rect.width, rect.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// The saver's drawing of one frame: clear the model's square, draw the slot.
void BM_Frame(benchmark::State& state) {
    if (!context().ok()) return state.SkipWithError("no OSMesa context");
    FormedSlot& formed = formedSlot(static_cast<int32_t>(state.range(0)), Colouring(state.range(1)));
    const ScissorGeometry geometry = prepareContext(formed.settings);
    MeshDrawer drawer(state.range(2) == kBufferObjects ? OffscreenContext::procAddress : nullptr);
    ScissorRect rect;
    drawer.drawSlot(formed.slot, geometry, &rect);
    for (auto _ : state) {
        clear(rect);
        drawer.drawSlot(formed.slot, geometry, &rect);
        glFinish();
    }
    if (drawer.usesBufferObjects() != (state.range(2) == kBufferObjects)) {
        state.SkipWithError("not the arrays asked for");
    }
    drawer.releaseBuffers();
    // Every vertex lit once more for each further colour around it.
    size_t vertices = 0;
    for (const MeshPart& part : formed.slot.model->parts) {
        const auto copies = std::static_pointer_cast<const ColourCopies>(part.drawingCache);
        vertices += part.vertices.size() + (copies ? copies->copyOf.size() : 0);
    }
    state.counters["triangles"] = double(formed.slot.model->faceCount);
    state.counters["vertices"] = double(vertices);
}

// The floor: one glDrawElements of every triangle, in one colour, over the same vertex array.
void BM_Floor(benchmark::State& state) {
    if (!context().ok()) return state.SkipWithError("no OSMesa context");
    FormedSlot& formed = formedSlot(static_cast<int32_t>(state.range(0)), Colouring(state.range(1)));
    const ScissorGeometry geometry = prepareContext(formed.settings);
    ScissorRect rect;
    MeshDrawer().drawSlot(formed.slot, geometry, &rect);
    const MeshPart& part = formed.slot.model->parts[0];
    std::vector<GLuint> indices;
    forEachFace(part, [&](const int32_t* corners, int32_t k) { indices.insert(indices.end(), corners, corners + k); });
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    for (auto _ : state) {
        clear(rect);
        glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), part.vertices[0].position);
        glNormalPointer(GL_FLOAT, sizeof(MeshVertex), part.vertices[0].normal);
        glColor3f(part.color[0], part.color[1], part.color[2]);
        glDrawElements(GL_TRIANGLES, GLsizei(indices.size()), GL_UNSIGNED_INT, indices.data());
        glFinish();
    }
    state.counters["triangles"] = double(indices.size() / 3);
    state.counters["vertices"] = double(part.vertices.size());
}

// The saver's frame through the shader renderer, on a core context of its own.
void BM_ShaderFrame(benchmark::State& state) {
    static OffscreenContext core(kWidth, kHeight, OffscreenContext::Profile::Core);
    if (!core.makeCurrent()) return state.SkipWithError("no OSMesa core context");
    FormedSlot& formed = formedSlot(static_cast<int32_t>(state.range(0)), Colouring(state.range(1)));
    EsRenderer renderer(nullptr);
    renderer.setUpSurface({kWidth, kHeight}, formed.settings.lightHeight);
    EsAnimationView& view = renderer.view();
    view.beginFrame();
    view.setSolidMode(true, false, true);
    ScissorRect rect;
    const float scale = sizeFactor(formed.settings.totalSize);
    view.drawSlot(formed.slot, scale, rect);
    for (auto _ : state) {
        view.clearRect(rect);
        view.drawSlot(formed.slot, scale, rect);
        glFinish();
    }
    if (!renderer.ready()) state.SkipWithError(renderer.failure().c_str());
    renderer.release();
    context().makeCurrent();
}

// Shaping the formed, spinning slot for one update.
void BM_ShapeFrame(benchmark::State& state) {
    FormedSlot& formed = formedSlot(static_cast<int32_t>(state.range(0)), kUniform);
    for (auto _ : state) formed.slot.shapeFrame(kPeriod, true, kPeriod, formed.random);
}

BENCHMARK(BM_Frame)
    ->ArgsProduct({{100'000, 1'000'000}, {kUniform, kEveryFewFaces}, {kClientArrays, kBufferObjects}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Floor)
    ->ArgsProduct({{100'000, 1'000'000}, {kUniform}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ShaderFrame)
    ->ArgsProduct({{100'000, 1'000'000}, {kUniform, kEveryFewFaces}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ShapeFrame)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glowpond::bench
