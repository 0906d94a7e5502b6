// The renderer for OpenGL ES 3.0 and WebGL 2: vertex buffers and one small
// shader pair that light every vertex as the fixed functions of the OpenGL
// 1.1 renderer do, so that both show the same lava. It needs a current
// context of OpenGL ES 3.0, WebGL 2 or OpenGL 3.3 core (with ES 3.0
// shaders), and calls nothing of OpenGL 1.1.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/face_runs.h"
#include "engine/renderer.h"

namespace glowpond {

// The unit vector towards light 0 for a `lightHeight` setting (values
// outside 1..10 count as the nearest end).
Vec3f lightDirection(int32_t lightHeight);

// The orthographic projection of the OpenGL 1.1 renderer for a client area,
// column by column, as glOrtho computes it in single precision.
Mat4f orthoProjection(ClientSize size);

// Draws meshes with buffers and the lighting program on the current
// context; GL names are held as plain numbers so that no GL header leaks.
class EsMeshDrawer {
public:
    EsMeshDrawer();

    // Compiles the program and makes the buffers; false (with failure())
    // when the context refuses the shaders.
    bool create();
    // The context is gone with everything in it: forget the names.
    void forget();
    // Deletes the program and buffers; the context must be current.
    void release();
    bool ready() const { return program_ != 0; }
    const std::string& failure() const { return failure_; }

    void setProjection(const Mat4f& projection);
    void setLight(const Vec3f& toLight);
    void setTwoSided(bool twoSided);

    // As MeshDrawer's: the mesh inside the scissor square of `geometry`
    // around (x, y), the square stored in `rect` when given.
    void drawMesh(const DisplayMesh& mesh, const ScissorGeometry& geometry, float x, float y, ScissorRect* rect);
    void drawSlot(const ModelSlot& slot, const ScissorGeometry& geometry, ScissorRect* rect);

private:
    void drawPart(const MeshPart& part, bool cull);

    uint32_t program_ = 0, vertexArray_ = 0;
    uint32_t vertexBuffer_ = 0, colourBuffer_ = 0, indexBuffer_ = 0;
    size_t vertexCapacity_ = 0, colourCapacity_ = 0, indexCapacity_ = 0;  // bytes
    std::weak_ptr<const ColourCopies> colourSource_;                       // whose colours colourBuffer_ holds
    int32_t projectionAt_ = -1, lightAt_ = -1, halfAt_ = -1, specularAt_ = -1, twoSidedAt_ = -1;
    std::string failure_;
    FaceRuns runs_{true};
    LargeVector<MeshVertex> copies_;
};

// Draws the animation's frames. By default it draws as the saver does, each
// frame only the squares of the models updated in it, which needs a drawing
// buffer kept from frame to frame (or the saver's flip chain). With whole
// frames on, every frame is drawn complete: the surface is cleared and every
// model drawn so far is drawn again, the updated ones as shaped in this
// frame and the others as they were last shaped, in the order of their
// slots: what a WebGL canvas without preserveDrawingBuffer needs.
class EsAnimationView : public AnimationView {
public:
    EsAnimationView(EsMeshDrawer& drawer, std::function<void()> present);

    void resize(ClientSize size);
    void setWholeFrames(bool whole) { whole_ = whole; }
    bool wholeFrames() const { return whole_; }
    // Forgets the slots drawn so far (they may be gone): call before the
    // animation starts with other slots.
    void forgetSlots() { drawn_.clear(); }

    void beginFrame() override;
    void clearRect(const ScissorRect& rect) override;
    void setSolidMode(bool solid, bool backCull, bool twoSided) override;
    void drawSlot(const ModelSlot& slot, float scale, ScissorRect& rect) override;
    void addSwapHints(const ScissorRect&, const ScissorRect&) override {}
    void endFrame() override;

private:
    struct Mode {
        bool solid = false, backCull = true, twoSided = true;
    };
    struct Drawn {
        const ModelSlot* slot;
        float scale;
        Mode mode;
    };
    const ScissorGeometry& geometryFor(float scale);
    void apply(const Mode& mode);

    EsMeshDrawer& drawer_;
    std::function<void()> present_;
    ClientSize size_{1, 1};
    ScissorGeometry geometry_;
    bool geometryValid_ = false;
    bool whole_ = false;
    Mode mode_;
    std::vector<Drawn> drawn_;  // with whole frames: every slot drawn, by slot address
};

class EsRenderer final : public Renderer {
public:
    // `present` (may be empty) shows a finished frame.
    explicit EsRenderer(std::function<void()> present);

    // Also makes the program and buffers on the first call, or the first
    // after contextLost(); see ready().
    void setUpSurface(ClientSize size, int32_t lightHeight) override;
    void resize(ClientSize size) override;
    void clearSurface(int32_t times) override;
    EsAnimationView& view() override { return view_; }

    // False when the context refused the shaders (failure() says why):
    // nothing is drawn then.
    bool ready() const { return drawer_.ready(); }
    const std::string& failure() const { return drawer_.failure(); }
    // The context was lost: its objects are gone. The next setUpSurface
    // makes them again.
    void contextLost() { drawer_.forget(); }
    // Deletes the GL objects; the context must be current.
    void release() { drawer_.release(); }

private:
    std::function<void()> present_;
    EsMeshDrawer drawer_;
    EsAnimationView view_;
};

}  // namespace glowpond
