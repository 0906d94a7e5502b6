#include "render/lava_draw.h"

#include <cstring>

#include "render/gl.h"

namespace glowpond {
namespace {

ScissorGeometry scissorCache;
bool scissorCacheValid = false;

const ScissorGeometry& scissorGeometryFor(WindowHandle window, float scale) {
    const ClientSize client = platform().clientSize(window);
    const int32_t height = client.height < 1 ? 1 : client.height;
    if (!scissorCacheValid || scissorCache.window != window || scissorCache.scale != scale ||
        scissorCache.windowWidth != client.width || scissorCache.windowHeight != height) {
        scissorCache = scissorGeometry(window, client, orthoExtents(), scale);
        scissorCacheValid = true;
    }
    return scissorCache;
}

// The sign test on the bit pattern: +0.0, -0.0 and every negative z count
// as facing away, while the tiniest positive z still faces the viewer.
bool facesAway(const Vec3f& normal) {
    int32_t bits;
    std::memcpy(&bits, &normal[2], sizeof bits);
    return bits < 1;
}

GLenum primitiveFor(int32_t corners) {
    if (corners == 3) return GL_TRIANGLES;
    if (corners == 4) return GL_QUADS;
    return GL_POLYGON;
}

}  // namespace

ViewExtents orthoExtents() {
    glMatrixMode(GL_PROJECTION);
    Mat4f projection{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    return extentsFromProjection(projection);
}

const ScissorGeometry& currentScissorGeometry() { return scissorCache; }

void DisplayMesh::draw(WindowHandle window, float x, float y, float, float scale, ScissorRect* rect) const {
    if (!visible || faceCount == 0 || vertexCount == 0) return;

    const ScissorRect square = scissorSquare(scissorGeometryFor(window, scale), x, y);
    glScissor(square.x, square.y, square.width, square.height);
    glEnable(GL_SCISSOR_TEST);
    if (rect) *rect = square;

    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    for (const MeshPart& part : parts) {
        if (part.vertexCount == 0 || part.faceCount == 0 || part.vertices.empty()) continue;
        glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), part.vertices[0].position);
        glNormalPointer(GL_FLOAT, sizeof(MeshVertex), part.vertices[0].normal);
        if (part.uniformColor) glColor3f(part.color[0], part.color[1], part.color[2]);
        size_t face = 0;
        forEachFace(part, [&](const int32_t* corners, int32_t k) {
            const size_t number = face++;
            if (cullBackFaces && number < part.faceNormals.size() && facesAway(part.faceNormals[number])) return;
            if (!cornersInRange(part, corners, k)) return;
            if (!part.uniformColor && number < part.faceColors.size()) {
                const Vec3f& c = part.faceColors[number];
                glColor3f(c[0], c[1], c[2]);
            }
            glBegin(primitiveFor(k));
            for (int32_t i = 0; i < k; ++i) glArrayElement(corners[i]);
            glEnd();
        });
    }
}

void drawSlot(ModelSlot& slot, WindowHandle window, int32_t t, bool spinning, int32_t period, float scale,
              ScissorRect* rect) {
    if (!slot.model || !slot.blob) return;
    slot.shapeFrame(t, spinning, period);
    const Vec3f& p = slot.position;
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kModelSpecular);
    slot.model->draw(window, p[0], p[1], p[2], scale, nullptr);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kBlobSpecular);
    slot.blob->draw(window, p[0], p[1], p[2], scale, rect);
}

}  // namespace glowpond
