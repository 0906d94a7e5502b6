// Real rendering with Mesa's offscreen OpenGL: the pixels the saver would show.
#include "render/lava_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "config/settings.h"
#include "engine/face_runs.h"
#include "mesh/mesh_math.h"
#include "render/animation_gl.h"
#include "render/fixed_state.h"
#include "render/gl.h"
#include "host/console_progress.h"
#include "tests/test_support.h"
#include "tools/offscreen.h"

namespace glowpond {
namespace {

constexpr int32_t kWidth = 320, kHeight = 240;  // 120 pixels per world unit; x from -4/3 to 4/3
int32_t column(float x) { return int32_t((x + 4.0f / 3) * 120); }
int32_t row(float y) { return int32_t((y + 1) * 120); }

// The saver's fixed state on an offscreen picture, and a slot to draw there.
struct LavaDraw : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(context.ok());
        setupFixedState(kWidth, kHeight, false);
    }
    // Counts the lit pixels inside the pixels {left, right, bottom, top} (inclusive) and outside them, and adds
    // up the colours of all of them.
    void countLit(const std::array<int32_t, 4>& box) {
        const std::vector<uint8_t> rgb = context.readRgbTopDown();
        for (size_t i = 0; i < rgb.size(); i += 3) {
            if (rgb[i] <= 8 && rgb[i + 1] <= 8 && rgb[i + 2] <= 8) continue;
            const int32_t x = int32_t(i / 3) % kWidth, y = kHeight - 1 - int32_t(i / 3) / kWidth;
            ++(x >= box[0] && x <= box[1] && y >= box[2] && y <= box[3] ? litInside : litOutside);
            sum = sum + Vec3f{float(rgb[i]), float(rgb[i + 1]), float(rgb[i + 2])};
        }
    }

    OffscreenContext context{kWidth, kHeight};
    ModelSlot slot;
    StandardRandom random;
    ScissorRect rect;
    int32_t litInside = 0, litOutside = 0;
    Vec3f sum{};
};

TEST_F(LavaDraw, aBlobLightsItsScissorSquareInItsColourAndNothingOutsideAndCulledFacesAreSkipped) {
    auto pixelAt = [&](float x, float y) { return context.pixel(column(x), row(y)); };
    // A blob of the largest radius a huge model gets, 0.3, in a square only 0.25 wide: the square must cut it off.
    slot.model = std::make_unique<DisplayMesh>();
    slot.model->makeCube(1.0f, 0.0f, 0.0f);
    slot.model->scale(100.0f);
    ASSERT_TRUE(slot.setUp(0, SaverSettings()));
    ASSERT_EQ(slot.blobRadius, 0.3f);
    slot.moveBy(0.3f, 0.2f, -2.0f);
    slot.model->visible = 0;
    slot.blob->parts[0].color = slot.lavaColor;
    slot.shapeFrame(0, false, 80, random);
    GlAnimationView({kWidth, kHeight}, nullptr, nullptr).drawSlot(slot, 0.25f, rect);
    EXPECT_EQ(std::make_pair(rect.width, rect.height), std::make_pair(30, 30));  // 0.25 world units
    countLit({rect.x, rect.x + rect.width - 1, rect.y, rect.y + rect.height - 1});
    // The big blob, centred in its square, fills it.
    EXPECT_TRUE(litOutside == 0 && litInside > 30 * 30 * 9 / 10) << litOutside << " " << litInside;
    EXPECT_EQ(std::make_pair(pixelAt(0.3f, 0.2f).green > 200, pixelAt(0.3f, 0.2f).red < 120), std::pair(true, true));

    // Faces that face away are skipped when culling: a cube seen from the front, its front face red with
    // a normal whose z is -0.0, its back face green with z = 1e-30, in depth order.
    DisplayMesh mesh;
    mesh.makeCube(1, 0, 0);
    MeshPart& part = mesh.parts[0];
    for (MeshVertex& v : part.vertices) v.position[2] -= 2.0f;
    part.uniformColor = 0;
    part.faceColors = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}};
    part.faceNormals[4] = {0, 0, -0.0f};
    part.faceNormals[5] = {0, 0, 1e-30f};
    MeshDrawer drawer;
    for (int32_t cull : {1, 0}) {
        mesh.cullBackFaces = cull;
        drawer.drawMesh(mesh, scissorGeometry({kWidth, kHeight}, orthoExtents(), 2.0f), 0.0f, 0.0f, nullptr);
        EXPECT_EQ(std::pair(pixelAt(0, 0).red > 200, pixelAt(0, 0).green > 200), std::pair(!cull, bool(cull))) << cull;
    }
}

