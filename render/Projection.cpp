#include "render/Projection.h"

double ProjectionAspect(unsigned width, unsigned height) {
    if (height == 0) return 1.0;
    // Taller than wide the whole-number ratio is 0, which GLU refuses, and
    // the scene would not be drawn at all. 1 shows the whole scene, as on a
    // landscape screen narrower than 2:1.
    if (width < height) return 1.0;
    return static_cast<double>(width / height);
}
