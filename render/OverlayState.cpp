#include "render/OverlayState.h"

#include "platform/GLInclude.h"

OverlayState::OverlayState(bool textured) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    m_Pushed = 1;
    glShadeModel(GL_SMOOTH);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
    glDisable(GL_DITHER);
    if (textured)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat light[4] = {0.1f, 0.1f, -1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    m_Pushed = 2;
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

OverlayState::~OverlayState() {
    if (m_Pushed == 2) {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }
    if (m_Pushed >= 1) glPopAttrib();
}