TEST_F(LavaDraw, aSampleModelAtItsFormedStageLightsOnlyItsOwnBoundsInItsOwnColour) {
    testing::RecordingPlatform platform;
    ConsoleProgress quiet(platform, false);
    slot.model = std::make_unique<DisplayMesh>();
    ASSERT_TRUE(ModelLoader(testing::fileOpener()).load(GLOWPOND_SAMPLE_MODELS "/crystal.wrl", *slot.model, quiet));
    ASSERT_TRUE(slot.setUp(0, SaverSettings()));
    slot.moveBy(-0.4f, 0.1f, -2.0f);
    slot.shapeFrame(80, false, 80, random);  // t = P: the whole model, the blob dissolved inside it
    GlAnimationView({kWidth, kHeight}, nullptr, nullptr).drawSlot(slot, sizeFactor(9), rect);

    // The model's scaled bounds where the projection puts them, a pixel of rounding around them.
    Bounds box{3e38f, -3e38f, 3e38f, -3e38f, 3e38f, -3e38f};
    for (const MeshPart& part : slot.model->parts) {
        for (const MeshVertex& v : part.vertices) includePoint(box, v.position);
    }
    countLit({column(box[0]) - 1, column(box[1]) + 1, row(box[2]) - 1, row(box[3]) + 1});
    EXPECT_EQ(litOutside, 0);
    EXPECT_GT(litInside, 200);
    // Lit by a white light, the model keeps the hue of its own colours: the same channel order,
    // and much the same mix.
    const Vec3f seen = sum * (1.0f / (sum[0] + sum[1] + sum[2]));
    const Vec3f own = slot.modelColor * (1.0f / (slot.modelColor[0] + slot.modelColor[1] + slot.modelColor[2]));
    EXPECT_TRUE(seen[2] > seen[0] && seen[0] > seen[1]) << seen[0] << " " << seen[1] << " " << seen[2];
    for (size_t c = 0; c < 3; ++c) EXPECT_NEAR(seen[c], own[c], 0.1f) << c;
}

// The drawing as it was before batching, kept as the reference: face by
// face between glBegin and glEnd, one glArrayElement per corner, the colour
// set before each face.
void drawFaceByFace(const DisplayMesh& mesh, const ScissorGeometry& geometry, float x, float y) {
    if (!mesh.visible || mesh.faceCount == 0 || mesh.vertexCount == 0) return;
    const ScissorRect square = scissorSquare(geometry, x, y);
    glScissor(square.x, square.y, square.width, square.height);
    glEnable(GL_SCISSOR_TEST);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    for (const MeshPart& part : mesh.parts) {
        if (part.vertexCount == 0 || part.faceCount == 0 || part.vertices.empty()) continue;
        glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), part.vertices[0].position);
        glNormalPointer(GL_FLOAT, sizeof(MeshVertex), part.vertices[0].normal);
        if (part.uniformColor) glColor3f(part.color[0], part.color[1], part.color[2]);
        size_t face = 0;
        forEachFace(part, [&](const int32_t* corners, int32_t k) {
            const size_t number = face++;
            if (mesh.cullBackFaces && number < part.faceNormals.size() && facesAway(part.faceNormals[number])) return;
            if (!cornersInRange(part, corners, k)) return;
            if (!part.uniformColor && number < part.faceColors.size()) {
                glColor3f(part.faceColors[number][0], part.faceColors[number][1], part.faceColors[number][2]);
            }
            glBegin(k == 3 ? GL_TRIANGLES : k == 4 ? GL_QUADS : GL_POLYGON);
            for (int32_t i = 0; i < k; ++i) glArrayElement(corners[i]);
            glEnd();
        });
    }
}

