#include "render/fixed_state.h"

#include "config/settings.h"
#include "render/gl.h"

namespace glowpond {

void setupFixedState(int32_t clientWidth, int32_t clientHeight, bool paletteDisplay) {
    static const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    static const GLfloat diffuse[4] = {0.85f, 0.85f, 0.85f, 1.0f};
    static const GLfloat specular[4] = {0.6f, 0.6f, 0.6f, 1.0f};
    static const GLfloat fromViewer[4] = {0.0f, 0.0f, 1.0f, 0.0f};

    // Dithering only helps where colours must be mixed from a palette.
    if (paletteDisplay) {
        glEnable(GL_DITHER);
    } else {
        glDisable(GL_DITHER);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, fromViewer);
    glEnable(GL_LIGHT0);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 8.0f);
    glEnable(GL_COLOR_MATERIAL);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthRange(0.0, 1.0);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setProjection(clientWidth, clientHeight);
}

void setProjection(int32_t clientWidth, int32_t clientHeight) {
    const int32_t height = clientHeight < 1 ? 1 : clientHeight;
    const GLdouble aspect = GLdouble(GLfloat(clientWidth) / GLfloat(height));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-aspect, aspect, -1.0, 1.0, 1.0, 100.0);
    glViewport(0, 0, clientWidth, height);
}

void setLightHeight(int32_t lightHeight) {
    const float h = float(inSettingRange(lightHeight));
    const GLfloat direction[4] = {0.0f, h * 0.1111111f - 1.111111f, h * 0.1111111f - 0.1111111f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
}

}  // namespace glowpond
