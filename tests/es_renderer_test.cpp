// The shader renderer against the OpenGL 1.1 renderer: the same lava from
// both, pixel for pixel within a few levels.
#include "render_es/es_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "config/settings.h"
#include "host/console_progress.h"
#include "importers/reader_table.h"
#include "render/gl.h"
#include "render/gl_renderer.h"
#include "tests/test_support.h"
#include "tools/offscreen.h"

namespace glowpond {
namespace {

constexpr int32_t kWidth = 640, kHeight = 480;  // 240 pixels per world unit
constexpr int32_t kPeriod = 80;

bool lit(const uint8_t* rgb) { return rgb[0] | rgb[1] | rgb[2]; }

// How far two pictures are apart.
struct Difference {
    int64_t litArea = 0, litInOne = 0;  // pixels lit in either, in one only
    int32_t worstLevel = 0;             // largest channel difference where both are lit
    double litShare() const { return litArea ? double(litInOne) / double(litArea) : 0.0; }
};

Difference compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    Difference d;
    for (size_t i = 0; i < a.size(); i += 3) {
        const bool litA = lit(&a[i]), litB = lit(&b[i]);
        d.litArea += litA || litB;
        d.litInOne += litA != litB;
        if (!litA || !litB) continue;
        for (size_t c = 0; c < 3; ++c) {
            d.worstLevel = std::max(d.worstLevel, std::abs(int32_t(a[i + c]) - int32_t(b[i + c])));
        }
    }
    return d;
}

// Both renderers on contexts of their own, set up alike.
struct BothRenderers : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(fixed.ok());
        ASSERT_TRUE(core.ok());
        setUp(SaverSettings().lightHeight);
        ASSERT_TRUE(es.ready()) << es.failure();
    }
    void setUp(int32_t lightHeight) {
        fixed.makeCurrent();
        gl.setUpSurface({kWidth, kHeight}, lightHeight);
        core.makeCurrent();
        es.setUpSurface({kWidth, kHeight}, lightHeight);
    }
    // The picture `view` leaves after `draw`, on `context`, cleared first.
    template <typename Renderer>
    std::vector<uint8_t> render(OffscreenContext& context, Renderer& renderer,
                                const std::function<void(AnimationView&)>& draw) {
        context.makeCurrent();
        renderer.clearSurface(1);
        draw(renderer.view());
        return context.readRgbTopDown();
    }

    OffscreenContext fixed{kWidth, kHeight};
    OffscreenContext core{kWidth, kHeight, OffscreenContext::Profile::Core};
    GlRenderer gl{nullptr};
    EsRenderer es{nullptr};
};