// Every model file renders byte for byte as face by face drawing rendered
// it, with culling on and off, through buffer objects and client arrays.
class SamePixels : public ::testing::Test {
protected:
    static constexpr int32_t kSide = 200;  // 75 pixels per world unit, the whole model in 75 by 75

    void SetUp() override {
        ASSERT_TRUE(context.ok());
        setupFixedState(kSide * 4 / 3, kSide, false);
        setLightHeight(settings.lightHeight);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        settings.totalSize = 10;
    }

    std::vector<uint8_t> render(const std::function<void()>& draw) {
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw();
        return context.readRgbTopDown();
    }

    // Adds a line to `differences` for every case of `path` whose pixels
    // differ: rising (the blob alone, seen once), morphing and formed, in
    // its own colours, in one colour, in colours changing every two faces,
    // and formed once more turned inside out after the copies were made.
    void compareModel(const std::string& path) {
        testing::RecordingPlatform platform;
        ConsoleProgress quiet(platform, false);
        ModelSlot slot;
        slot.model = std::make_unique<DisplayMesh>();
        ASSERT_TRUE(ModelLoader(testing::fileOpener()).load(path, *slot.model, quiet)) << path;
        ASSERT_TRUE(slot.setUp(0, settings));
        slot.moveBy(0.0f, 0.0f, -2.0f);
        DisplayMesh& model = *slot.model;
        const ScissorGeometry geometry = scissorGeometry({kSide * 4 / 3, kSide}, orthoExtents(), 1.0f);
        const Vec3f changing[] = {{1, 0.5f, 0}, {0, 0.7f, 1}, {0.9f, 0.9f, 0.2f}, {0.3f, 1, 0.4f}, {0.8f, 0.1f, 0.6f}};
        const char* colourings[] = {"own colours", "one colour", "changing colours", "inside out"};
        const int32_t period = 80;
        for (int c = 0; c < 4; ++c) {
            for (MeshPart& part : model.parts) {
                part.uniformColor = c == 1 ? 1 : c >= 2 ? 0 : part.uniformColor;
                for (size_t f = 0; c == 2 && f < part.faceColors.size(); ++f) part.faceColors[f] = changing[f / 2 % 5];
            }
            if (c == 3) model.reverseNormals();
            for (int32_t t : {0, period / 2, period}) {
                if ((c > 0 && t == 0) || (c == 3 && t < period)) continue;
                model.visible = t > 0;
                slot.shapeFrame(t, false, period, random);
                for (int32_t cull : {0, 1}) {
                    model.cullBackFaces = cull;
                    GlAnimationView({1, 1}, nullptr, {}).setSolidMode(t > 0, cull != 0, true);
                    const std::vector<uint8_t> reference = render([&] {
                        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kModelSpecular);
                        drawFaceByFace(model, geometry, slot.position[0], slot.position[1]);
                        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kBlobSpecular);
                        drawFaceByFace(*slot.blob, geometry, slot.position[0], slot.position[1]);
                    });
                    lit += std::count_if(reference.begin(), reference.end(), [](uint8_t v) { return v > 0; });
                    for (MeshDrawer* drawer : {&buffered, &client}) {
                        const std::vector<uint8_t> batched = render([&] { drawer->drawSlot(slot, geometry, nullptr); });
                        int32_t differing = 0;
                        for (size_t i = 0; i < reference.size(); i += 3) {
                            differing += std::memcmp(&reference[i], &batched[i], 3) != 0;
                        }
                        if (differing == 0) continue;
                        differences += path + ", t " + std::to_string(t) + ", culling " + std::to_string(cull) + ", " +
                                       colourings[c] + (drawer == &client ? ", client arrays: " : ": ") +
                                       std::to_string(differing) + " pixels differ\n";
                    }
                    ++cases;
                }
            }
        }
        for (const MeshPart& part : model.parts) {
            const auto copies = std::static_pointer_cast<const ColourCopies>(part.drawingCache);
            partsWithCopies += copies && copies->used;
        }
    }

    OffscreenContext context{kSide * 4 / 3, kSide};
    SaverSettings settings;
    StandardRandom random;
    MeshDrawer buffered{OffscreenContext::procAddress};
    MeshDrawer client;
    std::string differences;
    int32_t cases = 0;
    int64_t lit = 0;              // bytes of the references that are not black
    int32_t partsWithCopies = 0;  // drawn in a colour array
};

