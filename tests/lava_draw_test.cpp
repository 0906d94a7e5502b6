// Real rendering with Mesa's offscreen OpenGL: the pixels the saver would show.
#include "render/lava_draw.h"

#include <gtest/gtest.h>

#include <array>

#include "config/settings.h"
#include "mesh/mesh_math.h"
#include "render/animation_gl.h"
#include "render/render_surface.h"
#include "saver/console_progress.h"
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
    for (int32_t cull : {1, 0}) {
        mesh.cullBackFaces = cull;
        drawMesh(mesh, scissorGeometry({kWidth, kHeight}, orthoExtents(), 2.0f), 0.0f, 0.0f, nullptr);
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

TEST(SwapHint, theExtensionMustBeNamedWhole) {
    const std::pair<const char*, bool> lists[] = {{"GL_A GL_WIN_swap_hint GL_B", true}, {"GL_WIN_swap_hint", true},
        {"GL_WIN_swap_hints GL_B", false}, {"XGL_WIN_swap_hint", false}, {nullptr, false}};
    for (auto [list, named] : lists) EXPECT_EQ(hasExtension(list, "GL_WIN_swap_hint"), named) << (list ? list : "null");
}

}  // namespace
}  // namespace glowpond