TEST_F(BothRenderers, showEverySampleModelRisingMorphingAndFormedAlike) {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(GLOWPOND_SAMPLE_MODELS)) {
        // Every sample model of a format the loading knows.
        if (formatOfName(entry.path().string(), false)) paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    ASSERT_GE(paths.size(), 5u);
    // And a hexagonal prism with its hexagons facing the viewer: polygons
    // beyond four corners, which only fans draw here.
    const char* prism = "#VRML V1.0 ascii\nSeparator { Material { diffuseColor 0.9 0.4 0.1 }\n"
                        "Coordinate3 { point [1 0 .4, .5 .87 .4, -.5 .87 .4, -1 0 .4, -.5 -.87 .4, .5 -.87 .4,\n"
                        "1 0 -.4, .5 .87 -.4, -.5 .87 -.4, -1 0 -.4, -.5 -.87 -.4, .5 -.87 -.4] }\n"
                        "IndexedFaceSet { coordIndex [0, 1, 2, 3, 4, 5, -1, 11, 10, 9, 8, 7, 6, -1, 0, 6, 7, 1, -1,\n"
                        "1, 7, 8, 2, -1, 2, 8, 9, 3, -1, 3, 9, 10, 4, -1, 4, 10, 11, 5, -1, 5, 11, 6, 0, -1] } }\n";
    const testing::TempDir folder;
    paths.push_back(testing::writeFile(folder.path("prism.wrl"), prism));

    SaverSettings settings;
    settings.totalSize = 10;
    std::string failures;
    int32_t cases = 0;
    for (const auto& path : paths) {
        testing::RecordingPlatform platform;
        ConsoleProgress quiet(platform, false);
        ModelSlot slot;
        slot.model = std::make_unique<DisplayMesh>();
        ASSERT_TRUE(ModelLoader(testing::fileOpener()).load(path.string(), *slot.model, quiet))
            << path << platform.messages;
        ASSERT_TRUE(slot.setUp(0, settings));
        slot.moveBy(0.1f, -0.05f, -2.0f);
        StandardRandom random;
        // Rising: the blob alone in the lava colour; then morphing and formed
        // with culling and two-sided lighting each on and off, and formed
        // once more under a light from below and one from the side.
        struct Case {
            int32_t t, lightHeight;
            bool cull, twoSided;
            int32_t coloursEvery = 0;  // faces of one colour in a row; 0: the model's own colours
        };
        std::vector<Case> plan{{0, settings.lightHeight, true, false}};
        for (int32_t t : {kPeriod / 2, kPeriod}) {
            for (int32_t flags = 0; flags < 4; ++flags) {
                plan.push_back({t, settings.lightHeight, bool(flags & 1), bool(flags & 2)});
            }
        }
        plan.push_back({kPeriod, 1, false, true});
        plan.push_back({kPeriod, 5, true, true});
        // Colours changing every two faces go per vertex, every 40 faces in
        // runs of one colour.
        plan.push_back({kPeriod, settings.lightHeight, true, true, 2});
        plan.push_back({kPeriod, settings.lightHeight, false, true, 40});
        for (const Case& c : plan) {
            if (c.lightHeight != settings.lightHeight) setUp(c.lightHeight);
            const Vec3f changing[] = {{1, 0.5f, 0}, {0, 0.7f, 1}, {0.9f, 0.9f, 0.2f}, {0.3f, 1, 0.4f}};
            for (MeshPart& part : slot.model->parts) {
                if (!c.coloursEvery) continue;
                part.uniformColor = 0;
                part.faceColors.resize(size_t(part.faceCount));
                for (size_t f = 0; f < part.faceColors.size(); ++f) {
                    part.faceColors[f] = changing[f / size_t(c.coloursEvery) % 4];
                }
            }
            slot.model->visible = c.t > 0;
            slot.model->cullBackFaces = c.cull;
            slot.blob->parts[0].color = c.t > 0 ? slot.modelColor : slot.lavaColor;
            slot.shapeFrame(c.t, false, kPeriod, random);
            auto draw = [&](AnimationView& view) {
                view.beginFrame();
                view.setSolidMode(c.t > 0, c.cull, c.twoSided);
                ScissorRect rect;
                view.drawSlot(slot, 1.0f, rect);
                view.endFrame();
            };
            const Difference d = compare(render(fixed, gl, draw), render(core, es, draw));
            char line[200];
            std::snprintf(line, sizeof line,
                          "%s t %d light %d culling %d two-sided %d colours %d: %lld lit, %.3f%% lit in one, %d levels\n",
                          path.filename().string().c_str(), c.t, c.lightHeight, c.cull, c.twoSided, c.coloursEvery,
                          static_cast<long long>(d.litArea), 100 * d.litShare(), d.worstLevel);
            std::fputs(line, stdout);
            if (d.litArea < 100 || d.litShare() > 0.01 || d.worstLevel > 8) failures += line;
            if (c.lightHeight != settings.lightHeight) setUp(settings.lightHeight);
            ++cases;
        }
    }
    EXPECT_EQ(cases, int32_t(paths.size()) * 13);
    EXPECT_EQ(failures, "");
}

// A canvas that forgets its picture once shown, as WebGL's does.
TEST_F(BothRenderers, wholeFramesShowEveryModelDrawnSoFarOnADrawingBufferThatIsNotKept) {
    core.makeCurrent();
    std::vector<uint8_t> shown;
    EsRenderer web([&] {
        shown = core.readRgbTopDown();
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    });
    web.setUpSurface({kWidth, kHeight}, 10);
    ModelSlot slots[2];
    StandardRandom random;
    for (int32_t i = 0; i < 2; ++i) {
        slots[i].model = std::make_unique<DisplayMesh>();
        slots[i].model->makeCube(1.0f, 0.5f, 0.0f);
        ASSERT_TRUE(slots[i].setUp(0, SaverSettings()));
        slots[i].moveBy(i ? 0.6f : -0.6f, 0.0f, -2.0f);
        slots[i].shapeFrame(kPeriod, false, kPeriod, random);
    }
    // Lit pixels left and right of the middle of the shown frame.
    auto litHalves = [&] {
        std::pair<int32_t, int32_t> halves{0, 0};
        for (size_t i = 0; i < shown.size(); i += 3) {
            if (lit(&shown[i])) ++(int32_t(i / 3) % kWidth < kWidth / 2 ? halves.first : halves.second);
        }
        return halves;
    };
    auto frame = [&](const ModelSlot& slot) {
        EsAnimationView& view = web.view();
        view.beginFrame();
        ScissorRect rect;
        view.clearRect(rect);
        view.setSolidMode(true, true, true);
        view.drawSlot(slot, 1.0f, rect);
        view.endFrame();
    };
    for (bool whole : {false, true}) {
        web.clearSurface(1);
        web.view().setWholeFrames(whole);
        frame(slots[0]);
        frame(slots[1]);
        const auto [left, right] = litHalves();
        EXPECT_GT(right, 100) << whole;
        EXPECT_EQ(left > 100, whole) << left;
    }
    // A cleared surface forgets the slots, which may be gone.
    web.clearSurface(1);
    web.view().beginFrame();
    web.view().endFrame();
    EXPECT_EQ(litHalves(), std::make_pair(0, 0));
}

}  // namespace
}  // namespace glowpond
