// What the texture classes share when they send pixels: a fresh texture name
// with the parameters every picture uses, and the unpack state set for one
// upload only.
#pragma once

#include "platform/GLInclude.h"

// Makes and binds one texture name, clamped (to the border, as pictures have
// always been) and filtered as asked.
inline GLuint NewClampedTexture(int magFilter, int minFilter) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    return name;
}

// The uploads rely on the default unpack state (rows at a 4-byte pitch, no
// skips); other code may have changed it, so it is set for the call only.
template <class Upload>
void WithDefaultUnpack(Upload&& upload) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    upload();
    glPopClientAttrib();
}