TEST_F(SamePixels, everySampleModelAndEverySharedModelOfBothFormats) {
    std::vector<std::string> paths;
    for (const char* name : {"crystal.wrl", "lava_lamp.wrl", "robot.wrl", "ring.3ds", "rocket.3ds"}) {
        paths.push_back(std::string(GLOWPOND_SAMPLE_MODELS "/") + name);
    }
    const std::filesystem::path shared = GLOWPOND_SHARED_MODELS;
    if (std::filesystem::is_directory(shared)) {
        for (const char* folder : {"vrml1", "3ds"}) {
            for (const auto& entry : std::filesystem::directory_iterator(shared / folder)) {
                paths.push_back(entry.path());
            }
        }
    } else if (std::getenv("CI")) {
        FAIL() << "no " << shared;
    }
    for (const std::string& path : paths) compareModel(path);
    EXPECT_TRUE(buffered.usesBufferObjects());
    EXPECT_FALSE(client.usesBufferObjects());
    EXPECT_EQ(cases, int32_t(paths.size()) * 16);
    EXPECT_GT(lit, 0);
    EXPECT_GT(partsWithCopies, 0);
    EXPECT_EQ(differences, "");
}

TEST(BufferObjects, coreFromOpenGl15TheExtensionBeforeAndEveryFunctionOrNone) {
    const std::tuple<const char*, const char*, BufferObjects> cases[] = {
        {"4.5 (Compatibility Profile) Mesa 22.3.6", nullptr, BufferObjects::Core},
        {"1.4.0", "GL_EXT_a GL_ARB_vertex_buffer_object", BufferObjects::Arb},
        {"1.1.0", "GL_ARB_vertex_buffer_objects", BufferObjects::ClientArrays},
        {nullptr, nullptr, BufferObjects::ClientArrays},
    };
    for (auto [version, extensions, expected] : cases) {
        EXPECT_EQ(bufferObjectsFor(version, extensions), expected) << (version ? version : "null");
    }
    // The ARB names alone; a Windows driver's -1 for a name it does not know is none.
    ProcLookup lookup = [](const char* name) -> void* {
        static int entry;
        return std::string(name).find("ARB") != std::string::npos ? &entry : reinterpret_cast<void*>(intptr_t(-1));
    };
    EXPECT_TRUE(findBufferFunctions(BufferObjects::Arb, lookup).has_value());
    EXPECT_FALSE(findBufferFunctions(BufferObjects::Core, lookup).has_value());
    EXPECT_FALSE(findBufferFunctions(BufferObjects::Arb, nullptr).has_value());
}

TEST(Extensions, areNamedWholeAndASwapIntervalIsAskedForOnlyThroughOne) {
    const std::pair<const char*, bool> lists[] = {{"GL_A GL_WIN_swap_hint GL_B", true}, {"GL_WIN_swap_hint", true},
        {"GL_WIN_swap_hints GL_B", false}, {"XGL_WIN_swap_hint", false}, {nullptr, false}};
    for (auto [list, named] : lists) EXPECT_EQ(hasExtension(list, "GL_WIN_swap_hint"), named) << (list ? list : "null");
    const std::pair<const char*, SwapControl> swaps[] = {
        {"WGL_ARB_pixel_format WGL_EXT_swap_control", SwapControl::WglExt},
        {"GLX_MESA_swap_control GLX_EXT_swap_control", SwapControl::GlxExt},
        {"GLX_MESA_swap_control", SwapControl::GlxMesa},
        {"GLX_EXT_swap_control_tear GLX_SGI_swap_control", SwapControl::Unavailable}};
    for (auto [list, expected] : swaps) EXPECT_EQ(swapControlFor(list), expected) << list;
}

}  // namespace
}  // namespace glowpond
