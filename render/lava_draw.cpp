#include "render/lava_draw.h"

#include <cstring>

#include "render/gl.h"

namespace glowpond {
namespace {

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

void drawMesh(const DisplayMesh& mesh, const ScissorGeometry& geometry, float x, float y, ScissorRect* rect) {
    if (!mesh.visible || mesh.faceCount == 0 || mesh.vertexCount == 0) return;

    const ScissorRect square = scissorSquare(geometry, x, y);
    glScissor(square.x, square.y, square.width, square.height);
    glEnable(GL_SCISSOR_TEST);
    if (rect) *rect = square;

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
                const Vec3f& c = part.faceColors[number];
                glColor3f(c[0], c[1], c[2]);
            }
            glBegin(primitiveFor(k));
            for (int32_t i = 0; i < k; ++i) glArrayElement(corners[i]);
            glEnd();
        });
    }
}

void drawSlot(const ModelSlot& slot, const ScissorGeometry& geometry, ScissorRect* rect) {
    if (!slot.model || !slot.blob) return;
    const Vec3f& p = slot.position;
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kModelSpecular);
    drawMesh(*slot.model, geometry, p[0], p[1], nullptr);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kBlobSpecular);
    drawMesh(*slot.blob, geometry, p[0], p[1], rect);
}

}  // namespace glowpond
