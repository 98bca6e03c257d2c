#include "render/Projection.h"

double ProjectionAspect(unsigned width, unsigned height) {
    if (height == 0) return 1.0;
    return static_cast<double>(width / height);
}
