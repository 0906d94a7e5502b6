#include "render_es/es_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "config/settings.h"
#include "engine/model_slot.h"
#include "render_es/gles.h"

namespace glowpond {
namespace {

enum Attribute : GLuint { kPosition = 0, kNormal = 1, kColour = 2 };

// The fixed-function lighting of the OpenGL 1.1 renderer, per vertex: light
// model ambient 0.2 and light ambient 0.2 on the colour, diffuse 0.85,
// specular with shininess 8 only where the light reaches the face (as Mesa
// computes it), the viewer at infinity, normals as given (no normalising),
// the sum clamped. Two-sided lighting lights the back with the normal
// turned round; the rasteriser's facing picks one of the two.
constexpr const char* kVertexShader = R"(#version 300 es
uniform mat4 projection;
uniform vec3 toLight;
uniform vec3 halfway;
uniform float specular;
in vec3 position;
in vec3 normal;
in vec3 colour;
out vec3 frontColour;
out vec3 backColour;

vec3 lit(vec3 n) {
    vec3 c = colour * 0.2 + colour * 0.2;
    float d = dot(n, toLight);
    if (d > 0.0) {
        float h = max(dot(n, halfway), 0.0);
        h *= h;
        h *= h;
        c += colour * (0.85 * d) + vec3(specular * (h * h));
    }
    return clamp(c, 0.0, 1.0);
}

void main() {
    gl_Position = projection * vec4(position, 1.0);
    frontColour = lit(normal);
    backColour = lit(-normal);
}
)";

constexpr const char* kFragmentShader = R"(#version 300 es
precision highp float;
uniform bool twoSided;
in vec3 frontColour;
in vec3 backColour;
out vec4 fragColour;

void main() {
    fragColour = vec4(twoSided && !gl_FrontFacing ? backColour : frontColour, 1.0);
}
)";

const void* offset(size_t bytes) { return reinterpret_cast<const void*>(bytes); }

// Compiles one shader; 0 with the log appended to `failure` when refused.
GLuint compile(GLenum type, const char* source, std::string& failure) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    char log[1024] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    failure += log;
    glDeleteShader(shader);
    return 0;
}

// Binds `target` to `buffer` with room for `bytes` at least; true when that
// took a new store, whose contents are undefined.
bool bindWithRoom(GLenum target, GLuint buffer, size_t& capacity, size_t bytes) {
    glBindBuffer(target, buffer);
    if (bytes <= capacity) return false;
    // Room to grow by half again, so that a few more faces next time do not
    // make a new store each time.
    capacity = bytes + bytes / 2;
    glBufferData(target, GLsizeiptr(capacity), nullptr, GL_STREAM_DRAW);
    return true;
}

}  // namespace

Vec3f lightDirection(int32_t lightHeight) {
    // The direction of the OpenGL 1.1 renderer's light, which OpenGL turns
    // into a unit vector.
    const float h = float(inSettingRange(lightHeight));
    const Vec3f d{0.0f, h * 0.1111111f - 1.111111f, h * 0.1111111f - 0.1111111f};
    const float length = std::sqrt(d[1] * d[1] + d[2] * d[2]);
    return d * (1.0f / length);
}

Mat4f orthoProjection(ClientSize size) {
    const int32_t height = size.height < 1 ? 1 : size.height;
    const float aspect = float(double(float(size.width) / float(height)));
    const float left = -aspect, right = aspect, bottom = -1.0f, top = 1.0f, nearPlane = 1.0f, farPlane = 100.0f;
    Mat4f m{};
    m[0] = 2.0f / (right - left);
    m[5] = 2.0f / (top - bottom);
    m[10] = -2.0f / (farPlane - nearPlane);
    m[12] = -(right + left) / (right - left);
    m[13] = -(top + bottom) / (top - bottom);
    m[14] = -(farPlane + nearPlane) / (farPlane - nearPlane);
    m[15] = 1.0f;
    return m;
}

EsMeshDrawer::EsMeshDrawer() = default;

bool EsMeshDrawer::create() {
    failure_.clear();
    const GLuint vertex = compile(GL_VERTEX_SHADER, kVertexShader, failure_);
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, kFragmentShader, failure_);
    if (!vertex || !fragment) {
        if (vertex) glDeleteShader(vertex);
        if (fragment) glDeleteShader(fragment);
        return false;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glBindAttribLocation(program, kPosition, "position");
    glBindAttribLocation(program, kNormal, "normal");
    glBindAttribLocation(program, kColour, "colour");
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        failure_ += log;
        glDeleteProgram(program);
        return false;
    }
    program_ = program;
    projectionAt_ = glGetUniformLocation(program, "projection");
    lightAt_ = glGetUniformLocation(program, "toLight");
    halfAt_ = glGetUniformLocation(program, "halfway");
    specularAt_ = glGetUniformLocation(program, "specular");
    twoSidedAt_ = glGetUniformLocation(program, "twoSided");
    glUseProgram(program);

    glGenVertexArrays(1, &vertexArray_);
    glBindVertexArray(vertexArray_);
    GLuint buffers[3] = {};
    glGenBuffers(3, buffers);
    vertexBuffer_ = buffers[0];
    colourBuffer_ = buffers[1];
    indexBuffer_ = buffers[2];
    vertexCapacity_ = colourCapacity_ = indexCapacity_ = 0;
    colourSource_.reset();
    glEnableVertexAttribArray(kPosition);
    glEnableVertexAttribArray(kNormal);
    return true;
}

