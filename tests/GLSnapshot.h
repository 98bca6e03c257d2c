// The parts of the OpenGL state an overlay must leave as it found them:
// matrix stacks and matrices, the attribute stack, and the switches overlays
// flip. Take one before drawing and compare after.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/GLInclude.h"

struct GLSnapshot {
    GLint modelDepth = 0, projDepth = 0, attribDepth = 0, matrixMode = 0, shade = 0;
    GLfloat model[16] = {}, proj[16] = {};
    GLboolean cull = 0, depth = 0, lighting = 0, light0 = 0, fog = 0, dither = 0, texture = 0;

    static GLSnapshot Take() {
        GLSnapshot s;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.modelDepth);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &s.projDepth);
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &s.attribDepth);
        glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
        glGetIntegerv(GL_SHADE_MODEL, &s.shade);
        glGetFloatv(GL_MODELVIEW_MATRIX, s.model);
        glGetFloatv(GL_PROJECTION_MATRIX, s.proj);
        s.cull = glIsEnabled(GL_CULL_FACE);
        s.depth = glIsEnabled(GL_DEPTH_TEST);
        s.lighting = glIsEnabled(GL_LIGHTING);
        s.light0 = glIsEnabled(GL_LIGHT0);
        s.fog = glIsEnabled(GL_FOG);
        s.dither = glIsEnabled(GL_DITHER);
        s.texture = glIsEnabled(GL_TEXTURE_2D);
        return s;
    }
    void ExpectSame(const GLSnapshot& o, const std::string& where) const {
        EXPECT_EQ(modelDepth, o.modelDepth) << where;
        EXPECT_EQ(projDepth, o.projDepth) << where;
        EXPECT_EQ(attribDepth, o.attribDepth) << where;
        EXPECT_EQ(matrixMode, o.matrixMode) << where;
        EXPECT_EQ(shade, o.shade) << where;
        for (int i = 0; i < 16; ++i) {
            EXPECT_FLOAT_EQ(model[i], o.model[i]) << where << " modelview " << i;
            EXPECT_FLOAT_EQ(proj[i], o.proj[i]) << where << " projection " << i;
        }
        EXPECT_EQ(cull, o.cull) << where;
        EXPECT_EQ(depth, o.depth) << where;
        EXPECT_EQ(lighting, o.lighting) << where;
        EXPECT_EQ(light0, o.light0) << where;
        EXPECT_EQ(fog, o.fog) << where;
        EXPECT_EQ(dither, o.dither) << where;
        EXPECT_EQ(texture, o.texture) << where;
    }
};
