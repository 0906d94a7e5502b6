// Real rendering with Mesa's offscreen OpenGL: the pixels the saver would show.
#include "render/lava_draw.h"

#include <gtest/gtest.h>

#include <memory>

#include "config/settings.h"
#include "render/animation_gl.h"
#include "render/gl.h"
#include "render/render_surface.h"
#include "tests/test_support.h"
#include "tools/offscreen.h"

namespace glowpond {
namespace {

using testing::recordingPlatform;

constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 240;  // 120 pixels per world unit; x from -4/3 to 4/3

int windowTag;
WindowHandle const kWindow = &windowTag;

bool lit(const Rgb& c) { return c.red > 8 || c.green > 8 || c.blue > 8; }

// The pixel under a world position, for the projection of this window.
Rgb pixelAt(const OffscreenContext& context, float x, float y) {
    const float aspect = float(kWidth) / float(kHeight);
    return context.pixel(int32_t((x + aspect) / (2.0f * aspect) * kWidth), int32_t((y + 1.0f) / 2.0f * kHeight));
}

bool inside(const ScissorRect& r, int32_t x, int32_t y) {
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

class LavaDraw : public ::testing::Test {
protected:
    void SetUp() override {
        context = std::make_unique<OffscreenContext>(kWidth, kHeight);
        ASSERT_TRUE(context->ok());
        recordingPlatform().clientArea = ClientSize{kWidth, kHeight};
        setupFixedState(kWidth, kHeight, false);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    ModelSlot preparedCube(float scale = 1.0f) {
        ModelSlot slot;
        slot.model = std::make_unique<DisplayMesh>();
        slot.model->makeCube(1.0f, 0.0f, 0.0f);
        slot.model->scale(scale);
        slot.pulse.init(settings.pulseSpeed);
        slot.buildBlob();
        EXPECT_TRUE(slot.prepare(0, settings));
        return slot;
    }

    // The lit pixels of the picture inside and outside `rect`.
    std::pair<int32_t, int32_t> litInsideAndOutside(const ScissorRect& rect) const {
        const std::vector<uint8_t> rgb = context->readRgbTopDown();
        std::pair<int32_t, int32_t> counts{0, 0};
        for (int32_t y = 0; y < kHeight; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) {
                const uint8_t* p = &rgb[size_t((kHeight - 1 - y) * kWidth + x) * 3];
                if (lit({p[0], p[1], p[2]})) ++(inside(rect, x, y) ? counts.first : counts.second);
            }
        }
        return counts;
    }

    SaverSettings settings;
    std::unique_ptr<OffscreenContext> context;
};

TEST_F(LavaDraw, theFixedStatesProjectionOf800By600) {
    setupFixedState(800, 600, false);
    const ViewExtents view = orthoExtents();
    EXPECT_EQ((std::array<float, 4>{view.left, view.right, view.bottom, view.top}),
              (std::array<float, 4>{-4.0f / 3.0f, 4.0f / 3.0f, -1.0f, 1.0f}));
    GLint twoSided = 0;
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSided);
    EXPECT_EQ(twoSided, 1);
    EXPECT_FALSE(glIsEnabled(GL_DITHER));
    setupFixedState(800, 0, true);  // a palette display; a zero height must not divide by zero
    EXPECT_TRUE(glIsEnabled(GL_DITHER));
    EXPECT_FLOAT_EQ(orthoExtents().right, 800.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(LavaDraw, aBlobLightsItsScissorSquareAndNothingOutside) {
    // A blob of the largest radius, 0.3, in a square only 0.25 wide: the
    // square must cut it off.
    ModelSlot slot = preparedCube(100.0f);
    ASSERT_EQ(slot.blobRadius, 0.3f);
    slot.moveBy(0.3f, 0.2f, -2.0f);
    slot.model->visible = 0;
    slot.blob->parts[0].color = slot.lavaColor;
    GlAnimationView(kWindow, nullptr).setSolidMode(false, true, false);
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    ScissorRect rect;
    drawSlot(slot, kWindow, 0, false, 80, 0.25f, &rect);
    // 0.25 world units are 30 pixels; the square's corner is 0.125 left of and below the centre.
    EXPECT_EQ(rect.width, 30);
    EXPECT_EQ(rect.height, 30);
    EXPECT_NEAR(rect.x, (0.3f - 0.125f + 4.0f / 3.0f) * 120.0f, 1.0f);
    EXPECT_NEAR(rect.y, (0.2f - 0.125f + 1.0f) * 120.0f, 1.0f);
    const auto [litInside, litOutside] = litInsideAndOutside(rect);
    EXPECT_EQ(litOutside, 0);
    EXPECT_GT(litInside, 30 * 30 * 9 / 10);  // the big blob fills its square
    const Rgb middle = pixelAt(*context, 0.3f, 0.2f);
    EXPECT_GT(middle.green, 200);
    EXPECT_LT(middle.red, 120);
}

TEST_F(LavaDraw, theSquareIsClampedAtTheWindowsEdges) {
    ModelSlot slot = preparedCube();
    slot.model->visible = 0;
    const float left = -4.0f / 3.0f;
    ScissorRect rect;
    slot.moveBy(left + 0.375f, -1.0f + 0.375f, -2.0f);
    for (int i = 0; i < 2; ++i, slot.moveBy(-0.3f, -0.3f, 0.0f)) {  // at the corner, then further out
        drawSlot(slot, kWindow, 0, false, 80, 0.75f, &rect);
        EXPECT_EQ((std::array<int32_t, 3>{rect.x, rect.y, rect.width}), (std::array<int32_t, 3>{0, 0, 90})) << i;
    }
}

TEST_F(LavaDraw, facesThatFaceAwayAreSkippedWhenCulling) {
    // Three faces side by side, each with its own colour: a quad whose
    // normal has z = -0.0, a quad with z = 1e-30, and a pentagon facing the viewer.
    DisplayMesh mesh;
    MeshPart part;
    auto corner = [&](float x, float y) {
        part.vertices.push_back({{x, y, -2.0f}, {0.0f, 0.0f, 1.0f}});
        return int32_t(part.vertices.size() - 1);
    };
    auto quad = [&](float x0, float x1) {
        part.faceIndices.insert(part.faceIndices.end(),
                                {4, corner(x0, -0.3f), corner(x1, -0.3f), corner(x1, 0.3f), corner(x0, 0.3f)});
    };
    quad(-0.9f, -0.4f);
    quad(-0.25f, 0.25f);
    part.faceIndices.insert(part.faceIndices.end(), {5, corner(0.45f, -0.2f), corner(0.85f, -0.2f),
                                                     corner(0.9f, 0.1f), corner(0.65f, 0.3f), corner(0.4f, 0.1f)});
    part.faceNormals = {{0.0f, 0.0f, -0.0f}, {0.0f, 0.0f, 1e-30f}, {0.0f, 0.0f, 1.0f}};
    part.faceColors = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    part.vertexCount = mesh.vertexCount = int32_t(part.vertices.size());
    part.faceCount = mesh.faceCount = 3;
    mesh.parts.push_back(part);
    mesh.partCount = 1;
    mesh.cullBackFaces = 1;
    mesh.draw(kWindow, 0.0f, 0.0f, -2.0f, 2.0f, nullptr);
    EXPECT_FALSE(lit(pixelAt(*context, -0.65f, 0.0f)));
    EXPECT_GT(pixelAt(*context, 0.0f, 0.0f).green, 200);
    EXPECT_GT(pixelAt(*context, 0.65f, 0.05f).blue, 200);  // the pentagon
    mesh.cullBackFaces = 0;
    mesh.draw(kWindow, 0.0f, 0.0f, -2.0f, 2.0f, nullptr);
    EXPECT_GT(pixelAt(*context, -0.65f, 0.0f).red, 200);
}

TEST_F(LavaDraw, theScissorGeometryFollowsTheWindow) {
    ModelSlot slot = preparedCube();
    drawSlot(slot, kWindow, 0, false, 80, 0.75f, nullptr);
    // The model settings dialog's picture window: another window, another size.
    int otherTag = 0;
    recordingPlatform().clientArea = ClientSize{160, 120};
    setupFixedState(160, 120, false);
    glMatrixMode(GL_MODELVIEW);
    drawSlot(slot, &otherTag, 0, false, 80, 0.5f, nullptr);
    EXPECT_EQ(currentScissorGeometry().window, &otherTag);
    EXPECT_EQ(currentScissorGeometry().windowWidth, 160);
    EXPECT_EQ(currentScissorGeometry().scissorWidth, 30);
}

// Captures the picture while the loop runs: the blob's colour as it rises
// fast out of the bottom and as it slows near the top.
class CapturingView : public GlAnimationView {
public:
    explicit CapturingView(const OffscreenContext& context) : GlAnimationView(kWindow, nullptr), context_(context) {}

    void modelUpdated(const ModelUpdate& u) override {
        const Vec3f& p = u.slot.position;
        if (u.phase != ModelPhase::Rise) {
            animating = 0;
            return;
        }
        if (!fastSeen && p[1] > -0.7f) {
            fast = pixelAt(context_, p[0], p[1]);
            fastSeen = true;
        }
        slow = pixelAt(context_, p[0], p[1]);  // the last rising update wins
    }

    Rgb fast, slow;
    bool fastSeen = false;

private:
    const OffscreenContext& context_;
};

TEST_F(LavaDraw, theLoopDrawsAFastBlobInLavaAndASlowOneInTheModelsColour) {
    std::vector<ModelSlot> slots;
    slots.push_back(preparedCube());
    CapturingView view(*context);
    animating = 1;
    runAnimationLoop(view, slots.data(), 1, settings);
    ASSERT_TRUE(view.fastSeen);
    EXPECT_GT(view.fast.green, 200);  // the default lava colour is green
    EXPECT_LT(view.fast.red, 120);
    EXPECT_GT(view.slow.red, 200);  // the cube is red
    EXPECT_LT(view.slow.green, 150);
    EXPECT_GT(recordingPlatform().swapCount, 100);
}

TEST(SwapHint, theExtensionMustBeNamedExactly) {
    for (const char* list : {"GL_A GL_WIN_swap_hint GL_B", "GL_WIN_swap_hint"}) {
        EXPECT_TRUE(hasExtension(list, "GL_WIN_swap_hint")) << list;
    }
    for (const char* list : {"GL_WIN_swap_hints GL_B", "XGL_WIN_swap_hint", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(hasExtension(list, "GL_WIN_swap_hint")) << (list ? list : "null");
    }
}

TEST_F(LavaDraw, runAnimationLooksUpTheSwapHintAndReturnsWithoutModels) {
    animating = 1;
    runAnimation(kWindow, nullptr, nullptr, 0);
    EXPECT_EQ(addSwapHintRect, nullptr);  // Mesa has no such extension
    EXPECT_EQ(recordingPlatform().pumpCount, 0);
}

}  // namespace
}  // namespace glowpond