void EsMeshDrawer::forget() {
    program_ = vertexArray_ = vertexBuffer_ = colourBuffer_ = indexBuffer_ = 0;
    vertexCapacity_ = colourCapacity_ = indexCapacity_ = 0;
    colourSource_.reset();
}

void EsMeshDrawer::release() {
    if (!program_) return;
    const GLuint buffers[3] = {vertexBuffer_, colourBuffer_, indexBuffer_};
    glDeleteBuffers(3, buffers);
    glDeleteVertexArrays(1, &vertexArray_);
    glDeleteProgram(program_);
    forget();
}

void EsMeshDrawer::setProjection(const Mat4f& projection) {
    if (program_) glUniformMatrix4fv(projectionAt_, 1, GL_FALSE, projection.data());
}

void EsMeshDrawer::setLight(const Vec3f& toLight) {
    if (!program_) return;
    Vec3f halfway = toLight + Vec3f{0.0f, 0.0f, 1.0f};
    const float length = std::sqrt(halfway[0] * halfway[0] + halfway[1] * halfway[1] + halfway[2] * halfway[2]);
    // A light straight from behind has no halfway vector; no face it lights faces the viewer.
    halfway = length > 0.0f ? halfway * (1.0f / length) : Vec3f{0.0f, 0.0f, 1.0f};
    glUniform3fv(lightAt_, 1, toLight.data());
    glUniform3fv(halfAt_, 1, halfway.data());
}

void EsMeshDrawer::setTwoSided(bool twoSided) {
    if (program_) glUniform1i(twoSidedAt_, twoSided ? 1 : 0);
}

void EsMeshDrawer::drawMesh(const DisplayMesh& mesh, const ScissorGeometry& geometry, float x, float y,
                            ScissorRect* rect) {
    if (!mesh.visible || mesh.faceCount == 0 || mesh.vertexCount == 0) return;
    const ScissorRect square = scissorSquare(geometry, x, y);
    if (rect) *rect = square;
    if (!program_) return;
    glScissor(square.x, square.y, square.width, square.height);
    glEnable(GL_SCISSOR_TEST);
    for (const MeshPart& part : mesh.parts) {
        if (part.vertexCount == 0 || part.faceCount == 0 || part.vertices.empty()) continue;
        drawPart(part, mesh.cullBackFaces != 0);
    }
}

void EsMeshDrawer::drawSlot(const ModelSlot& slot, const ScissorGeometry& geometry, ScissorRect* rect) {
    if (!slot.model || !slot.blob) return;
    const Vec3f& p = slot.position;
    if (program_) glUniform1f(specularAt_, kModelSpecular[0] * 0.6f);
    drawMesh(*slot.model, geometry, p[0], p[1], nullptr);
    if (program_) glUniform1f(specularAt_, kBlobSpecular[0] * 0.6f);
    drawMesh(*slot.blob, geometry, p[0], p[1], rect);
}

void EsMeshDrawer::drawPart(const MeshPart& part, bool cull) {
    std::shared_ptr<const ColourCopies> colours;
    const Colouring colouring = runs_.build(part, cull, colours);
    if (runs_.runs().empty()) return;
    const bool copied = colouring == Colouring::Copies;
    const size_t n = part.vertices.size();
    const size_t copies = copied ? colours->copyOf.size() : 0;

    // The copies take their place and normal from their vertex as shaped for this frame.
    if (copies_.size() < copies) copies_.resize(copies);
    for (size_t c = 0; c < copies; ++c) copies_[c] = part.vertices[static_cast<size_t>(colours->copyOf[c])];
    const size_t vertexPart = n * sizeof(MeshVertex), copyPart = copies * sizeof(MeshVertex);
    bindWithRoom(GL_ARRAY_BUFFER, vertexBuffer_, vertexCapacity_, vertexPart + copyPart);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(vertexPart), part.vertices.data());
    if (copies) glBufferSubData(GL_ARRAY_BUFFER, GLintptr(vertexPart), GLsizeiptr(copyPart), copies_.data());
    glVertexAttribPointer(kPosition, 3, GL_FLOAT, GL_FALSE, sizeof(MeshVertex), offset(offsetof(MeshVertex, position)));
    glVertexAttribPointer(kNormal, 3, GL_FLOAT, GL_FALSE, sizeof(MeshVertex), offset(offsetof(MeshVertex, normal)));
    if (copied) {
        // The colours stay the same as long as the copies do.
        const size_t colourBytes = colours->colours.size() * sizeof(Vec3f);
        if (bindWithRoom(GL_ARRAY_BUFFER, colourBuffer_, colourCapacity_, colourBytes) ||
            colourSource_.lock() != colours) {
            glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(colourBytes), colours->colours.data());
            colourSource_ = colours;
        }
        glVertexAttribPointer(kColour, 3, GL_FLOAT, GL_FALSE, sizeof(Vec3f), offset(0));
        glEnableVertexAttribArray(kColour);
    }
    const size_t indexBytes = runs_.indexCount() * sizeof(uint32_t);
    bindWithRoom(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_, indexCapacity_, indexBytes);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, GLsizeiptr(indexBytes), runs_.indices());
    for (const FaceRun& run : runs_.runs()) {
        if (!copied) glVertexAttrib3f(kColour, run.colour[0], run.colour[1], run.colour[2]);
        glDrawElements(GL_TRIANGLES, run.count, GL_UNSIGNED_INT, offset(run.first * sizeof(uint32_t)));
    }
    if (copied) glDisableVertexAttribArray(kColour);
}

EsAnimationView::EsAnimationView(EsMeshDrawer& drawer, std::function<void()> present)
    : drawer_(drawer), present_(std::move(present)) {}

void EsAnimationView::resize(ClientSize size) {
    size_ = size;
    geometryValid_ = false;
}

const ScissorGeometry& EsAnimationView::geometryFor(float scale) {
    if (!geometryValid_ || geometry_.scale != scale) {
        geometry_ = scissorGeometry(size_, extentsFromProjection(orthoProjection(size_)), scale);
        geometryValid_ = true;
    }
    return geometry_;
}

void EsAnimationView::apply(const Mode& mode) {
    if (mode.solid) {
        glEnable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    if (mode.backCull) {
        glEnable(GL_CULL_FACE);
    } else {
        glDisable(GL_CULL_FACE);
    }
    drawer_.setTwoSided(mode.twoSided);
}

void EsAnimationView::beginFrame() {
    if (!whole_) glEnable(GL_SCISSOR_TEST);
}

void EsAnimationView::clearRect(const ScissorRect& rect) {
    if (whole_) return;  // endFrame clears everything
    glScissor(rect.x, rect.y, rect.width, rect.height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void EsAnimationView::setSolidMode(bool solid, bool backCull, bool twoSided) {
    // A blob is convex: culling alone hides its far side. Its mode leaves the
    // two-sided lighting as it was.
    mode_ = solid ? Mode{true, backCull, twoSided} : Mode{false, true, mode_.twoSided};
    if (!whole_) apply(mode_);
}

void EsAnimationView::drawSlot(const ModelSlot& slot, float scale, ScissorRect& rect) {
    if (!whole_) {
        drawer_.drawSlot(slot, geometryFor(scale), &rect);
        return;
    }
    if (slot.model && slot.blob && slot.blob->visible && slot.blob->faceCount && slot.blob->vertexCount) {
        rect = scissorSquare(geometryFor(scale), slot.position[0], slot.position[1]);
    }
    auto at = std::lower_bound(drawn_.begin(), drawn_.end(), &slot,
                               [](const Drawn& d, const ModelSlot* s) { return std::less<>()(d.slot, s); });
    if (at == drawn_.end() || at->slot != &slot) at = drawn_.insert(at, Drawn{&slot, scale, mode_});
    at->scale = scale;
    at->mode = mode_;
}

void EsAnimationView::endFrame() {
    if (whole_) {
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (const Drawn& d : drawn_) {
            apply(d.mode);
            drawer_.drawSlot(*d.slot, geometryFor(d.scale), nullptr);
        }
        apply(mode_);
    }
    if (present_) present_();
}

EsRenderer::EsRenderer(std::function<void()> present) : present_(std::move(present)), view_(drawer_, present_) {}

void EsRenderer::setUpSurface(ClientSize size, int32_t lightHeight) {
    if (!drawer_.ready()) drawer_.create();
    // Dithering is on by default in OpenGL ES; the lava is drawn on true-colour surfaces only.
    glDisable(GL_DITHER);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthRangef(0.0f, 1.0f);
    glClearDepthf(1.0f);
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawer_.setLight(lightDirection(lightHeight));
    drawer_.setTwoSided(true);
    view_.forgetSlots();
    resize(size);
}

void EsRenderer::resize(ClientSize size) {
    glViewport(0, 0, size.width, size.height < 1 ? 1 : size.height);
    drawer_.setProjection(orthoProjection(size));
    view_.resize(size);
}

void EsRenderer::clearSurface(int32_t times) {
    view_.forgetSlots();
    glDisable(GL_SCISSOR_TEST);
    for (int32_t i = 0; i < times; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (present_) present_();
    }
    glEnable(GL_SCISSOR_TEST);
}

}  // namespace glowpond
